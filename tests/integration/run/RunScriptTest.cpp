#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// scripts/run.sh as a newcomer without a display meets it: it starts the
// simulated instrument, says that there is no display, downloads every memory
// with vaultline-cli and shows memory 0, then stops the simulator.
namespace {

const QString s_strSource = QStringLiteral(VAULTLINE_SOURCE_DIR);

struct RUNRESULT
{
    int nExitCode = -1;
    QString strOut;
    QString strErr;
};

RUNRESULT RunBash(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("bash"), args);
    RUNRESULT result;
    if (!process.waitForFinished(90000)) {
        process.kill();
        process.waitForFinished();
    }
    result.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.strOut = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

class RunScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_strLink = m_dir.filePath(QStringLiteral("dxr9k"));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.remove(QStringLiteral("DISPLAY"));
        m_env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString());
        m_env.insert(QStringLiteral("VAULTLINE_NO_BUILD"), QStringLiteral("1"));
        m_env.insert(QStringLiteral("VAULTLINE_BUILD_DIR"), BinaryDir());
        m_env.insert(QStringLiteral("VAULTLINE_SIM_LINK"), m_strLink);
        m_env.insert(QStringLiteral("VAULTLINE_VISA_PROVIDER"), QStringLiteral("builtin"));
        m_env.insert(QStringLiteral("TMPDIR"), m_dir.path());
    }

    QTemporaryDir m_dir;
    QString m_strLink;
    QProcessEnvironment m_env;
};

TEST_F(RunScriptTest, WithoutADisplayDownloadsWithTheCommandLineToolAndShowsMemoryZero)
{
    const RUNRESULT run = RunBash({s_strSource + QStringLiteral("/scripts/run.sh")}, m_env);
    ASSERT_EQ(run.nExitCode, 0) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strErr.contains(QStringLiteral("no display"))) << qPrintable(run.strErr);
    const QString strResource = QStringLiteral("ASRL") + m_strLink + QStringLiteral("::INSTR");
    EXPECT_TRUE(run.strErr.contains(strResource)) << qPrintable(run.strErr);

    // What came from the simulator is memory 0 of the example file it started with.
    const RUNRESULT expected = RunBash({QStringLiteral("-c"), QStringLiteral("\"$0\" show \"$1\" --memory 0"),
                                        BinaryDir() + QStringLiteral("/cli/vaultline-cli"),
                                        s_strSource + QStringLiteral("/examples/bench-setup.xMem")},
                                       m_env);
    ASSERT_EQ(expected.nExitCode, 0);
    EXPECT_EQ(run.strOut, expected.strOut);
    EXPECT_TRUE(run.strOut.contains(QStringLiteral("Batt dischg 1C")));

    // The simulator has ended (it removes its device name) and the session's
    // files are gone.
    EXPECT_FALSE(QFileInfo(m_strLink).isSymLink());
    EXPECT_TRUE(
        QDir(m_dir.path()).entryList({QStringLiteral("vaultline-run.*")}, QDir::AllEntries).isEmpty());
}

TEST_F(RunScriptTest, ASimulatorThatCannotStartIsReported)
{
    // A plain file where the device name should go: the simulator refuses it.
    QFile blocker(m_strLink);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const RUNRESULT run = RunBash({s_strSource + QStringLiteral("/scripts/run.sh")}, m_env);
    EXPECT_EQ(run.nExitCode, 1);
    EXPECT_TRUE(run.strErr.contains(QStringLiteral("did not start"))) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strOut.isEmpty());
}

} // namespace
