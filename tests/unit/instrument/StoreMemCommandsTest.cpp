#include "instrument/StoreMemCommands.h"
#include "model/StoreMemFields.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>

namespace {

const SMEMCOMMAND& Command(const char* pszHeader)
{
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        if (qstrcmp(StoreMemCommands::Table()[i].pszHeader, pszHeader) == 0)
            return StoreMemCommands::Table()[i];
    }
    throw std::logic_error(pszHeader);
}

// A record whose every field holds a value no reply below produces.
STOREMEM Sentinel()
{
    STOREMEM mem;
    for (ABCMEM& abc : mem.Abc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            abc.*f.pField = -7;
    }
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        if (f.pText)
            mem.*f.pText = QStringLiteral("old");
        else if (f.pFloat)
            mem.*f.pFloat = -7;
        else
            mem.*f.pInt = -7;
    }
    return mem;
}

TEST(StoreMemScanTest, AMismatchStopsTheScanAndLaterFieldsKeepTheirValues)
{
    struct
    {
        const char* pszReply;
        int nNumbersRead; // of the ten, in travel order
        const char* pszRange;
    } const cases[] = {
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
    const SMEMCOMMAND& curr = Command("BACK:SMEM:CURR");
    for (const auto& c : cases) {
        STOREMEM mem = Sentinel();
        StoreMemCommands::ParseReply(curr, QString::fromUtf8(c.pszReply), mem);
        for (int i = 0; i < 10; ++i) {
            const float f = *curr.pfnField[i](mem).pFloat;
            EXPECT_EQ(f, i < c.nNumbersRead ? float(i + 1) : -7.0f) << c.pszReply << " field " << i;
        }
        EXPECT_EQ(mem.Crange, QString::fromUtf8(c.pszRange)) << c.pszReply;
        EXPECT_EQ(mem.Vrange, QStringLiteral("old"));
    }
}

TEST(StoreMemScanTest, ReplyLongerThanItsBufferIsReadUpToTheBuffer)
{
    // 260 spaces push the second number past the 255 characters kept.
    STOREMEM mem = Sentinel();
    const SMEMCOMMAND& puls = Command("BACK:SMEM:PULS");
    StoreMemCommands::ParseReply(puls, QStringLiteral("1.5,") + QString(260, QLatin1Char(' ')) + "2.5\n",
                                 mem);
    EXPECT_EQ(mem.PulseFreq, 1.5f);
    EXPECT_EQ(mem.PulseDuty, -7.0f);
    StoreMemCommands::ParseReply(Command("BACK:SMEM:SLEW"), QStringLiteral("1e999\n"), mem);
    EXPECT_TRUE(std::isinf(mem.SlewRate));
    StoreMemCommands::ParseReply(Command("BACK:SMEM:ITIM"), QStringLiteral("-nan\n"), mem);
    EXPECT_TRUE(std::isnan(mem.InputTime));
}

TEST(StoreMemTokensTest, FuncAndProtSplitAtRunsOfCommasAndSpaces)
{
    struct
    {
        const char* pszFunc;
        const char* pszMode;
        float fSoftStart;
        std::int32_t nCountTime;
        std::int32_t nResponse;
    } const cases[] = {
        {"CV,1.5000,1,2\n", "CV", 1.5f, 1, 2},
        // Decimals in the integer tokens are cut at the point.
        {"CC,0.2500,3.7,2.9\n", "CC", 0.25f, 3, 2},
        {"CP,, 0.1  ,,-1,  -4\n", "CP", 0.1f, -1, -4},
        // Fewer tokens: the fields not reached keep their values.
        {"CR,2\n", "CR", 2.0f, -7, -7},
        {"\n", "old", -7.0f, -7, -7},
        {"CC,abc,x,1e3\n", "CC", 0.0f, 0, 1},
        {"CC,1,2,3,4,5\n", "CC", 1.0f, 2, 3},
    };
    for (const auto& c : cases) {
        STOREMEM mem = Sentinel();
        StoreMemCommands::ParseReply(Command("BACK:SMEM:FUNC"), QString::fromUtf8(c.pszFunc), mem);
        EXPECT_EQ(mem.Mode, QString::fromUtf8(c.pszMode)) << c.pszFunc;
        EXPECT_EQ(mem.SoftStartTime, c.fSoftStart) << c.pszFunc;
        EXPECT_EQ(mem.CountTime, c.nCountTime) << c.pszFunc;
        EXPECT_EQ(mem.Response, c.nResponse) << c.pszFunc;
    }

    STOREMEM mem = Sentinel();
    StoreMemCommands::ParseReply(Command("BACK:SMEM:PROT"), QStringLiteral("1.5000,LIMIT,2.5000,TRIP,3.5\n"),
                                 mem);
    EXPECT_EQ(mem.CurrProtect, 1.5f);
    EXPECT_EQ(mem.CurrProtectAction, QStringLiteral("LIMIT"));
    EXPECT_EQ(mem.PowProtect, 2.5f);
    EXPECT_EQ(mem.PowProtectAction, QStringLiteral("TRIP"));
    EXPECT_EQ(mem.VoltProtect, 3.5f);

    // A reply of more than 255 characters: only what the buffer holds counts.
    mem = Sentinel();
    StoreMemCommands::ParseReply(
        Command("BACK:SMEM:PROT"),
        QStringLiteral("1,") + QString(300, QLatin1Char('A')) + QStringLiteral(",2,TRIP,3\n"), mem);
    EXPECT_EQ(mem.CurrProtect, 1.0f);
    EXPECT_EQ(mem.CurrProtectAction, QString(253, QLatin1Char('A')));
    EXPECT_EQ(mem.PowProtect, -7.0f);
}

TEST(StoreMemMemoTest, MemoReplyIsHandledInItsBuffer)
{
    struct
    {
        QString strReply;
        QString strMemo;
    } const cases[] = {
        {QStringLiteral("\"Bat \"\"A\"\" 1234567\"\n"), QStringLiteral("Bat \"A\" 1234567")},
        {QStringLiteral("Bat A\n"), QString()},
        {QString(32, QLatin1Char('"')) + QLatin1Char('\n'), QString(15, QLatin1Char('"'))},
        // 63 characters are kept: the closing quote of a 70-character memo is lost.
        {QLatin1Char('"') + QString(61, QLatin1Char('m')) + QStringLiteral("\"\n"),
         QString(61, QLatin1Char('m'))},
        {QLatin1Char('"') + QString(70, QLatin1Char('m')) + QStringLiteral("\"\n"), QString()},
    };
    for (const auto& c : cases) {
        STOREMEM mem = Sentinel();
        StoreMemCommands::ParseReply(Command("BACK:SMEM:MEMO"), c.strReply, mem);
        EXPECT_EQ(mem.Memo, c.strMemo) << qPrintable(c.strReply);
    }
}

// The desktop program runs in the user's locale, where printf and strtod use a
// decimal comma; the instrument's text must not follow it.
TEST(StoreMemFormatTest, NumbersUseAPointWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    STOREMEM mem;
    mem.PulseFreq = 1234.5f;
    mem.PulseDuty = -0.25f;
    const QString str = StoreMemCommands::FormatCommand(Command("BACK:SMEM:PULS"), mem);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(str, QStringLiteral("BACK:SMEM:PULS 1234.5000,-0.2500\n"));

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

    mem = Sentinel();
    StoreMemCommands::ParseReply(Command("BACK:SMEM:PULS"), QStringLiteral("1.2500,2,5\n"), mem);
    StoreMemCommands::ParseReply(Command("BACK:SMEM:FUNC"), QStringLiteral("CC,0.7500,1,2\n"), mem);
    const QString strCommand = StoreMemCommands::FormatCommand(Command("BACK:SMEM:PULS"), mem);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(mem.PulseFreq, 1.25f);
    EXPECT_EQ(mem.PulseDuty, 2.0f);
    EXPECT_EQ(mem.SoftStartTime, 0.75f);
    EXPECT_EQ(strCommand, QStringLiteral("BACK:SMEM:PULS 1.2500,2.0000\n"));
}

} // namespace
