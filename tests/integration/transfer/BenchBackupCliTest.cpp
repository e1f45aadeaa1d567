// vaultline-cli backup and restore against several dxr9k-sim at once.

#include "integration/transfer/PatternFiles.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

QJsonValue Field(const QJsonArray& array, int i, const char* pszKey)
{
    return array.at(i).toObject().value(QLatin1String(pszKey));
}

class BenchBackupCliTest : public PatternFiles<>
{
protected:
    static QStringList Idn(const char* pszSerial)
    {
        return {"--idn", QStringLiteral("TALVERO,DXR-9K,%1,1.05").arg(QLatin1String(pszSerial))};
    }
};

TEST_F(BenchBackupCliTest, BackupWritesACompletedFilePerSerialAndReportsTheSilentOne)
{
    CSimProcess a(Idn("TVA00001") + QStringList{"--state", Save("a.xMem", 1)});
    CSimProcess b(Idn("TVB00002") + QStringList{"--state", Save("b.xMem", 2)});
    // Identifies itself, then goes silent in the middle of the download.
    CSimProcess c(Idn("TVC00003") + QStringList{"--silent-after", "40"});
    ASSERT_FALSE(a.Resource().isEmpty() || b.Resource().isEmpty() || c.Resource().isEmpty());
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("bench"));
    const QString strDir = Path("bench");

    const RUN run = RunCli({"backup", a.Resource(), b.Resource(), c.Resource(), "--dir", strDir, "--json"});
    EXPECT_EQ(run.nExit, 5) << qPrintable(run.strErr); // the timeout of the silent one
    EXPECT_TRUE(Holds(strDir + "/DXR-9K-TVA00001.xMem", 1));
    EXPECT_TRUE(Holds(strDir + "/DXR-9K-TVB00002.xMem", 2));
    EXPECT_EQ(QDir(strDir).entryList(QDir::Files | QDir::Hidden),
              QStringList({"DXR-9K-TVA00001.xMem", "DXR-9K-TVB00002.xMem"}));

    const QStringList lines = run.strErr.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << qPrintable(run.strErr);
    EXPECT_TRUE(lines[0].startsWith("Resource")) << qPrintable(lines[0]);
    EXPECT_TRUE(lines[1].contains("TVA00001") && lines[1].contains("completed"));
    EXPECT_TRUE(lines[3].contains("TVC00003") && lines[3].contains("failed: Timeout expired"))
        << qPrintable(lines[3]);
    EXPECT_EQ(lines[4], "2 of 3 instruments completed.");

    const QJsonArray summary = QJsonDocument::fromJson(run.strOut.toUtf8()).array();
    ASSERT_EQ(summary.size(), 3) << qPrintable(run.strOut);
    EXPECT_EQ(Field(summary, 0, "Serial"), QJsonValue("TVA00001"));
    EXPECT_EQ(Field(summary, 0, "Completed"), QJsonValue(true));
    EXPECT_EQ(Field(summary, 0, "File"), QJsonValue(strDir + "/DXR-9K-TVA00001.xMem"));
    EXPECT_EQ(Field(summary, 2, "Completed"), QJsonValue(false));
    EXPECT_EQ(Field(summary, 2, "ExitCode"), QJsonValue(5));
    EXPECT_EQ(Field(summary, 2, "File"), QJsonValue(""));
    // Side by side: the whole run is about the silent one's timeout, not the sum.
    EXPECT_LT(run.nMilliseconds, 15000);
}

TEST_F(BenchBackupCliTest, RestoreSendsEachInstrumentTheFileWithItsSerialAndRefusesOneWithout)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("bench"));
    const QString strDir = Path("bench");
    QFile::copy(Save("a.xMem", 4), strDir + "/DXR-9K-TVA00001.xMem");
    QFile::copy(Save("b.xMem", 5), strDir + "/DXR-9K-TVB00002.xMem");
    const QString strStateA = Save("state-a.xMem", -1);
    const QString strStateB = Save("state-b.xMem", -1);
    const QString strStateC = Save("state-c.xMem", 6);
    auto a = std::make_unique<CSimProcess>(Idn("TVA00001") + QStringList{"--state", strStateA});
    auto b = std::make_unique<CSimProcess>(Idn("TVB00002") + QStringList{"--state", strStateB});
    auto c = std::make_unique<CSimProcess>(Idn("TVX99999") + QStringList{"--state", strStateC});

    // Given in another order than the files sort, and one at a time.
    const RUN run = RunCli(
        {"restore", "--dir", strDir, b->Resource(), c->Resource(), a->Resource(), "--verify", "--jobs", "1"});
    EXPECT_EQ(run.nExit, 3) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strErr.contains("failed: no file DXR-9K-TVX99999.xMem in the folder"))
        << qPrintable(run.strErr);
    EXPECT_TRUE(run.strErr.contains("2 of 3 instruments completed.")) << qPrintable(run.strErr);
    a.reset(); // the simulators save their memories as they end
    b.reset();
    c.reset();
    EXPECT_TRUE(Holds(strStateA, 4));
    EXPECT_TRUE(Holds(strStateB, 5));
    EXPECT_TRUE(Holds(strStateC, 6)); // untouched
}

TEST_F(BenchBackupCliTest, KeepLeavesTheNewestDatedCopiesAndCtrlCCancelsEveryTransfer)
{
    CSimProcess a(Idn("TVA00001") + QStringList{"--state", Save("a.xMem", 1)});
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("bench"));
    const QString strDir = Path("bench");
    for (const char* psz : {"20200101-000000", "20210101-000000", "20220101-000000"})
        QFile::copy(Path("a.xMem"), strDir + "/DXR-9K-TVA00001-" + psz + ".xMem");
    Save("bench/DXR-9K-TVA00001-notes.xMem", -1); // not a dated copy: stays

    const RUN run = RunCli({"backup", a.Resource(), "--dir", strDir, "--keep", "2"});
    ASSERT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    const QStringList files = QDir(strDir).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 4) << qPrintable(files.join(' '));
    EXPECT_EQ(files[0], "DXR-9K-TVA00001-20220101-000000.xMem");
    EXPECT_TRUE(files[1].startsWith("DXR-9K-TVA00001-20")) << qPrintable(files[1]);
    EXPECT_EQ(files[2], "DXR-9K-TVA00001-notes.xMem");
    EXPECT_TRUE(Holds(strDir + "/" + files[1], 1));

    // Slow instruments: the interrupt lands in the middle of both transfers.
    CSimProcess slow1(Idn("TVS00001") + QStringList{"--latency", "5"});
    CSimProcess slow2(Idn("TVS00002") + QStringList{"--latency", "5"});
    const RUN cancelled =
        RunCli({"backup", slow1.Resource(), slow2.Resource(), "--dir", strDir}, {}, QDir::tempPath(), 2000);
    EXPECT_EQ(cancelled.nExit, 130) << qPrintable(cancelled.strErr);
    EXPECT_LT(cancelled.nMilliseconds, 8000);
    EXPECT_TRUE(cancelled.strErr.contains("0 of 2 instruments completed.")) << qPrintable(cancelled.strErr);
    EXPECT_EQ(QDir(strDir).entryList({"*TVS*"}, QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(BenchBackupCliTest, BadArgumentsAreUsageErrors)
{
    const struct
    {
        QStringList args;
        const char* pszMessage;
    } cases[] = {
        {{"backup", "--dir", "x"}, "no resources"},
        {{"backup", "R1", "R1", "--dir", "x"}, "resource R1 is given twice."},
        {{"backup", "R1"}, "option --dir needs a value."},
        {{"backup", "R1", "--dir", "x", "--jobs", "0"}, "option --jobs needs a whole number of 1 or more."},
        {{"backup", "R1", "--dir", "x", "--keep", "two"}, "option --keep needs a whole number of 1 or more."},
        {{"restore", "R1", "--dir", "x", "--keep", "2"}, "unknown option '--keep'."},
    };
    // No resources configured either, whatever the machine has.
    const QString strNoConfig = "unset VAULTLINE_VISA_RESOURCES; XDG_CONFIG_HOME='" + Path("nocfg") + "'";
    for (const auto& c : cases) {
        const RUN run = RunCli(c.args, strNoConfig);
        EXPECT_EQ(run.nExit, 2) << qPrintable(c.args.join(' '));
        EXPECT_TRUE(run.strErr.contains(c.pszMessage)) << qPrintable(run.strErr);
    }
    ASSERT_TRUE(WriteFileBytes(Path("list.txt"), "# the bench\n\nR1\n"));
    // A folder that cannot be made (below a file) is refused before any transfer.
    const RUN run = RunCli({"backup", "--resources-from", Path("list.txt"), "--dir", Path("list.txt/sub")});
    EXPECT_EQ(run.nExit, 3);
    EXPECT_TRUE(run.strErr.startsWith("The file " + Path("list.txt/sub"))) << qPrintable(run.strErr);
}

// With no names, a bench backs up its configured instruments, into a folder
// made for the first run.
TEST_F(BenchBackupCliTest, BackupWithoutNamesTakesTheConfiguredResources)
{
    CSimProcess a(Idn("TVC00001") + QStringList{"--state", Save("a.xMem", 3)});
    const QString strDir = Path("new/bench");
    const RUN run =
        RunCli({"backup", "--dir", strDir},
               "XDG_CONFIG_HOME='" + Path("nocfg") + "' VAULTLINE_VISA_RESOURCES='" + a.Resource() + "'");
    ASSERT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    EXPECT_TRUE(Holds(strDir + "/DXR-9K-TVC00001.xMem", 3));
}

TEST_F(BenchBackupCliTest, IdentifyAndVerifyJsonCarryWhatTheTextFormShows)
{
    CSimProcess sim(Idn("TVJ00001") + QStringList{"--state", Save("state.xMem", 7)});
    const RUN identify = RunCli({"identify", sim.Resource(), "--json"});
    ASSERT_EQ(identify.nExit, 0) << qPrintable(identify.strErr);
    EXPECT_EQ(QJsonDocument::fromJson(identify.strOut.toUtf8()).object(),
              QJsonObject({{"Manufacturer", "TALVERO"},
                           {"Model", "DXR-9K"},
                           {"Serial", "TVJ00001"},
                           {"Firmware", "1.05"},
                           {"Version", "1.05 (0x0105)"}}));

    const QString strOther =
        Save("other.xMem", 7, [](CXmlDocData& data) { data.GetContainer().GetAt(3)->Curr = 9.5f; });
    const RUN verify = RunCli({"verify", strOther, sim.Resource(), "--range", "0-9", "--json"});
    EXPECT_EQ(verify.nExit, 1) << qPrintable(verify.strErr);
    const QJsonArray differences = QJsonDocument::fromJson(verify.strOut.toUtf8()).array();
    ASSERT_EQ(differences.size(), 1) << qPrintable(verify.strOut);
    EXPECT_EQ(Field(differences, 0, "Memory"), QJsonValue(3));
    EXPECT_EQ(Field(differences, 0, "Field"), QJsonValue("Curr"));
    EXPECT_EQ(Field(differences, 0, "File"), QJsonValue("9.5000"));
}

// The example the systemd service runs: a commit for the first backup and for
// a change on the bench, none for a night when nothing changed.
TEST_F(BenchBackupCliTest, NightlyScriptCommitsOnlyWhenAMemoryChanged)
{
    if (QStandardPaths::findExecutable("git").isEmpty())
        GTEST_SKIP() << "git is not installed";
    CSimProcess a(Idn("TVN00001") + QStringList{"--state", Save("a.xMem", 1)});
    CSimProcess b(Idn("TVN00002"));
    ASSERT_TRUE(WriteFileBytes(Path("resources"), (a.Resource() + "\n" + b.Resource() + "\n").toUtf8()));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("repo"));
    const QString strScript =
        QDir(FixturePath(QString())).filePath("../../packaging/systemd/vaultline-backup.sh");
    const QList<std::pair<QString, QString>> environment = {
        {"VAULTLINE_BACKUP_REPO", Path("repo")},
        {"VAULTLINE_BACKUP_RESOURCES", Path("resources")},
        {"VAULTLINE_CLI", QDir(BinaryDir()).filePath("cli/vaultline-cli")},
        {"GIT_CONFIG_GLOBAL", "/dev/null"},
        {"GIT_CONFIG_NOSYSTEM", "1"}};
    auto night = [&] { return RunProgram("/bin/sh", {strScript}, m_dir.path(), environment).nExit; };
    auto commits = [&] {
        return RunProgram("git", {"log", "--format=%s"}, Path("repo"))
            .strOut.split('\n', Qt::SkipEmptyParts)
            .size();
    };
    ASSERT_EQ(night(), 0);
    EXPECT_EQ(commits(), 1);
    EXPECT_TRUE(Holds(Path("repo/DXR-9K-TVN00001.xMem"), 1));
    ASSERT_EQ(night(), 0);
    EXPECT_EQ(commits(), 1);
    ASSERT_EQ(RunCli({"upload", Save("b.xMem", 2), b.Resource(), "--range", "4-4"}).nExit, 0);
    ASSERT_EQ(night(), 0);
    EXPECT_EQ(commits(), 2);
}

TEST_F(BenchBackupCliTest, DownloadToStandardOutputAndUploadFromStandardInput)
{
    CSimProcess sim(Idn("TVD00001") + QStringList{"--state", Save("state.xMem", 3)});
    const RUN down = RunCli({"download", sim.Resource(), "-"}, "> '" + Path("out.xMem") + "'");
    ASSERT_EQ(down.nExit, 0) << qPrintable(down.strErr);
    EXPECT_EQ(down.strErr.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED));
    EXPECT_TRUE(Holds(Path("out.xMem"), 3));
    const RUN up = RunCli({"upload", "-", sim.Resource()}, "< '" + Save("in.xMem", 8) + "'");
    ASSERT_EQ(up.nExit, 0) << qPrintable(up.strErr);
    EXPECT_EQ(up.strErr.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED));
    ASSERT_EQ(RunCli({"download", sim.Resource(), Path("back.xMem")}).nExit, 0);
    EXPECT_TRUE(Holds(Path("back.xMem"), 8));
}

} // namespace
