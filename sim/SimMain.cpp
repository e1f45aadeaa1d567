// dxr9k-sim: a simulated DXR9K on a pseudo-terminal or a TCP socket.

#include "sim/SimHislipServer.h"
#include "sim/SimServer.h"
#include "sim/SimVxi11Server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>

namespace {

void OnSignal(int)
{
    CSimServer::RequestStop();
}

void InstallSignals()
{
    struct sigaction sa
    {
    };
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0; // no SA_RESTART: a blocked write or sleep gives way to the stop
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int Fail(const QString& strMessage)
{
    std::fprintf(stderr, "dxr9k-sim: %s\n", qPrintable(strMessage));
    return 1;
}

bool ToLong(const QString& str, long nMin, long& nValue)
{
    bool bOk = false;
    nValue = str.toLong(&bOk);
    return bOk && nValue >= nMin;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dxr9k-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VAULTLINE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated DXR9K electronic load with 100 store memories, speaking SCPI on a pseudo-terminal,\n"
        "a TCP socket, VXI-11 or HiSLIP. Prints the VISA resource names that reach it, one per line, as the "
        "first\n"
        "lines of standard output, then serves until it is terminated."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption optPty(QStringLiteral("pty"), QStringLiteral("Serve on a new pseudo-terminal."));
    const QCommandLineOption optLink(
        QStringLiteral("link"),
        QStringLiteral("Also reach the pseudo-terminal through a symbolic link at PATH."),
        QStringLiteral("PATH"));
    const QCommandLineOption optTcp(
        QStringLiteral("tcp"), QStringLiteral("Serve raw SCPI on 127.0.0.1:PORT."), QStringLiteral("PORT"));
    const QCommandLineOption optVxi11(
        QStringLiteral("vxi11"),
        QStringLiteral(
            "Serve VXI-11 on 127.0.0.1:PORT, the portmapper's GETPORT on the same port (0 picks a free "
            "port). Clients find it with VAULTLINE_VXI11_PORTMAPPER=PORT, printed after the "
            "resource names."),
        QStringLiteral("PORT"));
    const QCommandLineOption optHislip(
        QStringLiteral("hislip"),
        QStringLiteral("Serve HiSLIP on 127.0.0.1:PORT (0 picks a free port; the resource name carries it)."),
        QStringLiteral("PORT"));
    const QCommandLineOption optIdn(QStringLiteral("idn"), QStringLiteral("Reply to *IDN? with TEXT."),
                                    QStringLiteral("TEXT"), CSimInstrument::DefaultIdentification());
    const QCommandLineOption optState(
        QStringLiteral("state"),
        QStringLiteral("Load the store memories from the memory file FILE at start, save them back at exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption optLatency(QStringLiteral("latency"),
                                        QStringLiteral("Wait MS milliseconds before each reply."),
                                        QStringLiteral("MS"));
    const QCommandLineOption optBaud(QStringLiteral("baud"),
                                     QStringLiteral("Limit the line to what N baud carries with 8 data bits "
                                                    "and 2 stop bits (N / 11 bytes per second)."),
                                     QStringLiteral("N"));
    const QCommandLineOption optSilent(QStringLiteral("silent-after"),
                                       QStringLiteral("Stop answering after N command lines."),
                                       QStringLiteral("N"));
    const QCommandLineOption optQueue(
        QStringLiteral("queue-error"),
        QStringLiteral("Put the SCPI error CODE in the error queue at start (repeatable)."),
        QStringLiteral("CODE"));
    const QCommandLineOption optLog(QStringLiteral("log"),
                                    QStringLiteral("Append a transcript of every command and reply to FILE."),
                                    QStringLiteral("FILE"));
    parser.addOptions({optPty, optLink, optTcp, optVxi11, optHislip, optIdn, optState, optLatency, optBaud,
                       optSilent, optQueue, optLog});
    parser.process(app);

    SIMOPTIONS options;
    options.bPty = parser.isSet(optPty);
    options.strLink = parser.value(optLink);
    long n = 0;
    if (parser.isSet(optTcp)) {
        if (!ToLong(parser.value(optTcp), 0, n) || n > 65535)
            return Fail(QStringLiteral("--tcp needs a port number from 0 to 65535"));
        options.nTcpPort = static_cast<int>(n);
    }
    int nVxi11Port = -1;
    if (parser.isSet(optVxi11)) {
        if (!ToLong(parser.value(optVxi11), 0, n) || n > 65535)
            return Fail(QStringLiteral("--vxi11 needs a port number from 0 to 65535"));
        nVxi11Port = static_cast<int>(n);
    }
    int nHislipPort = -1;
    if (parser.isSet(optHislip)) {
        if (!ToLong(parser.value(optHislip), 0, n) || n > 65535)
            return Fail(QStringLiteral("--hislip needs a port number from 0 to 65535"));
        nHislipPort = static_cast<int>(n);
    }
    if (options.bPty && options.nTcpPort >= 0)
        return Fail(QStringLiteral("give only one of --pty and --tcp PORT (see --help)"));
    if (!options.bPty && options.nTcpPort < 0 && nVxi11Port < 0 && nHislipPort < 0)
        return Fail(QStringLiteral("give --pty, --tcp PORT, --vxi11 PORT or --hislip PORT (see --help)"));
    if (!options.strLink.isEmpty() && !options.bPty)
        return Fail(QStringLiteral("--link goes with --pty"));
    if (parser.isSet(optLatency)) {
        if (!ToLong(parser.value(optLatency), 0, n) || n > 600000)
            return Fail(QStringLiteral("--latency needs milliseconds from 0 to 600000"));
        options.nLatencyMs = static_cast<int>(n);
    }
    if (parser.isSet(optBaud)) {
        if (!ToLong(parser.value(optBaud), 1, n))
            return Fail(QStringLiteral("--baud needs a positive baud rate"));
        options.nBaud = n;
    }
    if (parser.isSet(optSilent)) {
        if (!ToLong(parser.value(optSilent), 0, n))
            return Fail(QStringLiteral("--silent-after needs a count of 0 or more"));
        options.nSilentAfter = n;
    }
    options.strLogPath = parser.value(optLog);

    CSimInstrument instrument(parser.value(optIdn));
    for (const QString& strCode : parser.values(optQueue)) {
        bool bOk = false;
        const int nCode = strCode.toInt(&bOk);
        if (!bOk || nCode == 0)
            return Fail(
                QStringLiteral("--queue-error needs a non-zero SCPI error number, not '%1'").arg(strCode));
        instrument.QueueError(nCode);
    }

    // A state file that exists but cannot be read is never overwritten at exit.
    const QString strState = parser.value(optState);
    if (!strState.isEmpty() && QFile::exists(strState) && !instrument.GetData().Load(strState))
        return Fail(QStringLiteral("the state file %1 could not be read; move it away or name another")
                        .arg(strState));

    InstallSignals();
    CSimServer server(instrument, options);
    QString strResource;
    QString strError;
    QStringList lines;
    if (!server.Start(strResource, strError))
        return Fail(strError);
    if (!strResource.isEmpty())
        lines << strResource;
    CSimVxi11Server vxi11(server);
    if (nVxi11Port >= 0) {
        if (!vxi11.Start(nVxi11Port, strResource, strError))
            return Fail(strError);
        server.AddService(vxi11);
        lines << strResource;
    }
    CSimHislipServer hislip(server);
    if (nHislipPort >= 0) {
        if (!hislip.Start(nHislipPort, strResource, strError))
            return Fail(strError);
        server.AddService(hislip);
        lines << strResource;
    }
    if (nVxi11Port >= 0)
        lines << QStringLiteral("VAULTLINE_VXI11_PORTMAPPER=%1").arg(vxi11.Port());
    for (const QString& strLine : qAsConst(lines))
        std::printf("%s\n", qPrintable(strLine));
    std::fflush(stdout);

    server.Run();

    if (!strState.isEmpty() && !instrument.GetData().Save(strState))
        return Fail(QStringLiteral("the state file %1 could not be written").arg(strState));
    return 0;
}
