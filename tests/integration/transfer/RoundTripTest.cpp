// What is uploaded and downloaded again is what the file held, byte for byte:
// the example bench and a file whose conductances use all 6 decimals the
// memory file keeps (they once went to the instrument with 4).

#include "integration/transfer/PatternFiles.h"

#include "model/XmlDocData.h"

#include <gtest/gtest.h>

namespace {

using RoundTripTest = PatternFiles<>;

TEST_F(RoundTripTest, UploadThenDownloadGivesTheSameFile)
{
    CXmlDocData data;
    data.Reset();
    for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i) {
        STOREMEM& mem = *data.GetContainer().GetAt(i);
        mem = Pattern(i, 4);
        mem.Memo = mem.Memo.left(15); // what the instrument keeps
        mem.Cond = 0.000001f * static_cast<float>(i * 7919 % 1000000) + 0.5f;
        for (ABCMEM& abc : mem.Abc)
            abc.Cond_L = abc.Cond_M = abc.Cond_H = 1.178001f + 0.000123f * static_cast<float>(i);
    }
    data.GetContainer().GetAt(3)->SlewRate = 0.03125f; // a tie at four decimals
    const QString strCond = Path("cond6.xMem");
    ASSERT_TRUE(data.Save(strCond));

    const QString strExample = QDir(FixturePath(QString())).filePath("../../examples/bench-setup.xMem");
    for (const QString& strFile : {strExample, strCond}) {
        CSimProcess sim;
        const RUN up = RunCli({"upload", strFile, sim.Resource()});
        ASSERT_EQ(up.nExit, 0) << qPrintable(up.strErr);
        const QString strBack = Path("back.xMem");
        const RUN down = RunCli({"download", sim.Resource(), strBack});
        ASSERT_EQ(down.nExit, 0) << qPrintable(down.strErr);
        EXPECT_EQ(FileBytes(strBack), FileBytes(strFile)) << qPrintable(strFile);
    }
}

} // namespace
