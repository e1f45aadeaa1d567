// dxr9k-sim: a simulated DXR9K on a pseudo-terminal or a TCP socket.

#include "sim/SimServer.h"

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
        "A simulated DXR9K electronic load with 100 store memories, speaking SCPI on a pseudo-terminal\n"
        "or a TCP socket. Prints the VISA resource name that reaches it as the first line of standard\n"
        "output, then serves until it is terminated."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption optPty(QStringLiteral("pty"), QStringLiteral("Serve on a new pseudo-terminal."));
    const QCommandLineOption optLink(
        QStringLiteral("link"),
        QStringLiteral("Also reach the pseudo-terminal through a symbolic link at PATH."),
        QStringLiteral("PATH"));
    const QCommandLineOption optTcp(
        QStringLiteral("tcp"), QStringLiteral("Serve raw SCPI on 127.0.0.1:PORT."), QStringLiteral("PORT"));
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
    parser.addOptions(
        {optPty, optLink, optTcp, optIdn, optState, optLatency, optBaud, optSilent, optQueue, optLog});
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
    if (options.bPty == (options.nTcpPort >= 0))
        return Fail(QStringLiteral("give exactly one of --pty and --tcp PORT (see --help)"));
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
    if (!server.Start(strResource, strError))
        return Fail(strError);
    std::printf("%s\n", qPrintable(strResource));
    std::fflush(stdout);

    server.Run();

    if (!strState.isEmpty() && !instrument.GetData().Save(strState))
        return Fail(QStringLiteral("the state file %1 could not be written").arg(strState));
    return 0;
}
