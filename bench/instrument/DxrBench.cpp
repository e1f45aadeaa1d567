// Prints the driver's figures against dxr9k-sim over the real serial path:
// time per store memory written and read, and, with the simulator's 19200-baud
// line-rate limit, how much of what the line allows the exchanges achieve.

#include "bench/support/CountingSession.h"
#include "instrument/Dxr.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

namespace {

struct RESULT
{
    double dWriteMs = 0;
    double dReadMs = 0;
    qint64 nChars = 0;
};

RESULT Run(const QString& strSim, const QStringList& options, int nMemories)
{
    QProcess sim;
    sim.start(strSim, QStringList{QStringLiteral("--pty")} + options);
    sim.waitForReadyRead(5000);
    const QString strResource = QString::fromLocal8Bit(sim.readLine()).trimmed();

    auto pManager = std::make_shared<CCountingManager>();
    std::shared_ptr<IResourceManager> pRm = pManager;
    RESULT result;
    {
        CDxr dxr;
        dxr.Open(pRm, strResource);
        STOREMEM mem;
        mem.Memo = QStringLiteral("Benchmark 12345");
        QElapsedTimer timer;
        timer.start();
        for (int n = 0; n < nMemories; ++n) {
            dxr.SelectStoreMemory(n);
            dxr.WriteStoreMemory(mem);
        }
        result.dWriteMs = timer.nsecsElapsed() / 1e6;
        timer.restart();
        for (int n = 0; n < nMemories; ++n) {
            dxr.SelectStoreMemory(n);
            dxr.ReadStoreMemory(mem);
        }
        result.dReadMs = timer.nsecsElapsed() / 1e6;
        result.nChars = pManager->Counts().Total();
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
    const QString strSim = QStringLiteral(DXR9K_SIM_PATH);

    const RESULT fast = Run(strSim, {}, 100);
    std::printf("dxr9k-sim without line-rate limit, 100 store memories over a pseudo-terminal:\n");
    std::printf("  write (select + 10 commands + error query): %8.1f us per memory\n", fast.dWriteMs * 10);
    std::printf("  read  (select + 10 queries + error query):  %8.1f us per memory\n", fast.dReadMs * 10);

    const int nSlow = 10;
    const RESULT slow = Run(strSim, {QStringLiteral("--baud"), QStringLiteral("19200")}, nSlow);
    const double dBytesPerSecond = 19200.0 / 11.0;
    const double dLineMs = slow.nChars / dBytesPerSecond * 1000.0;
    std::printf("dxr9k-sim at 19200 baud (8N2, %.1f bytes/s), %d store memories written and read:\n",
                dBytesPerSecond, nSlow);
    std::printf("  %lld characters on the line, %.0f ms of line time, %.0f ms taken: %.1f%% of what the line "
                "allows\n",
                static_cast<long long>(slow.nChars), dLineMs, slow.dWriteMs + slow.dReadMs,
                100.0 * dLineMs / (slow.dWriteMs + slow.dReadMs));
    return 0;
}
