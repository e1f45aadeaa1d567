// Two programs on one dxr9k-sim at the same time, on the pseudo-terminal and
// on TCP: each transfer either completes with exactly the instrument's data or
// fails with the in-use message; never a completed transfer with crossed
// memories. And a third program that opens the serial line over and over
// during a download does not disturb it.

#include "integration/transfer/PatternFiles.h"

#include "instrument/Dxr.h"
#include "model/XmlDocData.h"
#include "platform/visa/ResourceManagerFactory.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

// One vaultline-cli run started in the background.
class CCliProcess
{
public:
    explicit CCliProcess(const QStringList& args)
    {
        m_process.start(QDir(BinaryDir()).filePath(QStringLiteral("cli/vaultline-cli")), args);
    }
    RUN Wait()
    {
        m_process.waitForFinished(120000);
        RUN run;
        run.nExit = m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
        run.strErr = QString::fromLocal8Bit(m_process.readAllStandardError());
        return run;
    }

private:
    QProcess m_process;
};

class ConcurrentTransferTest : public PatternFiles<::testing::TestWithParam<bool>>
{
protected:
    // The seed that every memory of the range in the file came from, or -1
    // when they do not all come from one.
    static int SeedOf(const QString& strPath, int nFirst, int nLast, std::initializer_list<int> seeds)
    {
        for (const int nSeed : seeds) {
            if (Holds(strPath, nSeed, nFirst, nLast))
                return nSeed;
        }
        return -1;
    }

    QStringList SimOptions() const { return GetParam() ? QStringList{"--tcp", "0"} : QStringList(); }

    static bool InUse(const RUN& run, const QString& strResource)
    {
        return run.nExit == 5 &&
               run.strErr.startsWith(
                   LoadResString(IDS_INSTRUMENT_IN_USE).arg(strResource).arg(CDxr::LOCK_TIMEOUT_MS));
    }
};

TEST_P(ConcurrentTransferTest, TwoTransfersNeverCrossMemories)
{
    CSimProcess sim(SimOptions() + QStringList{"--state", Save("state.xMem", 1), "--latency", "1"});
    ASSERT_FALSE(sim.Resource().isEmpty());
    int nSeed = 1; // what the instrument holds in memories 0-19
    int nCompleted = 0;
    for (int nPair = 0; nPair < 10; ++nPair) {
        const QString strA = Path(QStringLiteral("a%1.xMem").arg(nPair));
        const QString strB = Path(QStringLiteral("b%1.xMem").arg(nPair));
        const bool bUpload = nPair % 2 == 1;
        const int nNewSeed = 10 + nPair;
        CCliProcess a({"download", sim.Resource(), strA, "--range", "0-19"});
        CCliProcess b(
            bUpload ? QStringList{"upload", Save("up.xMem", nNewSeed), sim.Resource(), "--range", "0-19"}
                    : QStringList{"download", sim.Resource(), strB, "--range", "0-19"});
        const RUN runA = a.Wait();
        const RUN runB = b.Wait();
        for (const RUN* pRun : {&runA, &runB}) {
            EXPECT_TRUE(pRun->nExit == 0 || InUse(*pRun, sim.Resource()))
                << "pair " << nPair << ": " << qPrintable(pRun->strErr);
            nCompleted += pRun->nExit == 0;
        }
        // A download sees the instrument wholly before or wholly after the upload.
        if (runA.nExit == 0) {
            EXPECT_NE(SeedOf(strA, 0, 19, {nSeed, nNewSeed}), -1) << "pair " << nPair;
        }
        if (bUpload && runB.nExit == 0)
            nSeed = nNewSeed;
        if (!bUpload && runB.nExit == 0) {
            EXPECT_EQ(SeedOf(strB, 0, 19, {nSeed}), nSeed) << "pair " << nPair;
        }
    }
    // The lock is waited for: most transfers get their turn.
    EXPECT_GE(nCompleted, 15);
    const RUN last = RunCli({"download", sim.Resource(), Path("last.xMem")});
    ASSERT_EQ(last.nExit, 0) << qPrintable(last.strErr);
    EXPECT_EQ(SeedOf(Path("last.xMem"), 0, 19, {nSeed}), nSeed);
    EXPECT_EQ(SeedOf(Path("last.xMem"), 20, 99, {1}), 1);
}

TEST_P(ConcurrentTransferTest, ASecondProgramIsToldTheInstrumentIsInUse)
{
    // A full download at this latency holds the lock well past the lock timeout.
    CSimProcess sim(SimOptions() + QStringList{"--latency", "4"});
    CCliProcess first({"download", sim.Resource(), Path("first.xMem")});
    QThread::msleep(400);
    const RUN second = RunCli({"download", sim.Resource(), Path("second.xMem"), "--range", "5-5"});
    EXPECT_TRUE(InUse(second, sim.Resource())) << qPrintable(second.strErr);
    EXPECT_LT(second.nMilliseconds, CDxr::LOCK_TIMEOUT_MS + 2000);
    EXPECT_FALSE(QFileInfo::exists(Path("second.xMem")));
    const RUN run = first.Wait();
    EXPECT_EQ(run.nExit, 0) << qPrintable(run.strErr);
}

INSTANTIATE_TEST_SUITE_P(Transports, ConcurrentTransferTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "Tcp" : "Pty";
                         });

// Another program opening the line (as any VISA program does before it talks)
// must leave a paced download running on it untouched.
using SerialOpenTest = PatternFiles<>;

TEST_F(SerialOpenTest, OpeningTheLineElsewhereDoesNotDisturbADownload)
{
    CSimProcess sim({"--state", Save("state.xMem", 3), "--baud", "19200"});
    ASSERT_FALSE(sim.Resource().isEmpty());

    std::atomic<bool> bStop{false};
    int nOpened = 0;
    std::thread opener([&] {
        std::shared_ptr<IResourceManager> pManager = CreateResourceManager();
        while (!bStop.load()) {
            try {
                pManager->Open(sim.Resource(), Visa::NO_LOCK, 2000, QString());
                ++nOpened;
            } catch (const _com_error&) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    for (int nRun = 0; nRun < 2; ++nRun) {
        const QString strFile = Path(QStringLiteral("d%1.xMem").arg(nRun));
        const RUN run = RunCli({"download", sim.Resource(), strFile, "--range", "0-5"});
        EXPECT_EQ(run.nExit, 0) << qPrintable(run.strErr);
        EXPECT_TRUE(Holds(strFile, 3, 0, 5)) << nRun;
    }
    bStop.store(true);
    opener.join();
    EXPECT_GT(nOpened, 20);
}

} // namespace
