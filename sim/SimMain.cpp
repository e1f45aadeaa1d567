// dxr9k-sim: a simulated DXR9K on a pseudo-terminal or a TCP socket.

#include "sim/SimHislipServer.h"
#include "sim/SimServer.h"
#include "sim/SimVxi11Server.h"

#include "platform/args/ArgumentParser.h"

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

// Worded as the simulator has always worded them.
QString ParseError(const CArgumentParser& parser)
{
    switch (parser.Error()) {
    case CArgumentParser::ERROR_MISSING_VALUE:
        return QStringLiteral("Missing value after '%1'.").arg(parser.ErrorOption());
    case CArgumentParser::ERROR_UNEXPECTED_VALUE:
        return QStringLiteral("Unexpected value after '%1'.").arg(parser.ErrorOption());
    default:
        return QStringLiteral("Unknown option '%1'.").arg(parser.ErrorOption().mid(2));
    }
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

    CArgumentParser parser;
    parser.AddOption({QStringLiteral("-h"), QStringLiteral("--help")}, QString(),
                     QStringLiteral("Displays help on commandline options."));
    parser.AddOption({QStringLiteral("-v"), QStringLiteral("--version")}, QString(),
                     QStringLiteral("Displays version information."));
    parser.AddOption({QStringLiteral("--pty")}, QString(), QStringLiteral("Serve on a new pseudo-terminal."));
    parser.AddOption({QStringLiteral("--link")}, QStringLiteral("PATH"),
                     QStringLiteral("Also reach the pseudo-terminal through a symbolic link at PATH."));
    parser.AddOption({QStringLiteral("--tcp")}, QStringLiteral("PORT"),
                     QStringLiteral("Serve raw SCPI on 127.0.0.1:PORT."));
    parser.AddOption(
        {QStringLiteral("--vxi11")}, QStringLiteral("PORT"),
        QStringLiteral("Serve VXI-11 on 127.0.0.1:PORT, the portmapper's GETPORT on the same port (0 "
                       "picks a free port). Clients find it with VAULTLINE_VXI11_PORTMAPPER=PORT, "
                       "printed after the resource names."));
    parser.AddOption(
        {QStringLiteral("--hislip")}, QStringLiteral("PORT"),
        QStringLiteral(
            "Serve HiSLIP on 127.0.0.1:PORT (0 picks a free port; the resource name carries it)."));
    parser.AddOption({QStringLiteral("--idn")}, QStringLiteral("TEXT"),
                     QStringLiteral("Reply to *IDN? with TEXT."));
    parser.AddOption(
        {QStringLiteral("--state")}, QStringLiteral("FILE"),
        QStringLiteral(
            "Load the store memories from the memory file FILE at start, save them back at exit."));
    parser.AddOption({QStringLiteral("--latency")}, QStringLiteral("MS"),
                     QStringLiteral("Wait MS milliseconds before each reply."));
    parser.AddOption(
        {QStringLiteral("--baud")}, QStringLiteral("N"),
        QStringLiteral("Limit the line to what N baud carries with 8 data bits and 2 stop bits (N / "
                       "11 bytes per second)."));
    parser.AddOption({QStringLiteral("--silent-after")}, QStringLiteral("N"),
                     QStringLiteral("Stop answering after N command lines."));
    parser.AddOption({QStringLiteral("--queue-error")}, QStringLiteral("CODE"),
                     QStringLiteral("Put the SCPI error CODE in the error queue at start (repeatable)."));
    parser.AddOption({QStringLiteral("--log")}, QStringLiteral("FILE"),
                     QStringLiteral("Append a transcript of every command and reply to FILE."));
    const QStringList args = QCoreApplication::arguments();
    if (!parser.Parse(args.mid(1)))
        return Fail(ParseError(parser));
    // A single dash names no option of the simulator; the other positional
    // arguments have no use and are let be.
    for (const QString& strArg : parser.Positional()) {
        if (strArg.startsWith(QLatin1Char('-')) && strArg.size() > 1)
            return Fail(QStringLiteral("Unknown option '%1'.").arg(strArg.mid(1)));
    }
    if (parser.IsSet(QStringLiteral("--version"))) {
        std::printf("dxr9k-sim %s\n", VAULTLINE_VERSION);
        return 0;
    }
    if (parser.IsSet(QStringLiteral("--help"))) {
        std::printf("Usage: %s [options]\n%s\n\nOptions:\n%s", qPrintable(args.value(0)),
                    "A simulated DXR9K electronic load with 100 store memories, speaking SCPI on a "
                    "pseudo-terminal,\na TCP socket, VXI-11 or HiSLIP. Prints the VISA resource names that "
                    "reach it, one per line, as the first\nlines of standard output, then serves until it is "
                    "terminated.",
                    qPrintable(parser.OptionsHelp()));
        return 0;
    }

    SIMOPTIONS options;
    options.bPty = parser.IsSet(QStringLiteral("--pty"));
    options.strLink = parser.Value(QStringLiteral("--link"));
    long n = 0;
    if (parser.IsSet(QStringLiteral("--tcp"))) {
        if (!ToLong(parser.Value(QStringLiteral("--tcp")), 0, n) || n > 65535)
            return Fail(QStringLiteral("--tcp needs a port number from 0 to 65535"));
        options.nTcpPort = static_cast<int>(n);
    }
    int nVxi11Port = -1;
    if (parser.IsSet(QStringLiteral("--vxi11"))) {
        if (!ToLong(parser.Value(QStringLiteral("--vxi11")), 0, n) || n > 65535)
            return Fail(QStringLiteral("--vxi11 needs a port number from 0 to 65535"));
        nVxi11Port = static_cast<int>(n);
    }
    int nHislipPort = -1;
    if (parser.IsSet(QStringLiteral("--hislip"))) {
        if (!ToLong(parser.Value(QStringLiteral("--hislip")), 0, n) || n > 65535)
            return Fail(QStringLiteral("--hislip needs a port number from 0 to 65535"));
        nHislipPort = static_cast<int>(n);
    }
    if (options.bPty && options.nTcpPort >= 0)
        return Fail(QStringLiteral("give only one of --pty and --tcp PORT (see --help)"));
    if (!options.bPty && options.nTcpPort < 0 && nVxi11Port < 0 && nHislipPort < 0)
        return Fail(QStringLiteral("give --pty, --tcp PORT, --vxi11 PORT or --hislip PORT (see --help)"));
    if (!options.strLink.isEmpty() && !options.bPty)
        return Fail(QStringLiteral("--link goes with --pty"));
    if (parser.IsSet(QStringLiteral("--latency"))) {
        if (!ToLong(parser.Value(QStringLiteral("--latency")), 0, n) || n > 600000)
            return Fail(QStringLiteral("--latency needs milliseconds from 0 to 600000"));
        options.nLatencyMs = static_cast<int>(n);
    }
    if (parser.IsSet(QStringLiteral("--baud"))) {
        if (!ToLong(parser.Value(QStringLiteral("--baud")), 1, n))
            return Fail(QStringLiteral("--baud needs a positive baud rate"));
        options.nBaud = n;
    }
    if (parser.IsSet(QStringLiteral("--silent-after"))) {
        if (!ToLong(parser.Value(QStringLiteral("--silent-after")), 0, n))
            return Fail(QStringLiteral("--silent-after needs a count of 0 or more"));
        options.nSilentAfter = n;
    }
    options.strLogPath = parser.Value(QStringLiteral("--log"));

    CSimInstrument instrument(parser.IsSet(QStringLiteral("--idn"))
                                  ? parser.Value(QStringLiteral("--idn"))
                                  : CSimInstrument::DefaultIdentification());
    for (const QString& strCode : parser.Values(QStringLiteral("--queue-error"))) {
        bool bOk = false;
        const int nCode = strCode.toInt(&bOk);
        if (!bOk || nCode == 0)
            return Fail(
                QStringLiteral("--queue-error needs a non-zero SCPI error number, not '%1'").arg(strCode));
        instrument.QueueError(nCode);
    }

    // A state file that exists but cannot be read is never overwritten at exit.
    const QString strState = parser.Value(QStringLiteral("--state"));
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
