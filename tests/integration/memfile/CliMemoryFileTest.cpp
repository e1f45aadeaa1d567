#include "model/XmlDocData.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct RUN
{
    int nExit = -1;
    QString strOut, strErr;
};

// Runs a program of the build, under a decimal-comma locale so that numbers
// must not follow it; a shell prefix sets limits.
RUN Program(const QString& strProgram, const QStringList& args, const QString& strShellPrefix = QString(),
            const QString& strWorkDir = QDir::tempPath())
{
    const QString strPath = QDir(BinaryDir()).filePath(strProgram);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(strWorkDir);
    if (strShellPrefix.isEmpty())
        process.start(strPath, args);
    else
        process.start("/bin/sh", QStringList{"-c", strShellPrefix + " exec \"$0\" \"$@\"", strPath} + args);
    RUN run;
    if (!process.waitForFinished(30000))
        return run;
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.strOut = QString::fromUtf8(process.readAllStandardOutput());
    run.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

RUN Cli(const QStringList& args, const QString& strShellPrefix = QString(),
        const QString& strWorkDir = QDir::tempPath())
{
    return Program("cli/vaultline-cli", args, strShellPrefix, strWorkDir);
}

QByteArray Bytes(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        m.Abc[2].Cond_H = 0.125f;
        ASSERT_TRUE(m_Data.Save(Path("m.xMem")));
    }
    QString Path(const char* psz) const { return m_Dir.filePath(QString::fromUtf8(psz)); }

    QTemporaryDir m_Dir;
    CXmlDocData m_Data;
};

TEST_F(CliMemoryFile, ShowPrintsTheThirtySixRowsWithPointDecimalsAndEscapedBreaks)
{
    const RUN run = Cli({"show", Path("m.xMem"), "--memory", "3"});
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
    EXPECT_EQ(lines[35], "Conductance[S]\t0.0000\t0.0000\t0.1250");

    const QStringList all = Cli({"show", Path("m.xMem")}).strOut.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(all.size(), 100 * 37);
    EXPECT_EQ(all[3 * 37], "Memory 3");
    EXPECT_EQ(all.mid(3 * 37 + 1, 36), lines);
}

TEST_F(CliMemoryFile, UnreadableFilesGiveMessage1002WithThePathAsGivenAndUsageErrorsExit2)
{
    QFile bad(Path("bad.xMem"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<Memories><Memory>");
    bad.close();
    for (const QString& strPath : {QStringLiteral("bad.xMem"), QStringLiteral("./none.xMem"), m_Dir.path()}) {
        const RUN run = Cli({"show", strPath}, QString(), m_Dir.path());
        EXPECT_EQ(run.nExit, 3);
        EXPECT_TRUE(run.strOut.isEmpty());
        EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be read.\n").arg(strPath)))
            << run.strErr.toStdString();
    }
    EXPECT_EQ(Cli({"diff", Path("m.xMem"), Path("bad.xMem")}).nExit, 3);
    EXPECT_EQ(Cli({"copy", Path("bad.xMem"), "1", "2"}).nExit, 3);

    const QStringList usage[] = {{"show"},
                                 {"show", Path("m.xMem"), "--memory", "100"},
                                 {"show", Path("m.xMem"), "--memory", "x"},
                                 {"show", Path("m.xMem"), "--memory"},
                                 {"show", Path("m.xMem"), "--bogus", "1"},
                                 {"copy", Path("m.xMem"), "3"},
                                 {"copy", Path("m.xMem"), "-1", "4"},
                                 {"diff", Path("m.xMem")}};
    for (const QStringList& args : usage)
        EXPECT_EQ(Cli(args).nExit, 2) << args.join(' ').toStdString();
    EXPECT_EQ(Bytes(Path("m.xMem")), m_Data.ToBytes());
}

TEST_F(CliMemoryFile, CopyOverwritesTheTargetAndDiffReportsIt)
{
    const RUN copy = Cli({"copy", Path("m.xMem"), "3", "10", "--output", Path("out.xMem")});
    ASSERT_EQ(copy.nExit, 0) << copy.strErr.toStdString();
    const RUN diff = Cli({"diff", Path("m.xMem"), Path("out.xMem")});
    EXPECT_EQ(diff.nExit, 1);
    EXPECT_EQ(diff.strOut, "Memory 10\n"
                           "\tMemo\t\tBatt\\ndischarge\\tslow\n"
                           "\tMode\tCC\tCR\n"
                           "\tCurr\t0.0000\t1.5000\n"
                           "\tResponse\t0\t-3\n"
                           "\tCMem/Cond_H\t0.000000\t0.125000\n");
    EXPECT_EQ(Cli({"diff", Path("out.xMem"), Path("out.xMem")}).nExit, 0);

    // Without --output the file itself is saved.
    ASSERT_EQ(Cli({"copy", Path("m.xMem"), "3", "10"}).nExit, 0);
    EXPECT_EQ(Bytes(Path("m.xMem")), Bytes(Path("out.xMem")));
}

// A save that runs out of room part-way (here the file-size limit, which
// binds root too) reports message 1003 and leaves the old file whole.
TEST_F(CliMemoryFile, FailedSaveLeavesTheOldFileByteForByte)
{
    const QByteArray before = Bytes(Path("m.xMem"));
    ASSERT_GT(before.size(), 8 * 1024);
    const RUN run = Cli({"copy", Path("m.xMem"), "3", "10"}, "trap '' XFSZ; ulimit -f 8;");
    EXPECT_EQ(run.nExit, 3) << run.strErr.toStdString();
    EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be writen.").arg(Path("m.xMem"))))
        << run.strErr.toStdString();
    EXPECT_EQ(Bytes(Path("m.xMem")), before);
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files), QStringList{"m.xMem"});
}

TEST(CliExample, TheShippedExampleShowsAndIsWhatItsGeneratorWrites)
{
    const QString strExample = QDir(FixturePath(QString())).filePath("../../examples/bench-setup.xMem");
    const RUN run = Cli({"show", strExample, "--memory", "0"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    EXPECT_EQ(run.strOut.count('\n'), 36);
    EXPECT_TRUE(run.strOut.contains("Memo\tBatt dischg 1C\t\t\n"));

    QTemporaryDir dir;
    const QString strFresh = dir.filePath("fresh.xMem");
    ASSERT_EQ(Program("tests/integration/memfile/make-bench-setup", {strFresh}).nExit, 0);
    EXPECT_EQ(Bytes(strExample), Bytes(strFresh))
        << "regenerate examples/bench-setup.xMem with make-bench-setup";
}

} // namespace
