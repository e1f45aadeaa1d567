// Times 100-memory downloads and uploads through the real serial path against
// dxr9k-sim on a pseudo-terminal: first with no simulated latency (the
// software's own cost plus the pseudo-terminal), then with the simulator
// limiting its line to 19200 baud, on the pseudo-terminal and on a TCP socket,
// against the least time the line needs for the bytes that were exchanged.

#include "bench/support/CountingSession.h"
#include "bench/support/QuietHost.h"
#include "model/XmlDocData.h"
#include "transfer/TransferProcedure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

double CpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct RUN
{
    double dWallSeconds = 0;
    double dCpuSeconds = 0;
    qint64 nBytes = 0;
    bool bOk = false;
};

RUN Transfer(int nMode, const QString& strResource)
{
    CXmlDocData data;
    data.Reset();
    CQuietHost host;
    CTransferProcedure procedure(nMode, data.GetContainer(), host);
    auto pCounting = std::make_shared<CCountingManager>();
    std::shared_ptr<IResourceManager> pManager = pCounting;
    RUN run;
    QElapsedTimer timer;
    const double dCpu = CpuSeconds();
    timer.start();
    run.bOk = procedure.Run(pManager, strResource, 0, 99) == CTransferProcedure::RESULT_COMPLETED;
    run.dWallSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    run.dCpuSeconds = CpuSeconds() - dCpu;
    run.nBytes = pCounting->Counts().Total();
    if (!run.bOk)
        std::fprintf(stderr, "transfer failed: %s\n", qPrintable(host.m_strMessage));
    return run;
}

class CSimulator
{
public:
    // On a pseudo-terminal, or with bTcp on a TCP port of the loopback. The
    // simulator is DXR9K_SIM of the build unless the environment names
    // another (to measure an earlier one against the same procedure).
    explicit CSimulator(const QStringList& args, bool bTcp = false)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QString strSim = qEnvironmentVariableIsEmpty("VAULTLINE_BENCH_SIM")
                                   ? QStringLiteral(DXR9K_SIM)
                                   : qEnvironmentVariable("VAULTLINE_BENCH_SIM");
        m_process.start(strSim, (bTcp ? QStringList{QStringLiteral("--tcp"), QStringLiteral("0")}
                                      : QStringList{QStringLiteral("--pty")}) +
                                    args);
        m_process.waitForStarted(5000);
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_strResource = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CSimulator()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString m_strResource;

private:
    QProcess m_process;
};

constexpr int MEMORIES = 100;
constexpr int BAUD = 19200;
// 8N2: a start bit, eight data bits and two stop bits per character.
constexpr double BITS_PER_CHARACTER = 11.0;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int nFailed = 0;

    std::printf("Transfer of %d store memories through dxr9k-sim on a pseudo-terminal\n", MEMORIES);
    // The simulator paces its line with sleeps, so a busy machine shows up in
    // the line figures; the load says how busy it was.
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("Load average: %s", loadavg.readLine().constData());
    std::printf("\n");
    {
        CSimulator sim({});
        std::printf("No simulated latency (median of 5 runs each):\n");
        for (int nMode : {CTransferProcedure::MODE_DOWNLOAD, CTransferProcedure::MODE_UPLOAD}) {
            std::vector<RUN> runs;
            for (int i = 0; i < 5; ++i) {
                runs.push_back(Transfer(nMode, sim.m_strResource));
                nFailed += runs.back().bOk ? 0 : 1;
            }
            std::sort(runs.begin(), runs.end(),
                      [](const RUN& a, const RUN& b) { return a.dWallSeconds < b.dWallSeconds; });
            const RUN& r = runs[runs.size() / 2];
            std::printf(
                "  %-8s %8.1f ms total, %7.1f us per memory wall, %7.1f us per memory CPU of this process, "
                "%lld characters\n",
                nMode == CTransferProcedure::MODE_DOWNLOAD ? "download" : "upload", r.dWallSeconds * 1e3,
                r.dWallSeconds * 1e6 / MEMORIES, r.dCpuSeconds * 1e6 / MEMORIES,
                static_cast<long long>(r.nBytes));
        }
    }
    for (const bool bTcp : {false, true}) {
        CSimulator sim({QStringLiteral("--baud"), QString::number(BAUD)}, bTcp);
        std::printf("\nSimulator line limited to %d baud (8N2, %.0f bits per character), %s:\n", BAUD,
                    BITS_PER_CHARACTER, bTcp ? "raw TCP socket" : "pseudo-terminal");
        for (int nMode : {CTransferProcedure::MODE_DOWNLOAD, CTransferProcedure::MODE_UPLOAD}) {
            const RUN r = Transfer(nMode, sim.m_strResource);
            nFailed += r.bOk ? 0 : 1;
            const double dMinimum = static_cast<double>(r.nBytes) * BITS_PER_CHARACTER / BAUD;
            std::printf(
                "  %-8s %8.1f ms measured, %8.1f ms line minimum for %lld characters: %5.1f%% of what the "
                "line allows (goal 95%%)\n",
                nMode == CTransferProcedure::MODE_DOWNLOAD ? "download" : "upload", r.dWallSeconds * 1e3,
                dMinimum * 1e3, static_cast<long long>(r.nBytes), 100.0 * dMinimum / r.dWallSeconds);
        }
    }
    return nFailed == 0 ? 0 : 1;
}
