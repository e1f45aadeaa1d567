#include "instrument/ScpiReply.h"
#include "instrument/ScpiException.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct VERSIONCASE
{
    const char* pszReply;
    std::uint16_t wVersion;
};

class VersionTest : public ::testing::TestWithParam<VERSIONCASE>
{
};

TEST_P(VersionTest, FromIdentificationReply)
{
    EXPECT_EQ(ScpiReply::ParseVersion(QString::fromUtf8(GetParam().pszReply)), GetParam().wVersion)
        << GetParam().pszReply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, VersionTest,
    ::testing::Values(
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,1.05\n", 0x0105},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,01.10\n", 0x010A},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,2\n", 0x0200},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,1.05", 0x0105},
        VERSIONCASE{"TALVERO,DXR-9KA,1,3.07 beta\n", 0x0307},
        VERSIONCASE{"Talvero,DXR-9K,91K20473,1.05\n", 0}, VERSIONCASE{"TALVERO,DXR-9K,1.05\n", 0},
        VERSIONCASE{" TALVERO,DXR-9K,91K20473,1.05\n", 0}, VERSIONCASE{"TALVERO,,91K20473,1.05\n", 0},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,\n", 0}, VERSIONCASE{"TALVERO,DXR-9K,91K20473,V1.05\n", 0},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,0.0\n", 0}, VERSIONCASE{"TALVERO,DXR-9K,91K20473,256.512\n", 0},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,1.999\n", 0x01E7},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,-1.5\n", 0xFF05},
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,99999999999999999999.1\n", 0xFF00},
        // The firmware field is held in 15 characters.
        VERSIONCASE{"TALVERO,DXR-9K,91K20473,1.0000000000000002\n", 0x0100},
        // Model and serial longer than their buffers do not stop the scan.
        VERSIONCASE{"TALVERO,ABCDEFGHIJKLMNOPQRSTUVWXYZ,0123456789ABCDEFGHIJ,4.2\n", 0x0402},
        VERSIONCASE{"", 0}, VERSIONCASE{"TALVERO,", 0}));

TEST(VersionTest, ReplyLongerThanItsBufferIsCut)
{
    // 300 characters before the serial number's comma: the 255 kept hold no
    // second comma, so the reply does not identify.
    const QString strLong =
        QStringLiteral("TALVERO,") + QString(300, QLatin1Char('M')) + QStringLiteral(",S,1.05\n");
    EXPECT_EQ(ScpiReply::ParseVersion(strLong), 0);
    // A zero character ends the reply as it ends a buffer.
    EXPECT_EQ(ScpiReply::ParseVersion(QStringLiteral("TALVERO,M") + QChar(0) + QStringLiteral(",S,1.05\n")),
              0);
}

TEST(IdentityTest, TokensSplitAtCommasAndSpaces)
{
    struct
    {
        const char* pszReply;
        const char* pszTokens[4];
    } const cases[] = {
        {"TALVERO,DXR-9K,91K20473,1.05\n", {"TALVERO", "DXR-9K", "91K20473", "1.05"}},
        // A space inside the model shifts the later tokens.
        {"TALVERO,DXR 9K,91K20473,1.05\n", {"TALVERO", "DXR", "9K", "91K20473"}},
        {"TALVERO,,  DXR-9K, ,91K20473,,1.05\n", {"TALVERO", "DXR-9K", "91K20473", "1.05"}},
        {"TALVERO,DXR-9K\n", {"TALVERO", "DXR-9K\n", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const auto& c : cases) {
        QString str[4];
        ScpiReply::SplitIdentity(QString::fromUtf8(c.pszReply), str[0], str[1], str[2], str[3]);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(str[i], QString::fromUtf8(c.pszTokens[i])) << c.pszReply << " token " << i;
    }
}

TEST(ErrorReplyTest, CodeAndMessage)
{
    struct
    {
        const char* pszReply;
        std::int32_t nCode;
        const char* pszMessage;
    } const cases[] = {
        {"0,\"No error\"\n", 0, "\"No error\""},
        {"-113,\"Undefined header\"\n", -113, "\"Undefined header\""},
        {"+222,\"Data out of range;NSEL 100\"\n", 222, "\"Data out of range;NSEL 100\""},
        {"  -350,\"Queue overflow\"", -350, "\"Queue overflow\""},
        {"-104\n", -104, ""},
        {"\"No error\"\n", 0, ""},
        {"", 0, ""},
        {"-99999999999999,x\n", INT32_MIN, "x"},
        {"99999999999999,x\n", INT32_MAX, "x"},
        {"-1,a,b\nrest", -1, "a,b"},
    };
    for (const auto& c : cases) {
        QString strMessage = QStringLiteral("stale");
        EXPECT_EQ(ScpiReply::ParseError(QString::fromUtf8(c.pszReply), &strMessage), c.nCode) << c.pszReply;
        EXPECT_EQ(strMessage, QString::fromUtf8(c.pszMessage)) << c.pszReply;
    }
}

TEST(NumberTest, TokensConvertLikeTheCLibrary)
{
    EXPECT_FLOAT_EQ(ScpiReply::ToFloat(QStringLiteral("1.5000")), 1.5f);
    EXPECT_FLOAT_EQ(ScpiReply::ToFloat(QStringLiteral(" -2.25e1xyz")), -22.5f);
    EXPECT_FLOAT_EQ(ScpiReply::ToFloat(QStringLiteral("1,5")), 1.0f);
    EXPECT_EQ(ScpiReply::ToFloat(QStringLiteral("abc")), 0.0f);
    EXPECT_TRUE(std::isinf(ScpiReply::ToFloat(QStringLiteral("1e999"))));
    EXPECT_TRUE(std::isnan(ScpiReply::ToFloat(QStringLiteral("NAN"))));
    EXPECT_EQ(ScpiReply::ToInt(QStringLiteral("3.7")), 3);
    EXPECT_EQ(ScpiReply::ToInt(QStringLiteral(" -12abc")), -12);
    EXPECT_EQ(ScpiReply::ToInt(QStringLiteral("x1")), 0);
}

TEST(MemoTest, QuoteText)
{
    const QString strQuote(QLatin1Char('"'));
    EXPECT_EQ(ScpiReply::QuoteText(QString(), 15), QStringLiteral("\"\""));
    EXPECT_EQ(ScpiReply::QuoteText(QStringLiteral("Load test"), 15), QStringLiteral("\"Load test\""));
    EXPECT_EQ(ScpiReply::QuoteText(QStringLiteral("0123456789ABCDEFGHIJ"), 15),
              QStringLiteral("\"0123456789ABCDE\""));
    EXPECT_EQ(ScpiReply::QuoteText(QStringLiteral("say \"hi\""), 15), QStringLiteral("\"say \"\"hi\"\"\""));
    // Fifteen quotes: the longest memo text that can go out, 32 characters.
    const QString strAllQuotes = ScpiReply::QuoteText(QString(20, QLatin1Char('"')), 15);
    EXPECT_EQ(strAllQuotes.size(), 32);
    EXPECT_EQ(strAllQuotes, QString(32, QLatin1Char('"')));
    // A surrogate pair is not cut in half.
    const QString strEmoji = QString(14, QLatin1Char('a')) + QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_EQ(ScpiReply::QuoteText(strEmoji, 15),
              QStringLiteral("\"") + QString(14, QLatin1Char('a')) + strQuote);
}

TEST(MemoTest, UnquoteText)
{
    struct
    {
        const char* pszReply;
        const char* pszMemo;
    } const cases[] = {
        {"\"Load test\"\n", "Load test"},
        {"\"say \"\"hi\"\"\"\n", "say \"hi\""},
        {"\"\"\n", ""},
        {"Load test\n", ""},
        {"\"unterminated\n", ""},
        {"junk \"x\" junk\n", "x"},
        {"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\n",
         "\"\"\"\"\"\"\"\"\"\"\"\"\"\"\""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScpiReply::UnquoteText(QString::fromUtf8(c.pszReply)), QString::fromUtf8(c.pszMemo))
            << c.pszReply;
}

TEST(ReportTest, OneEntry)
{
    CScpiException e;
    e.m_errors[0].nCode = -113;
    e.m_errors[0].SetMessage(QStringLiteral("\"Undefined header\""));
    EXPECT_EQ(e.GetReport(), QStringLiteral("SCPI Error(s)\n\n(-113) \"Undefined header\"\n"));
}

TEST(ReportTest, LinesFitTheirBufferAndTheListEndsAtAZeroCode)
{
    CScpiException e;
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
}

TEST(ReportTest, AFullExceptionListsAll256)
{
    CScpiException e;
    for (SYSTERR& err : e.m_errors)
        err.nCode = -100;
    EXPECT_EQ(e.GetCount(), 256);
    EXPECT_EQ(e.GetReport().count(QStringLiteral("(-100) \n")), 256);
}

} // namespace
