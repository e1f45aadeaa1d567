#include "instrument/ScpiReply.h"
#include "instrument/ScpiException.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(ScpiReplyTest, VersionFromIdentificationReply)
{
    const QString strIdn = QStringLiteral("TALVERO,DXR-9K,91K20473,");
    const std::pair<QString, std::uint16_t> cases[] = {
        {strIdn + "1.05\n", 0x0105},
        {strIdn + "01.10\n", 0x010A},
        {strIdn + "2\n", 0x0200},
        {"TALVERO,DXR-9KA,1,3.07 beta\n", 0x0307},
        {"Talvero,DXR-9K,91K20473,1.05\n", 0},
        {"TALVERO,,91K20473,1.05\n", 0},
        {strIdn + "\n", 0},
        {strIdn + "-1.5\n", 0xFF05},
        {strIdn + "99999999999999999999.1\n", 0xFF00},
        {strIdn + "1.0000000000000002\n", 0x0100}, // the field is held in 15 characters
        // Model and serial longer than their buffers do not stop the scan.
        {"TALVERO,ABCDEFGHIJKLMNOPQRSTUVWXYZ,0123456789ABCDEFGHIJ,4.2\n", 0x0402},
        // 300 characters before the serial's comma: the 255 kept hold no second comma.
        {"TALVERO," + QString(300, QLatin1Char('M')) + ",S,1.05\n", 0},
        {QStringLiteral("TALVERO,M") + QChar(0) + ",S,1.05\n", 0}, // a zero ends the reply
        {"", 0},
    };
    for (const auto& [strReply, wVersion] : cases)
        EXPECT_EQ(ScpiReply::ParseVersion(strReply), wVersion) << qPrintable(strReply.left(80));
}

TEST(ScpiReplyTest, IdentityTokensSplitAtCommasAndSpaces)
{
    const std::pair<const char*, const char*> cases[] = {
        {"TALVERO,DXR 9K,91K20473,1.05\n", "TALVERO|DXR|9K|91K20473"}, // a space shifts the later tokens
        {"TALVERO,,  DXR-9K, ,91K20473,,1.05\n", "TALVERO|DXR-9K|91K20473|1.05"},
        {"TALVERO,DXR-9K\n", "TALVERO|DXR-9K\n||"},
        {"", "|||"},
    };
    for (const auto& [pszReply, pszTokens] : cases) {
        QString str[4];
        ScpiReply::SplitIdentity(QString::fromUtf8(pszReply), str[0], str[1], str[2], str[3]);
        EXPECT_EQ(QStringList(str, str + 4).join('|'), QString::fromUtf8(pszTokens));
    }
}

TEST(ScpiReplyTest, ErrorCodeAndMessage)
{
    const std::tuple<const char*, std::int32_t, const char*> cases[] = {
        {"+222,\"Data out of range;NSEL 100\"\n", 222, "\"Data out of range;NSEL 100\""},
        {"  -350,\"Queue overflow\"", -350, "\"Queue overflow\""},
        {"-104\n", -104, ""},
        {"\"No error\"\n", 0, ""},
        {"", 0, ""},
        {"-99999999999999,x\n", INT32_MIN, "x"},
        {"99999999999999,x\n", INT32_MAX, "x"},
        {"-1,a,b\nrest", -1, "a,b"},
    };
    for (const auto& [pszReply, nCode, pszMessage] : cases) {
        QString strMessage = QStringLiteral("stale");
        EXPECT_EQ(ScpiReply::ParseError(QString::fromUtf8(pszReply), &strMessage), nCode) << pszReply;
        EXPECT_EQ(strMessage, QString::fromUtf8(pszMessage)) << pszReply;
    }
}

TEST(ScpiReplyTest, QuotedTextIsCutBeforeItsQuotesAreDoubled)
{
    const QString strA14(14, QLatin1Char('a'));
    const std::pair<QString, QString> quotes[] = {
        {"", "\"\""},
        {QString(20, QLatin1Char('"')), QString(32, QLatin1Char('"'))}, // the longest memo that can go out
        {strA14 + QString::fromUtf8("\xF0\x9F\x98\x80"), '"' + strA14 + '"'}, // no half surrogate pair
    };
    for (const auto& [strText, strQuoted] : quotes)
        EXPECT_EQ(ScpiReply::QuoteText(strText, 15), strQuoted) << qPrintable(strText);
}

TEST(ScpiReplyTest, ReportLinesFitTheirBufferAndTheListEndsAtAZeroCode)
{
    CScpiException e;
    e.m_errors[0].nCode = -113;
    e.m_errors[0].SetMessage(QStringLiteral("\"Undefined header\""));
    EXPECT_EQ(e.GetReport(), QStringLiteral("SCPI Error(s)\n\n(-113) \"Undefined header\"\n"));

    e.m_errors[0].nCode = INT32_MIN;
    e.m_errors[0].SetMessage(QString(400, QLatin1Char('m')));
    e.m_errors[1].nCode = -222;
    e.m_errors[3].nCode = -350; // after the end of the list
    const QStringList lines = e.GetReport().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5); // heading, empty line, two entries, nothing after the last line feed
    EXPECT_EQ(lines[2].size(), 254);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("(-2147483648) mmm")));
    EXPECT_EQ(lines[3], QStringLiteral("(-222) "));
    EXPECT_EQ(e.GetCount(), 2);

    for (SYSTERR& err : e.m_errors)
        err.nCode = -100;
    EXPECT_EQ(e.GetCount(), 256);
    EXPECT_EQ(e.GetReport().count(QStringLiteral("(-100) ")), 256);
}

} // namespace
