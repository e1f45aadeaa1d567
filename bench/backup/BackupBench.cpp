// Times vaultline-cli backup of one simulated instrument and of three side by
// side, each simulator limiting its line to a real instrument's baud rate
// (19200 unless given as the first argument), and prints the ratio: close to
// 1 when the sessions run in parallel, 3 when one waits for another.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<QProcess> StartSim(int nIndex, const QString& strBaud, QString& strResource)
{
    auto pSim = std::make_unique<QProcess>();
    pSim->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pSim->start(QStringLiteral(DXR9K_SIM),
                {QStringLiteral("--pty"), QStringLiteral("--baud"), strBaud, QStringLiteral("--idn"),
                 QStringLiteral("TALVERO,DXR-9K,BENCH%1000,1.05").arg(nIndex)});
    QElapsedTimer timer;
    timer.start();
    while (!pSim->canReadLine() && pSim->state() != QProcess::NotRunning && timer.elapsed() < 10000)
        pSim->waitForReadyRead(200);
    strResource = QString::fromLocal8Bit(pSim->readLine()).trimmed();
    return pSim;
}

// Seconds for one backup of the resources, or -1 when it did not complete.
double Backup(const QStringList& resources, const QString& strDir)
{
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(VAULTLINE_CLI), QStringList{QStringLiteral("backup")} + resources +
                                                 QStringList{QStringLiteral("--dir"), strDir});
    cli.waitForFinished(600000);
    const double dSeconds = static_cast<double>(timer.elapsed()) / 1000.0;
    return cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0 ? dSeconds : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString strBaud = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("19200");
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> sims;
    QStringList resources;
    for (int i = 0; i < 3; ++i) {
        QString strResource;
        sims.push_back(StartSim(i, strBaud, strResource));
        if (strResource.isEmpty()) {
            std::fprintf(stderr, "backup-bench: dxr9k-sim did not start\n");
            return 1;
        }
        resources.append(strResource);
    }
    const double dOne = Backup(resources.mid(0, 1), dir.path());
    const double dThree = Backup(resources, dir.path());
    for (auto& pSim : sims)
        pSim->terminate();
    for (auto& pSim : sims)
        pSim->waitForFinished(5000);
    if (dOne <= 0 || dThree <= 0) {
        std::fprintf(stderr, "backup-bench: a backup did not complete\n");
        return 1;
    }
    std::printf(
        "backup of 100 memories at %s baud: 1 instrument %.2f s, 3 instruments %.2f s, ratio 3:1 = %.2f\n",
        qPrintable(strBaud), dOne, dThree, dThree / dOne);
    return 0;
}
