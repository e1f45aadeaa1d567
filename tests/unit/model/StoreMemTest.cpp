#include "model/XmlDocData.h"
#include "tests/unit/model/Records.h"

namespace {

TEST(XmlDocData, ResetReplacesTheRecordsWithExactlyOneHundredDefaults)
{
    CXmlDocData data;
    EXPECT_EQ(data.GetContainer().GetCount(), 0);
    data.Reset();
    data.GetContainer().GetAt(0)->Mode = "CV";
    data.Reset(); // deletes the previous 100 first: the count stays 100
    ASSERT_EQ(data.GetContainer().GetCount(), 100);
    EXPECT_EQ(data.GetContainer().GetAllocated(), 100);
    const STOREMEM defaults;
    EXPECT_TRUE(defaults.Memo.isEmpty() && defaults.Mode == "CC" && defaults.PowProtectAction == "TRIP");
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(SameRecord(*data.GetContainer().GetAt(i), defaults)) << i;
    STOREMEM changed; // the comparison the other tests rely on sees the last field too
    changed.Abc[2].Volt_L = 1;
    EXPECT_FALSE(SameRecord(changed, defaults));
}

} // namespace
