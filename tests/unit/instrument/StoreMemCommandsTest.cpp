#include "instrument/StoreMemCommands.h"
#include "model/StoreMemFields.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <functional>
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

// A record whose every field holds a value no reply below produces.
STOREMEM OldRecord()
{
    STOREMEM mem{"old", "old", "old", "old", -7, -7, "old", -7, -7, "old", -7,
                 -7,    -7,    -7,    -7,    -7, -7, -7,    -7, -7, {}};
    for (ABCMEM& abc : mem.Abc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            abc.*f.pField = -7;
    }
    return mem;
}

// The reply parsed into the old record; pbFits receives whether it fitted.
STOREMEM Parsed(const char* pszCommand, const QString& strReply, bool* pbFits = nullptr)
{
    STOREMEM mem = OldRecord();
    const bool bFits = StoreMemCommands::ParseReply(Command(pszCommand), strReply, mem);
    if (pbFits)
        *pbFits = bFits;
    return mem;
}

// Garbled replies once went into the record as data: a peer answering with
// the next query's reply, text, NUL bytes, or a line cut by noise. Each must
// be refused; the replies an instrument really sends must fit.
TEST(StoreMemShapeTest, OnlyAReplyOfItsQuerysShapeFits)
{
    const std::tuple<const char*, QString, bool> cases[] = {
        {"CURR", "1,2,3,4,5,6,7,8,9,10,LOW\n", true},
        {"CURR", " 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, LOW \r\n", true},
        {"CURR", "1,2,3,4,5,6,7,8,9,10\n", false},                  // the power reply: no range
        {"CURR", "1,2,3,4,5,6,7,8,9,10,LOW MED\n", false},          // something after the range
        {"CURR", "1,2,3,4,5,6,7,8,9,10,ABCDEFGHIJKLMNOP\n", false}, // too long for a keyword
        {"CURR", "1,2,3,4,5,6,7,8,9,10,1.5\n", false},              // a number for the keyword
        {"CURR", "1,2\n", false},                                   // a line feed of line noise
        {"CURR", "1 ,2,3,4,5,6,7,8,9,10,LOW\n", false},
        {"CURR", "1,,3,4,5,6,7,8,9,10,LOW\n", false},
        {"CURR", "hello world\n", false},
        {"CURR", QString("1,2,3,4,5,6,7,8,9,10,L") + QChar(0) + "W\n", false},
        {"CURR", "", false},
        {"POW", "1,2,3,4,5,6,7,8,9,10\n", true},
        {"POW", "1,2,3,4,5,6,7,8,9,10,HIGH\n", false}, // the voltage reply
        {"POW", "1,2,3,4,5,6,7,8,9,10,11\n", false},
        {"POW", "1.5," + QString(260, QLatin1Char(' ')) + "2,3,4,5,6,7,8,9,10\n", false}, // too long
        {"RES", "CC,0.0000,0,0\n", false}, // the function reply
        {"FUNC", "CV,1.5000,1,2\n", true},
        {"FUNC", "CP,, 0.1  ,,-1,  -4\n", true},
        {"FUNC", "CR,2\n", false},
        {"FUNC", "CC,abc,1,2\n", false},
        {"FUNC", "CC,1,2,3,4\n", false},
        {"FUNC", "1.0000,LIMIT,2.0000,TRIP,3.0000\n", false}, // the protection reply
        {"PROT", "1.0000,LIMIT,2.0000,TRIP,3.0000\n", true},
        {"PROT", "1.0000,LIMIT,2.0000,3,3.0000\n", false},
        {"PULS", "1000.0000,50.0000\n", true},
        {"PULS", "0.2500\n", false}, // the slew-rate reply
        {"SLEW", "0.2500\n", true},
        {"SLEW", "0.2500\n0.1\n", false},
        {"SLEW", "\"memo\"\n", false},
        {"ITIM", "1e999\n", true},
        {"MEMO", "\"Bat A\"\n", true},
        {"MEMO", "\"two\r\nlines\"\n", true},
        {"MEMO", "\"5\" pipe\"\n", true}, // a quote the instrument did not double: taken as received
        {"MEMO", "\"\"\n", true},
        {"MEMO", "Bat A\n", false},
        {"MEMO", "\"unterminated\n", false},
        {"MEMO", "junk \"x\" junk\n", false},
        {"MEMO", "\"\n", false},
        {"MEMO", '"' + QString(70, QLatin1Char('m')) + "\"\n", false},
        {"MEMO", QString("\"a") + QChar(0) + "b\"\n", false},
    };
    for (const auto& [pszCommand, strReply, bFits] : cases) {
        bool bParsed = false;
        Parsed(pszCommand, strReply, &bParsed);
        EXPECT_EQ(bParsed, bFits) << pszCommand << ": " << qPrintable(strReply);
    }
}

// The ten commands carry the whole record: every field of the memory file
// travels in exactly one of them, and nothing else does.
TEST(StoreMemShapeTest, EveryFieldOfTheRecordTravelsOnce)
{
    QStringList carried;
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        const SMEMCOMMAND& command = StoreMemCommands::Table()[i];
        for (int f = 0; f < command.nFields; ++f)
            carried << DescribeField(command.fields[f]).strName;
    }
    QStringList all;
    for (const STOREMEMFIELD& f : g_StoreMemFields)
        all << QLatin1String(f.pszName);
    for (int nAbc = 0; nAbc < 3; ++nAbc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            all << DescribeField(f.Of(nAbc)).strName;
    }
    carried.sort();
    all.sort();
    EXPECT_EQ(carried, all);
}

TEST(StoreMemShapeTest, AFittingReplyFillsEveryFieldOfItsRow)
{
    const STOREMEM curr = Parsed("CURR", QStringLiteral("1,2,3,4,5,6,7,8,9,10,LOW\n"));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(*Command("CURR").fields[i].Float(curr), float(i + 1));
    EXPECT_EQ(curr.Crange, QStringLiteral("LOW"));
    EXPECT_EQ(curr.Vrange, QStringLiteral("old"));
    // Decimals in the integer tokens are cut at the point.
    const STOREMEM func = Parsed("FUNC", QStringLiteral("CC,0.2500,3.7,-2.9\n"));
    EXPECT_EQ(QStringList({func.Mode, QString::number(func.SoftStartTime), QString::number(func.CountTime),
                           QString::number(func.Response)})
                  .join('|'),
              QStringLiteral("CC|0.25|3|-2"));
    EXPECT_EQ(Parsed("MEMO", QStringLiteral("\"Bat \"\"A\"\"\"\n")).Memo, QStringLiteral("Bat \"A\""));
    EXPECT_EQ(Parsed("MEMO", QStringLiteral("\"5\" pipe\"\n")).Memo, QStringLiteral("5\"pipe"));
    EXPECT_TRUE(std::isinf(Parsed("SLEW", QStringLiteral("1e999\n")).SlewRate));
}

// The file and the wire write numbers through one formatter: the same digits
// for ties, and conductances with the 6 decimals the file keeps.
TEST(StoreMemFormatTest, NumbersGoOutAsTheMemoryFileWritesThem)
{
    STOREMEM mem;
    mem.SlewRate = 0.03125f; // a tie at four decimals
    mem.Cond = 0.123456f;
    mem.Abc[1].Cond_M = 1.178001f;
    mem.Abc[0].Curr_L = 0.03125f;
    EXPECT_EQ(StoreMemCommands::FormatCommand(Command("SLEW"), mem),
              QStringLiteral("BACK:SMEM:SLEW 0.0312\n"));
    EXPECT_EQ(StoreMemCommands::FormatCommand(Command("RES"), mem),
              QStringLiteral("BACK:SMEM:RES 0.000000,0.000000,0.000000,0.000000,1.178001,0.000000,0.000000,"
                             "0.000000,0.000000,0.123456\n"));
    EXPECT_TRUE(StoreMemCommands::FormatCommand(Command("CURR"), mem).startsWith("BACK:SMEM:CURR 0.0312,"));
    // A NaN (an empty value in a memory file) goes out as no number, for the instrument to refuse.
    mem.SlewRate = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(StoreMemCommands::FormatCommand(Command("SLEW"), mem), QStringLiteral("BACK:SMEM:SLEW nan\n"));
}

// A command is never cut: the field that makes one too long is named instead.
TEST(StoreMemFormatTest, TheFieldThatMakesACommandTooLongIsNamed)
{
    const std::pair<std::function<void(STOREMEM&)>, const char*> cases[] = {
        {[](STOREMEM&) {}, ""},
        {[](STOREMEM& m) { m.Pow = 1.5e30f; }, ""}, // 36 characters still fit beside nine short ones
        {[](STOREMEM& m) {
             m.Pow = 1.5e30f;
             for (ABCMEM& abc : m.Abc)
                 abc.Pow_L = abc.Pow_M = abc.Pow_H = 1.0e28f;
         },
         "Pow"},
        {[](STOREMEM& m) {
             for (ABCMEM& abc : m.Abc)
                 abc.Cond_L = abc.Cond_M = abc.Cond_H = 1.0e20f;
             m.Abc[1].Cond_M = 3.0e38f;
         },
         "BMem/Cond_M"},
        {[](STOREMEM& m) { m.Crange = QString(300, QLatin1Char('X')); }, "Crange"},
    };
    for (const auto& [fnEdit, pszField] : cases) {
        STOREMEM mem;
        fnEdit(mem);
        EXPECT_EQ(StoreMemCommands::TooLongField(mem), QLatin1String(pszField));
    }
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

    STOREMEM mem = Parsed("PULS", QStringLiteral("1.2500,2\n"));
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
