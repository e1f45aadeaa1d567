#include "model/StoreMemComparison.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <cmath>
#include <functional>
#include <limits>

namespace {

struct COMPARECASE
{
    const char* pszName;
    std::function<void(STOREMEM& a, STOREMEM& b)> fnEdit;
    // "field:A:B" per difference, exact and at the file's precision.
    QStringList exact;
    QStringList filePrecision;
};

QStringList Lines(const std::vector<STOREMEMDIFFERENCE>& differences)
{
    QStringList lines;
    for (const STOREMEMDIFFERENCE& d : differences)
        lines << d.strField + QLatin1Char(':') + d.strA + QLatin1Char(':') + d.strB;
    return lines;
}

TEST(StoreMemComparisonTest, ExactAndAtThePrecisionTheFileKeeps)
{
    const COMPARECASE cases[] = {
        {"same", [](STOREMEM&, STOREMEM&) {}, {}, {}},
        {"below four decimals",
         [](STOREMEM& a, STOREMEM& b) {
             a.Curr = 1.00001f;
             b.Curr = 1.0f;
         },
         {"Curr:1.00001001:1"},
         {}},
        {"a conductance keeps six decimals, as the file does",
         [](STOREMEM& a, STOREMEM& b) {
             a.Cond = 0.123456f;
             b.Cond = 0.1235f;
         },
         {"Cond:0.123456:0.123500"},
         {"Cond:0.123456:0.123500"}},
        {"C memory, low range, in the file's names",
         [](STOREMEM& a, STOREMEM&) { a.Abc[2].Volt_L = 2.5f; },
         {"CMem/Volt_L:2.5000:0.0000"},
         {"CMem/Volt_L:2.5000:0.0000"}},
        {"NaN equals NaN",
         [](STOREMEM& a, STOREMEM& b) { a.Pow = b.Pow = std::numeric_limits<float>::quiet_NaN(); },
         {},
         {}},
        {"the file keeps the low 16 bits of the response",
         [](STOREMEM& a, STOREMEM& b) {
             a.Response = 65536 + 5;
             b.Response = 5;
         },
         {"Response:65541:5"},
         {}},
        {"the count-time switch is on or off",
         [](STOREMEM& a, STOREMEM& b) {
             a.CountTime = 2;
             b.CountTime = 1;
         },
         {"CountTime:2:1"},
         {}},
        {"absent and empty texts are alike",
         [](STOREMEM& a, STOREMEM& b) {
             a.Memo = QString();
             b.Memo = QStringLiteral("");
         },
         {},
         {}},
        {"keywords compare as written",
         [](STOREMEM& a, STOREMEM& b) {
             a.Mode = QStringLiteral("CC");
             b.Mode = QStringLiteral("cc");
         },
         {"Mode:CC:cc"},
         {"Mode:CC:cc"}},
    };
    for (const COMPARECASE& c : cases) {
        STOREMEM a, b;
        c.fnEdit(a, b);
        EXPECT_EQ(Lines(CompareStoreMem(a, b, EStoreMemCompare::Exact)), c.exact) << c.pszName;
        EXPECT_EQ(Lines(CompareStoreMem(a, b, EStoreMemCompare::FilePrecision)), c.filePrecision)
            << c.pszName;
    }
}

TEST(StoreMemComparisonTest, MemoLongerThanTheInstrumentKeepsIsMarked)
{
    const struct
    {
        const char* pszFile;
        const char* pszInstrument;
        bool bTooLong;
    } cases[] = {
        {"0123456789abcdefghijklmno", "0123456789abcde", true},
        {"0123456789abcdef", "something else", true},
        {"0123456789abcde", "0123456789abcdX", false},
    };
    for (const auto& c : cases) {
        STOREMEM a, b;
        a.Memo = QString::fromLatin1(c.pszFile);
        b.Memo = QString::fromLatin1(c.pszInstrument);
        const std::vector<STOREMEMDIFFERENCE> d = CompareStoreMem(a, b, EStoreMemCompare::FilePrecision, 15);
        ASSERT_EQ(d.size(), 1u) << c.pszFile;
        EXPECT_EQ(d[0].strField, QStringLiteral("Memo"));
        EXPECT_EQ(d[0].bMemoTooLong, c.bTooLong) << c.pszFile;
        // Without a limit (two files) no memo is too long.
        EXPECT_FALSE(CompareStoreMem(a, b, EStoreMemCompare::Exact)[0].bMemoTooLong);
    }
}

} // namespace
