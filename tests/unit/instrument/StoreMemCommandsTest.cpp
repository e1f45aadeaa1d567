#include "instrument/StoreMemCommands.h"
#include "model/StoreMemFields.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <limits>
#include <tuple>

namespace {

// "CURR" for BACK:SMEM:CURR.
const SMEMCOMMAND& Command(const char* pszName)
{
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        if (QByteArray(StoreMemCommands::Table()[i].pszHeader) == "BACK:SMEM:" + QByteArray(pszName))
            return StoreMemCommands::Table()[i];
    }
    throw std::logic_error(pszName);
}

// The reply parsed into a record whose every field holds a value no reply below produces.
STOREMEM Parsed(const char* pszCommand, const QString& strReply)
{
    STOREMEM mem{"old", "old", "old", "old", -7, -7, "old", -7, -7, "old", -7,
                 -7,    -7,    -7,    -7,    -7, -7, -7,    -7, -7, {}};
    for (ABCMEM& abc : mem.Abc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            abc.*f.pField = -7;
    }
    StoreMemCommands::ParseReply(Command(pszCommand), strReply, mem);
    return mem;
}

TEST(StoreMemScanTest, AMismatchStopsTheScanAndLaterFieldsKeepTheirValues)
{
    // The reply, how many of the ten numbers are read (in travel order) and the range.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"1,2,3,4,5,6,7,8,9,10,LOW\n", 10, "LOW"},
        {" 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, LOW \n", 10, "LOW"},
        {"1,2,3,4,5,6,7,8,9,10\n", 10, "old"},
        {"1,2,3,4,5,6,7,8,9,10,ABCDEFGHIJKLMNOPQRSTUVWXYZ\n", 10, "ABCDEFGHIJKLMNO"},
        {"1,2,3,4,5,6,7,8,9,10,LOW MED\n", 10, "LOW"},
        {"1,2\n", 2, "old"},
        {"1 ,2\n", 1, "old"},
        {"1,,3\n", 1, "old"},
        {"x,2\n", 0, "old"},
        {"", 0, "old"},
    };
    for (const auto& [pszReply, nNumbersRead, pszRange] : cases) {
        STOREMEM mem = Parsed("CURR", QString::fromUtf8(pszReply));
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(*Command("CURR").pfnField[i](mem).pFloat, i < nNumbersRead ? float(i + 1) : -7.0f)
                << pszReply << " field " << i;
        }
        EXPECT_EQ(mem.Crange, QString::fromUtf8(pszRange)) << pszReply;
        EXPECT_EQ(mem.Vrange, QStringLiteral("old"));
    }
}

TEST(StoreMemScanTest, ReplyLongerThanItsBufferIsReadUpToTheBufferAndNoNumberStaysNoNumber)
{
    // 260 spaces push the second number past the 255 characters kept.
    const STOREMEM puls = Parsed("PULS", "1.5," + QString(260, QLatin1Char(' ')) + "2.5\n");
    EXPECT_EQ(puls.PulseFreq, 1.5f);
    EXPECT_EQ(puls.PulseDuty, -7.0f);
    const STOREMEM prot = Parsed("PROT", "1," + QString(300, QLatin1Char('A')) + ",2,TRIP,3\n");
    EXPECT_EQ(prot.CurrProtect, 1.0f);
    EXPECT_EQ(prot.CurrProtectAction, QString(253, QLatin1Char('A')));
    EXPECT_EQ(prot.PowProtect, -7.0f);
    EXPECT_TRUE(std::isinf(Parsed("SLEW", QStringLiteral("1e999\n")).SlewRate));
    EXPECT_TRUE(std::isnan(Parsed("ITIM", QStringLiteral("-nan\n")).InputTime));
    // A NaN (an empty value in a memory file) goes out as no number, for the instrument to refuse.
    STOREMEM mem;
    mem.SlewRate = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(StoreMemCommands::FormatCommand(Command("SLEW"), mem), QStringLiteral("BACK:SMEM:SLEW nan\n"));
}

TEST(StoreMemTokensTest, FuncSplitsAtRunsOfCommasAndSpaces)
{
    // The reply, then the mode, soft start, count time and response read from it.
    const std::pair<const char*, const char*> cases[] = {
        {"CV,1.5000,1,2\n", "CV|1.5|1|2"},
        // Decimals in the integer tokens are cut at the point.
        {"CC,0.2500,3.7,2.9\n", "CC|0.25|3|2"},
        {"CP,, 0.1  ,,-1,  -4\n", "CP|0.1|-1|-4"},
        // Fewer tokens: the fields not reached keep their values.
        {"CR,2\n", "CR|2|-7|-7"},
        {"\n", "old|-7|-7|-7"},
        {"CC,abc,x,1e3\n", "CC|0|0|1"},
        {"CC,1,2,3,4,5\n", "CC|1|2|3"},
    };
    for (const auto& [pszFunc, pszFields] : cases) {
        const STOREMEM m = Parsed("FUNC", QString::fromUtf8(pszFunc));
        EXPECT_EQ(QStringList({m.Mode, QString::number(m.SoftStartTime), QString::number(m.CountTime),
                               QString::number(m.Response)})
                      .join('|'),
                  QString::fromUtf8(pszFields))
            << pszFunc;
    }
}

TEST(StoreMemMemoTest, OnlyAQuotedMemoIsTakenAndWithinItsBuffer)
{
    const std::pair<QString, QString> cases[] = {
        {"Bat A\n", ""},
        {"\"\"\n", ""},
        {"\"unterminated\n", ""},
        {"junk \"x\" junk\n", "x"},
        {QString(32, QLatin1Char('"')) + '\n', QString(15, QLatin1Char('"'))},
        // 63 characters are kept: the closing quote of a 70-character memo is lost.
        {'"' + QString(61, QLatin1Char('m')) + "\"\n", QString(61, QLatin1Char('m'))},
        {'"' + QString(70, QLatin1Char('m')) + "\"\n", ""},
        {"", ""},
    };
    for (const auto& [strReply, strMemo] : cases)
        EXPECT_EQ(Parsed("MEMO", strReply).Memo, strMemo) << qPrintable(strReply);
}

// The desktop program runs in the user's locale, where printf, strtod and
// QLocale use a decimal comma; the instrument's text must not follow it.
TEST(StoreMemFormatTest, NumbersUseAPointWhateverTheLocale)
{
    QTemporaryDir dir;
    const int nResult = QProcess::execute(
        QStringLiteral("localedef"), {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                                      QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("de_DE.UTF-8"))});
    qputenv("LOCPATH", QFile::encodeName(dir.path()));
    const bool bSet = nResult == 0 && std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    qunsetenv("LOCPATH");
    if (!bSet)
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    STOREMEM mem = Parsed("PULS", QStringLiteral("1.2500,2,5\n"));
    StoreMemCommands::ParseReply(Command("FUNC"), QStringLiteral("CC,0.7500,1,2\n"), mem);
    const QString strCommand = StoreMemCommands::FormatCommand(Command("PULS"), mem);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(mem.PulseFreq, 1.25f);
    EXPECT_EQ(mem.PulseDuty, 2.0f);
    EXPECT_EQ(mem.SoftStartTime, 0.75f);
    EXPECT_EQ(strCommand, QStringLiteral("BACK:SMEM:PULS 1.2500,2.0000\n"));
}

} // namespace
