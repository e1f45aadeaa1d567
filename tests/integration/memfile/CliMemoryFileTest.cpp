#include "integration/memfile/RunCli.h"
#include "model/XmlDocData.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

class CliMemoryFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        m_Data.Reset();
        STOREMEM& m = *m_Data.GetContainer().GetAt(3);
        m.Memo = QStringLiteral("Batt\r\ndischarge\tslow");
        m.Mode = QStringLiteral("CR");
        m.Curr = 1.5f;
        m.Response = -3;
        m.Abc[0].Curr_L = 2.25f;
        m.Abc[1].Volt_M = 77.0f; // in the file, but in no cell of the form
        m.Abc[2].Cond_H = 0.125f;
        ASSERT_TRUE(m_Data.Save(Path("m.xMem")));
    }
    QString Path(const char* psz) const { return m_Dir.filePath(QString::fromUtf8(psz)); }

    QTemporaryDir m_Dir;
    CXmlDocData m_Data;
};

TEST_F(CliMemoryFile, ShowPrintsTheThirtySixRowsWithPointDecimalsAndEscapedBreaks)
{
    const RUN run = RunCli({"show", Path("m.xMem"), "--memory", "3"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    const QStringList lines = run.strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 36);
    for (const QString& line : lines)
        EXPECT_EQ(line.count('\t'), 3) << line.toStdString();
    EXPECT_EQ(lines[0], "Default\t\t\t");
    EXPECT_EQ(lines[2], "Memo\tBatt\\ndischarge\\tslow\t\t");
    EXPECT_EQ(lines[7], "Current[A]\t1.5000\t0.0000\tTRIP");
    EXPECT_EQ(lines[9], "Voltage[V]\t0.0000\t0.0000\t-");
    EXPECT_EQ(lines[15], "Response\t-3\t\t");
    EXPECT_EQ(lines[22], "Current[A]\t2.2500\t0.0000\t0.0000");
    EXPECT_EQ(lines[35], "Conductance[S]\t0.0000\t0.0000\t0.1250");
    EXPECT_FALSE(run.strOut.contains("77.0000"));

    const QStringList all = RunCli({"show", Path("m.xMem")}).strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(all.size(), 100 * 37);
    EXPECT_EQ(all[3 * 37], "Memory 3");
    EXPECT_EQ(all.mid(3 * 37 + 1, 36), lines);
}

TEST_F(CliMemoryFile, UnreadableFilesGiveMessage1002WithThePathAsGivenAndUsageErrorsExit2)
{
    ASSERT_TRUE(WriteFileBytes(Path("bad.xMem"), "<Memories><Memory>"));
    for (const QString& strPath : {QStringLiteral("bad.xMem"), QStringLiteral("./none.xMem"), m_Dir.path()}) {
        const RUN run = RunCli({"show", strPath}, QString(), m_Dir.path());
        EXPECT_EQ(run.nExit, 3);
        EXPECT_TRUE(run.strOut.isEmpty());
        EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be read.\n").arg(strPath)))
            << run.strErr.toStdString();
    }
    EXPECT_EQ(RunCli({"diff", Path("m.xMem"), Path("bad.xMem")}).nExit, 3);
    EXPECT_EQ(RunCli({"copy", Path("bad.xMem"), "1", "2"}).nExit, 3);

    const QString strFile = Path("m.xMem");
    // clang-format off
    const QStringList usage[] = {{"show"}, {"show", strFile, "--memory", "100"}, {"show", strFile, "--memory", "x"},
        {"show", strFile, "--memory"}, {"show", strFile, "--bogus", "1"}, {"copy", strFile, "3"},
        {"copy", strFile, "-1", "4"}, {"diff", strFile}};
    // clang-format on
    for (const QStringList& args : usage)
        EXPECT_EQ(RunCli(args).nExit, 2) << args.join(' ').toStdString();
    EXPECT_EQ(FileBytes(Path("m.xMem")), m_Data.ToBytes());
}

TEST_F(CliMemoryFile, CopyOverwritesTheTargetAndDiffReportsIt)
{
    const RUN copy = RunCli({"copy", Path("m.xMem"), "3", "10", "--output", Path("out.xMem")});
    ASSERT_EQ(copy.nExit, 0) << copy.strErr.toStdString();
    const RUN diff = RunCli({"diff", Path("m.xMem"), Path("out.xMem")});
    EXPECT_EQ(diff.nExit, 1);
    EXPECT_EQ(diff.strOut, "Memory 10\n"
                           "\tMemo\t\tBatt\\ndischarge\\tslow\n"
                           "\tMode\tCC\tCR\n"
                           "\tCurr\t0.0000\t1.5000\n"
                           "\tResponse\t0\t-3\n"
                           "\tAMem/Curr_L\t0.0000\t2.2500\n"
                           "\tBMem/Volt_M\t0.0000\t77.0000\n"
                           "\tCMem/Cond_H\t0.000000\t0.125000\n");
    EXPECT_EQ(RunCli({"diff", Path("out.xMem"), Path("out.xMem")}).nExit, 0);

    // Without --output the file itself is saved.
    ASSERT_EQ(RunCli({"copy", Path("m.xMem"), "3", "10"}).nExit, 0);
    EXPECT_EQ(FileBytes(Path("m.xMem")), FileBytes(Path("out.xMem")));
}

// A save that runs out of room part-way (here the file-size limit, which
// binds root too) reports IDS_FILE_NOT_WRITTEN and leaves the old file whole.
TEST_F(CliMemoryFile, FailedSaveLeavesTheOldFileByteForByte)
{
    const QByteArray before = FileBytes(Path("m.xMem"));
    ASSERT_GT(before.size(), 8 * 1024);
    const RUN run = RunCli({"copy", Path("m.xMem"), "3", "10"}, "trap '' XFSZ; ulimit -f 8;");
    EXPECT_EQ(run.nExit, 3) << run.strErr.toStdString();
    EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be writen.").arg(Path("m.xMem"))))
        << run.strErr.toStdString();
    EXPECT_EQ(FileBytes(Path("m.xMem")), before);
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files), QStringList{"m.xMem"});
}

TEST(CliExample, TheShippedExampleIsWhatItsGeneratorWrites)
{
    const QString strExample = QDir(FixturePath(QString())).filePath("../../examples/bench-setup.xMem");
    QTemporaryDir dir;
    const QString strFresh = dir.filePath("fresh.xMem");
    ASSERT_EQ(
        RunCli({strFresh}, {}, QDir::tempPath(), -1, "tests/integration/memfile/make-bench-setup").nExit, 0);
    EXPECT_EQ(FileBytes(strExample), FileBytes(strFresh))
        << "regenerate examples/bench-setup.xMem with make-bench-setup";
}

} // namespace
