// Times 100-memory downloads and uploads through the built-in VISA against
// one dxr9k-sim that serves raw SCPI, VXI-11 and HiSLIP on loopback at once,
// so that the three transports are measured in the same run on the same
// instrument; the LAN protocols are given as a ratio to the raw socket.

#include "bench/support/QuietHost.h"
#include "model/XmlDocData.h"
#include "platform/visa/BuiltinResourceManager.h"
#include "transfer/TransferProcedure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int MEMORIES = 100;
constexpr int RUNS = 7;

// The wall time of one transfer in seconds; negative when it failed.
double Once(int nMode, const QString& strResource)
{
    CXmlDocData data;
    data.Reset();
    CQuietHost host;
    CTransferProcedure procedure(nMode, data.GetContainer(), host);
    std::shared_ptr<IResourceManager> pManager = std::make_shared<CBuiltinResourceManager>();
    QElapsedTimer timer;
    timer.start();
    if (procedure.Run(pManager, strResource, 0, MEMORIES - 1) != CTransferProcedure::RESULT_COMPLETED) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(strResource), qPrintable(host.m_strMessage));
        return -1;
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(DXR9K_SIM), {"--tcp", "0", "--vxi11", "0", "--hislip", "0"});
    QStringList lines;
    while (lines.size() < 4 && sim.waitForReadyRead(10000)) {
        while (sim.canReadLine())
            lines << QString::fromLocal8Bit(sim.readLine()).trimmed();
    }
    if (lines.size() < 4) {
        std::fprintf(stderr, "dxr9k-sim did not start\n");
        return 1;
    }
    qputenv("VAULTLINE_VXI11_PORTMAPPER", lines[3].section(QLatin1Char('='), 1).toLatin1());

    std::printf("Transfer of %d store memories through dxr9k-sim on loopback, built-in VISA\n", MEMORIES);
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (loadavg.open(QIODevice::ReadOnly))
        std::printf("Load average: %s", loadavg.readLine().constData());
    std::printf("Median of %d runs each, the transports taking turns; wall time per memory:\n", RUNS);
    int nFailed = 0;
    const char* const pszNames[] = {"raw socket", "VXI-11", "HiSLIP"};
    // The driver holds the instrument's lock from open to close, as every transfer does.
    for (int nMode : {CTransferProcedure::MODE_DOWNLOAD, CTransferProcedure::MODE_UPLOAD}) {
        std::vector<double> seconds[3];
        for (int nRun = 0; nRun < RUNS; ++nRun) {
            for (int i = 0; i < 3; ++i) {
                const double d = Once(nMode, lines[i]);
                if (d < 0)
                    ++nFailed;
                else
                    seconds[i].push_back(d);
            }
        }
        if (nFailed > 0)
            break;
        const double dRaw = Median(seconds[0]);
        for (int i = 0; i < 3; ++i) {
            const double d = Median(seconds[i]);
            std::printf("  %-8s %-10s %8.1f us per memory",
                        nMode == CTransferProcedure::MODE_DOWNLOAD ? "download" : "upload", pszNames[i],
                        d * 1e6 / MEMORIES);
            if (i > 0)
                std::printf(", %.2fx the raw socket (goal 1.5x)", d / dRaw);
            std::printf("\n");
        }
    }
    sim.terminate();
    sim.waitForFinished(5000);
    return nFailed == 0 ? 0 : 1;
}
