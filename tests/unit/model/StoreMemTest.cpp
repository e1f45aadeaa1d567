#include "model/XmlDocData.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectDefault(const STOREMEM& m)
{
    EXPECT_TRUE(m.Memo.isEmpty());
    EXPECT_EQ(m.Mode, "CC");
    EXPECT_EQ(m.Crange, "HIGH");
    EXPECT_EQ(m.Vrange, "HIGH");
    EXPECT_EQ(m.CurrProtectAction, "TRIP");
    EXPECT_EQ(m.PowProtectAction, "TRIP");
    for (float f : {m.Curr, m.CurrProtect, m.Pow, m.PowProtect, m.Volt, m.VoltProtect, m.Cond, m.SoftStartTime,
                    m.SlewRate, m.PulseFreq, m.PulseDuty, m.InputTime})
        EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(m.CountTime, 0);
    EXPECT_EQ(m.Response, 0);
    for (const ABCMEM& abc : m.Abc) {
        const float* p = &abc.Curr_H;
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(p[i], 0.0f);
    }
}

TEST(XmlDocData, ResetHoldsExactlyOneHundredDefaultRecords)
{
    CXmlDocData data;
    EXPECT_EQ(data.GetContainer().GetCount(), 0);
    data.Reset();
    STOREMEM* pFirst = data.GetContainer().GetAt(0);
    pFirst->Mode = "CV";
    data.Reset(); // deletes the previous 100 first: the count stays 100
    ASSERT_EQ(data.GetContainer().GetCount(), 100);
    EXPECT_EQ(data.GetContainer().GetAllocated(), 100);
    for (int i = 0; i < 100; ++i)
        ExpectDefault(*data.GetContainer().GetAt(i));
}

TEST(StoreMem, CopyKeepsEveryFieldAndSelfAssignmentChangesNothing)
{
    STOREMEM m;
    m.Memo = "line 1\r\nline 2";
    m.Mode = "CP";
    m.Response = -3;
    m.CountTime = 5;
    m.Cond = std::nanf("");
    m.Abc[2].Volt_M = 12.5f;
    STOREMEM& alias = m;
    m = alias;
    STOREMEM copy;
    copy = m;
    EXPECT_EQ(copy.Memo, m.Memo);
    EXPECT_EQ(copy.Mode, "CP");
    EXPECT_EQ(copy.Response, -3);
    EXPECT_EQ(copy.CountTime, 5);
    EXPECT_TRUE(std::isnan(copy.Cond));
    EXPECT_EQ(copy.Abc[2].Volt_M, 12.5f);
    EXPECT_EQ(m.Abc[2].Volt_M, 12.5f);
}

} // namespace
