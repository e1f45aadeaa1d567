#include "model/StoreMemFields.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// One address reads a const record and writes a writable one; the A, B and C
// values of a quantity are three fields, not one.
TEST(StoreMemFieldsTest, OneAddressReadsAndWritesTheSameField)
{
    STOREMEM mem;
    const STOREMEMFIELDREF bCondM(1, &ABCMEM::Cond_M), pow(&STOREMEM::Pow), memo(&STOREMEM::Memo);
    *bCondM.Float(mem) = 2.5f;
    *pow.Float(mem) = 7;
    *memo.Text(mem) = QStringLiteral("bench");
    const STOREMEM& readOnly = mem;
    EXPECT_EQ(readOnly.Abc[1].Cond_M, 2.5f);
    EXPECT_EQ(readOnly.Abc[0].Cond_M, 0.0f);
    EXPECT_EQ(*pow.Float(readOnly), 7.0f);
    EXPECT_EQ(*memo.Text(readOnly), QStringLiteral("bench"));
    // A field of another type is not there.
    EXPECT_EQ(memo.Float(readOnly), nullptr);
    EXPECT_EQ(pow.Int(readOnly), nullptr);
    EXPECT_EQ(bCondM.Text(readOnly), nullptr);

    EXPECT_EQ(bCondM, STOREMEMFIELDREF(1, &ABCMEM::Cond_M));
    EXPECT_NE(bCondM, STOREMEMFIELDREF(2, &ABCMEM::Cond_M));
    EXPECT_NE(bCondM, STOREMEMFIELDREF(1, &ABCMEM::Cond_H));
    EXPECT_NE(pow, STOREMEMFIELDREF(&STOREMEM::PowProtect));
    EXPECT_NE(pow, STOREMEMFIELDREF());
}

// Names and decimals as the memory file writes them.
TEST(StoreMemFieldsTest, FieldsAreDescribedAsTheMemoryFileNamesThem)
{
    const std::tuple<STOREMEMFIELDREF, const char*, int> cases[] = {
        {&STOREMEM::Pow, "Pow", 4},
        {&STOREMEM::Cond, "Cond", 6},
        {&STOREMEM::Memo, "Memo", 0},
        {&STOREMEM::Response, "Response", 0},
        {{0, &ABCMEM::Curr_L}, "AMem/Curr_L", 4},
        {{1, &ABCMEM::Cond_M}, "BMem/Cond_M", 6},
        {{2, &ABCMEM::Volt_H}, "CMem/Volt_H", 4},
        {{}, "", 4},
    };
    for (const auto& [field, pszName, nPrecision] : cases) {
        const STOREMEMFIELDINFO info = DescribeField(field);
        EXPECT_EQ(info.strName, QLatin1String(pszName)) << pszName;
        EXPECT_EQ(info.nPrecision, nPrecision) << pszName;
    }
}

} // namespace
