// vaultline-cli download and upload against dxr9k-sim on a pseudo-terminal:
// the real serial path, from the command line to the simulated memories.

#include "integration/transfer/PatternFiles.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using TransferCliTest = PatternFiles<>;

TEST_F(TransferCliTest, RangeOfOneMovesExactlyThatMemory)
{
    CSimProcess sim({"--state", Save("state.xMem", 3)});
    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("into.xMem"), "--range", "5-5", "--into",
                      Save("base.xMem", 4)})
                  .nExit,
              0);
    ExpectSeeds(Path("into.xMem"), [](int i) { return i == 5 ? 3 : 4; });
    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("plain.xMem"), "--range=5-5"}).nExit, 0);
    ExpectSeeds(Path("plain.xMem"), [](int i) { return i == 5 ? 3 : -1; });

    CSimProcess fresh;
    EXPECT_EQ(RunCli({"upload", Save("file.xMem", 5), fresh.Resource(), "--range", "5-5"}).nExit, 0);
    ASSERT_EQ(RunCli({"download", fresh.Resource(), Path("back.xMem")}).nExit, 0);
    ExpectSeeds(Path("back.xMem"), [](int i) { return i == 5 ? 5 : -1; });
}

// Whatever goes wrong, the backup file is not created and the instrument's
// memories are not touched.
TEST_F(TransferCliTest, FailuresReportAndLeaveEverythingAsItWas)
{
    const QString strState = Save("state.xMem", 6), strWrongModel = LoadResString(IDS_WRONG_MODEL);
    const std::pair<QStringList, QString> cases[] = {
        {{"--idn", "ACME,DXR-9K,TV123456,1.05"}, strWrongModel},
        {{"--idn", "TALVERO,DXR-9K,1234567,1.05"}, strWrongModel},
        {{"--idn", "TALVERO,DXR-9K,TV123456,0.0"}, strWrongModel},
        {{"--queue-error", "-113"}, "SCPI Error(s)\n\n(-113) \"Undefined header\""}};
    for (const auto& [simArgs, strMessage] : cases) {
        // A new instrument for each: reading the error queue empties it.
        for (const QStringList& cli : {QStringList{"download", "", Path("backup.xMem")},
                                       QStringList{"upload", Save("file.xMem", 7), ""}}) {
            CSimProcess sim(QStringList{"--state", strState} + simArgs);
            const RUN r = RunCli(QStringList(cli).replaceInStrings(QRegularExpression("^$"), sim.Resource()));
            EXPECT_EQ(r.nExit, strMessage == strWrongModel ? 4 : 6) << qPrintable(cli[0]);
            EXPECT_TRUE(r.strErr.startsWith(strMessage)) << qPrintable(r.strErr);
        }
        EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
        ExpectSeeds(strState, [](int) { return 6; });
    }
}

TEST_F(TransferCliTest, AnErrorRaisedByOneMemoryStopsTheUploadAfterIt)
{
    // An absent mode goes out as an empty parameter, which the instrument refuses.
    const QString strFile =
        Save("file.xMem", 9, [](CXmlDocData& data) { data.GetContainer().GetAt(3)->Mode.clear(); });
    CSimProcess sim;
    const RUN up = RunCli({"upload", strFile, sim.Resource()});
    EXPECT_EQ(up.nExit, 6);
    EXPECT_TRUE(up.strErr.startsWith("SCPI Error(s)\n\n(-109) \"Missing parameter\"\n"))
        << qPrintable(up.strErr);
    EXPECT_TRUE(up.strErr.contains(LoadResString(IDS_CLI_WRITTEN_BEFORE_STOP).arg(3).arg(100)))
        << qPrintable(up.strErr);

    ASSERT_EQ(RunCli({"download", sim.Resource(), Path("back.xMem")}).nExit, 0);
    ExpectSeeds(Path("back.xMem"), [](int i) { return i < 3 ? 9 : i == 3 ? -2 : -1; });
    CXmlDocData back;
    back.Reset();
    ASSERT_TRUE(back.Load(Path("back.xMem")));
    EXPECT_EQ(back.GetContainer().GetAt(3)->Memo, Pattern(3, 9).Memo); // its other commands went in
}

TEST_F(TransferCliTest, SilentInstrumentTimesOutAfterTheIoTimeout)
{
    // Answers the identification queries and the first error check, then nothing.
    CSimProcess sim({"--silent-after", "3"});
    const RUN r = RunCli({"download", sim.Resource(), Path("backup.xMem")});
    EXPECT_EQ(r.nExit, 5);
    EXPECT_TRUE(r.strErr.startsWith("Timeout expired before operation completed.")) << qPrintable(r.strErr);
    EXPECT_GE(r.nMilliseconds, 2900);
    EXPECT_LT(r.nMilliseconds, 8000);
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
}

TEST_F(TransferCliTest, InterruptCancelsBetweenMemoriesAndKeepsTheLineUsable)
{
    // Slow enough that the interrupt lands in the middle of the transfer.
    CSimProcess sim({"--state", Save("state.xMem", 8), "--latency", "5"});
    const RUN r = RunCli({"download", sim.Resource(), Path("backup.xMem")}, {}, QDir::tempPath(), 1500);
    EXPECT_EQ(r.nExit, 130) << qPrintable(r.strErr);
    EXPECT_TRUE(r.strErr.startsWith(LoadResString(IDS_TRANSFER_ABORTED))) << qPrintable(r.strErr);
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));

    // Neither a lock nor half an exchange was left behind.
    const RUN again = RunCli({"download", sim.Resource(), Path("again.xMem"), "--range", "99-99"});
    EXPECT_EQ(again.nExit, 0) << qPrintable(again.strErr);
    ExpectSeeds(Path("again.xMem"), [](int i) { return i == 99 ? 8 : -1; });
}

TEST_F(TransferCliTest, BadArgumentsAreReportedAndSendNothing)
{
    const QString strLog = Path("transcript.txt");
    const QString strFile = Save("file.xMem");
    const QString strMissing = Path("missing.xMem");
    CSimProcess sim({"--log", strLog});
    for (const char* pszRange : {"7-3", "0-100", "-1-5", "5", "a-b", ""}) {
        EXPECT_EQ(RunCli({"download", sim.Resource(), Path("backup.xMem"), "--range", pszRange}).nExit, 2)
            << pszRange;
        EXPECT_EQ(RunCli({"upload", strFile, sim.Resource(), "--range", pszRange}).nExit, 2) << pszRange;
    }
    // Files that cannot be read or written are reported before the instrument is opened.
    // Upload and download --into read a memory file as show does, with the
    // reason on a line of its own.
    const RUN show = RunCli({"show", strMissing});
    EXPECT_TRUE(show.strErr.startsWith(FormatResString(IDS_FILE_NOT_READ, strMissing) + QLatin1Char('\n')));
    EXPECT_EQ(show.strErr.count(QLatin1Char('\n')), 2) << qPrintable(show.strErr);
    const RUN up = RunCli({"upload", strMissing, sim.Resource()});
    EXPECT_EQ(up.nExit, 3);
    EXPECT_EQ(up.strErr, show.strErr);
    const RUN into = RunCli({"download", sim.Resource(), Path("backup.xMem"), "--into", strMissing});
    EXPECT_EQ(into.nExit, 3);
    EXPECT_EQ(into.strErr, show.strErr);
    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("no/such/folder/b.xMem")}).nExit, 3);
    sim.Stop();
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
    EXPECT_TRUE(FileBytes(strLog).trimmed().isEmpty()) << FileBytes(strLog).constData();
}

} // namespace
