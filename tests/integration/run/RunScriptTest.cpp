#include "integration/memfile/RunCli.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

// scripts/run.sh as a newcomer without a display meets it: it starts the
// simulated instrument, says that there is no display, downloads every memory
// with vaultline-cli and shows memory 0, then stops the simulator.
namespace {

const QString s_strSource = QStringLiteral(VAULTLINE_SOURCE_DIR);

class RunScriptTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // bash with args (none: the run script) where there is no display, with
    // the programs of this build and nothing built anew.
    RUN Bash(const QStringList& args = {}) const
    {
        return RunProgram(QStringLiteral("bash"),
                          args.isEmpty() ? QStringList{s_strSource + QStringLiteral("/scripts/run.sh")}
                                         : args,
                          m_dir.path(),
                          {{"DISPLAY", ""},
                           {"WAYLAND_DISPLAY", ""},
                           {"VAULTLINE_NO_BUILD", "1"},
                           {"VAULTLINE_BUILD_DIR", BinaryDir()},
                           {"VAULTLINE_SIM_LINK", m_strLink},
                           {"VAULTLINE_VISA_PROVIDER", "builtin"},
                           {"TMPDIR", m_dir.path()}});
    }

    QTemporaryDir m_dir;
    const QString m_strLink = m_dir.filePath(QStringLiteral("dxr9k"));
};

TEST_F(RunScriptTest, WithoutADisplayDownloadsWithTheCommandLineToolAndShowsMemoryZero)
{
    const RUN run = Bash();
    ASSERT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strErr.contains(QStringLiteral("no display"))) << qPrintable(run.strErr);
    const QString strResource = QStringLiteral("ASRL") + m_strLink + QStringLiteral("::INSTR");
    EXPECT_TRUE(run.strErr.contains(strResource)) << qPrintable(run.strErr);

    // What came from the simulator is memory 0 of the example file it started with.
    const RUN expected = Bash({QStringLiteral("-c"), QStringLiteral("\"$0\" show \"$1\" --memory 0"),
                               BinaryDir() + QStringLiteral("/cli/vaultline-cli"),
                               s_strSource + QStringLiteral("/examples/bench-setup.xMem")});
    ASSERT_EQ(expected.nExit, 0);
    EXPECT_EQ(run.strOut, expected.strOut);
    EXPECT_TRUE(run.strOut.contains(QStringLiteral("Batt dischg 1C")));
    // And so is every other memory.
    EXPECT_TRUE(run.strErr.contains(QStringLiteral("The two files hold the same store memories.")))
        << qPrintable(run.strErr);

    // The simulator has ended (it removes its device name) and the session's
    // files are gone.
    EXPECT_FALSE(QFileInfo(m_strLink).isSymLink());
    EXPECT_TRUE(
        QDir(m_dir.path()).entryList({QStringLiteral("vaultline-run.*")}, QDir::AllEntries).isEmpty());
}

TEST_F(RunScriptTest, ASimulatorThatCannotStartIsReported)
{
    // A plain file where the device name should go: the simulator refuses it.
    ASSERT_TRUE(WriteFileBytes(m_strLink, QByteArray()));
    const RUN run = Bash();
    EXPECT_EQ(run.nExit, 1);
    EXPECT_TRUE(run.strErr.contains(QStringLiteral("did not start"))) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strOut.isEmpty());
}

} // namespace
