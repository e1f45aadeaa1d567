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
    QString strOut;
    QString strErr;
};

// Runs vaultline-cli with the arguments through a shell prefix (for limits),
// under a decimal-comma locale so that numbers must not follow it.
RUN Cli(const QStringList& args, const QString& strShellPrefix = QString(),
        const QString& strWorkDir = QString())
{
    const QString strCli = QDir(BinaryDir()).filePath(QStringLiteral("cli/vaultline-cli"));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(strWorkDir.isEmpty() ? QDir::tempPath() : strWorkDir);
    if (strShellPrefix.isEmpty()) {
        process.start(strCli, args);
    } else {
        QString strCommand = strShellPrefix + QStringLiteral(" exec \"$0\" \"$@\"");
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"), strCommand, strCli} + args);
    }
    RUN run;
    if (!process.waitForFinished(30000))
        return run;
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.strOut = QString::fromUtf8(process.readAllStandardOutput());
    run.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
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
    QByteArray Bytes(const char* psz) const
    {
        QFile file(Path(psz));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_Dir;
    CXmlDocData m_Data;
};

TEST_F(CliMemoryFile, ShowPrintsTheThirtySixRowsWithPointDecimalsAndEscapedBreaks)
{
    const RUN run =
        Cli({QStringLiteral("show"), Path("m.xMem"), QStringLiteral("--memory"), QStringLiteral("3")});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    const QStringList lines = run.strOut.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 36);
    for (const QString& line : lines)
        EXPECT_EQ(line.count(QLatin1Char('\t')), 3) << line.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Default\t\t\t"));
    EXPECT_EQ(lines[2], QStringLiteral("Memo\tBatt\\ndischarge\\tslow\t\t"));
    EXPECT_EQ(lines[3], QStringLiteral("Mode\tCR\t\t"));
    EXPECT_EQ(lines[7], QStringLiteral("Current[A]\t1.5000\t0.0000\tTRIP"));
    EXPECT_EQ(lines[9], QStringLiteral("Voltage[V]\t0.0000\t0.0000\t-"));
    EXPECT_EQ(lines[15], QStringLiteral("Response\t-3\t\t"));
    EXPECT_EQ(lines[35], QStringLiteral("Conductance[S]\t0.0000\t0.0000\t0.1250"));

    const RUN all = Cli({QStringLiteral("show"), Path("m.xMem")});
    ASSERT_EQ(all.nExit, 0);
    const QStringList allLines = all.strOut.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(allLines.size(), 100 * 37);
    EXPECT_EQ(allLines[0], QStringLiteral("Memory 0"));
    EXPECT_EQ(allLines[3 * 37], QStringLiteral("Memory 3"));
    EXPECT_EQ(allLines.mid(3 * 37 + 1, 36), lines);
}

TEST_F(CliMemoryFile, UnreadableFilesGiveMessage1002WithThePathAsGiven)
{
    QFile bad(Path("bad.xMem"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("<Memories><Memory>");
    bad.close();
    for (const QString& strPath : {QStringLiteral("bad.xMem"), QStringLiteral("./none.xMem"), m_Dir.path()}) {
        const RUN run = Cli({QStringLiteral("show"), strPath}, QString(), m_Dir.path());
        EXPECT_EQ(run.nExit, 3);
        EXPECT_TRUE(run.strOut.isEmpty());
        EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be read.\n").arg(strPath)))
            << run.strErr.toStdString();
    }
    EXPECT_EQ(Cli({QStringLiteral("diff"), Path("m.xMem"), Path("bad.xMem")}).nExit, 3);
    EXPECT_EQ(Cli({QStringLiteral("copy"), Path("bad.xMem"), QStringLiteral("1"), QStringLiteral("2")}).nExit,
              3);
}

TEST_F(CliMemoryFile, UsageErrorsExitWith2)
{
    const QStringList cases[] = {
        {QStringLiteral("show")},
        {QStringLiteral("show"), Path("m.xMem"), QStringLiteral("--memory"), QStringLiteral("100")},
        {QStringLiteral("show"), Path("m.xMem"), QStringLiteral("--memory"), QStringLiteral("x")},
        {QStringLiteral("show"), Path("m.xMem"), QStringLiteral("--memory")},
        {QStringLiteral("show"), Path("m.xMem"), QStringLiteral("--bogus"), QStringLiteral("1")},
        {QStringLiteral("copy"), Path("m.xMem"), QStringLiteral("3")},
        {QStringLiteral("copy"), Path("m.xMem"), QStringLiteral("-1"), QStringLiteral("4")},
        {QStringLiteral("diff"), Path("m.xMem")},
    };
    for (const QStringList& args : cases)
        EXPECT_EQ(Cli(args).nExit, 2) << args.join(' ').toStdString();
    EXPECT_EQ(Bytes("m.xMem"), m_Data.ToBytes());
}

TEST_F(CliMemoryFile, CopyOverwritesTheTargetAndDiffReportsIt)
{
    const RUN copy = Cli({QStringLiteral("copy"), Path("m.xMem"), QStringLiteral("3"), QStringLiteral("10"),
                          QStringLiteral("--output"), Path("out.xMem")});
    ASSERT_EQ(copy.nExit, 0) << copy.strErr.toStdString();
    CXmlDocData out;
    out.Reset();
    ASSERT_TRUE(out.Load(Path("out.xMem")));
    const STOREMEM& m10 = *out.GetContainer().GetAt(10);
    EXPECT_EQ(m10.Memo, QStringLiteral("Batt\r\ndischarge\tslow"));
    EXPECT_EQ(m10.Response, -3);
    EXPECT_EQ(m10.Abc[2].Cond_H, 0.125f);

    const RUN diff = Cli({QStringLiteral("diff"), Path("m.xMem"), Path("out.xMem")});
    EXPECT_EQ(diff.nExit, 1);
    EXPECT_EQ(diff.strOut, QStringLiteral("Memory 10\n"
                                          "\tMemo\t\tBatt\\ndischarge\\tslow\n"
                                          "\tMode\tCC\tCR\n"
                                          "\tCurr\t0.0000\t1.5000\n"
                                          "\tResponse\t0\t-3\n"
                                          "\tCMem/Cond_H\t0.000000\t0.125000\n"));
    EXPECT_EQ(Cli({QStringLiteral("diff"), Path("out.xMem"), Path("out.xMem")}).nExit, 0);

    // Without --output the file itself is saved.
    ASSERT_EQ(Cli({QStringLiteral("copy"), Path("m.xMem"), QStringLiteral("3"), QStringLiteral("10")}).nExit,
              0);
    EXPECT_EQ(Bytes("m.xMem"), Bytes("out.xMem"));
}

// A save that runs out of room part-way (here the file-size limit, which
// binds root too) reports message 1003 and leaves the old file whole.
TEST_F(CliMemoryFile, FailedSaveLeavesTheOldFileByteForByte)
{
    const QByteArray before = Bytes("m.xMem");
    ASSERT_GT(before.size(), 8 * 1024);
    const RUN run = Cli({QStringLiteral("copy"), Path("m.xMem"), QStringLiteral("3"), QStringLiteral("10")},
                        QStringLiteral("trap '' XFSZ; ulimit -f 8;"));
    EXPECT_EQ(run.nExit, 3) << run.strErr.toStdString();
    EXPECT_TRUE(run.strErr.startsWith(QStringLiteral("The file %1 could not be writen.").arg(Path("m.xMem"))))
        << run.strErr.toStdString();
    EXPECT_EQ(Bytes("m.xMem"), before);
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("m.xMem")});
}

TEST(CliExample, TheShippedExampleShowsAndIsWhatItsGeneratorWrites)
{
    const QString strExample =
        QDir(FixturePath(QString())).filePath(QStringLiteral("../../examples/bench-setup.xMem"));
    const RUN run =
        Cli({QStringLiteral("show"), strExample, QStringLiteral("--memory"), QStringLiteral("0")});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    EXPECT_EQ(run.strOut.count(QLatin1Char('\n')), 36);
    EXPECT_TRUE(run.strOut.contains(QStringLiteral("Memo\tBatt discharge 1C\t\t\n")));

    QTemporaryDir dir;
    const QString strFresh = dir.filePath(QStringLiteral("fresh.xMem"));
    QProcess generator;
    generator.start(QDir(BinaryDir()).filePath(QStringLiteral("tests/integration/memfile/make-bench-setup")),
                    {strFresh});
    ASSERT_TRUE(generator.waitForFinished(30000));
    ASSERT_EQ(generator.exitCode(), 0);
    QFile example(strExample);
    QFile fresh(strFresh);
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    ASSERT_TRUE(fresh.open(QIODevice::ReadOnly));
    EXPECT_EQ(example.readAll(), fresh.readAll())
        << "regenerate examples/bench-setup.xMem with make-bench-setup";
}

} // namespace
