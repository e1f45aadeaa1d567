#include "cli/CliCommand.h"

#include "platform/visa/VisaTrace.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QCoreApplication>
#include <algorithm>
#include <csignal>

namespace {

void PrintHelp()
{
    CliPrint(LoadResString(IDS_CLI_USAGE));
    CliPrint(QString());
    std::vector<CLICOMMAND> commands = CCliCommandRegistry::All();
    std::sort(commands.begin(), commands.end(),
              [](const CLICOMMAND& a, const CLICOMMAND& b) { return qstrcmp(a.pszName, b.pszName) < 0; });
    for (const CLICOMMAND& c : commands) {
        CliPrint(QStringLiteral("  vaultline-cli %1").arg(LoadResString(c.nUsageId)));
        CliPrint(QStringLiteral("      %1").arg(LoadResString(c.nSummaryId)));
    }
    CliPrint(QString());
    CliPrint(LoadResString(IDS_CLI_LOG_OPTION_HELP));
    CliPrint(QString());
    CliPrint(LoadResString(IDS_CLI_EXIT_CODES));
}

// Takes "--log FILE" (or "--log=FILE") out of the arguments, wherever it
// stands, and starts the wire trace. False after a message when the option
// is incomplete or the file cannot be written.
bool TakeLogOption(QStringList& args)
{
    for (int i = 0; i < args.size(); ++i) {
        QString strPath;
        if (args[i] == QLatin1String("--log")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                CliPrintError(LoadResString(IDS_CLI_LOG_NEEDS_FILE));
                return false;
            }
            strPath = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(QLatin1String("--log="))) {
            strPath = args[i].mid(6);
            args.removeAt(i);
            if (strPath.isEmpty()) {
                CliPrintError(LoadResString(IDS_CLI_LOG_NEEDS_FILE));
                return false;
            }
        } else {
            continue;
        }
        QString strError;
        if (!CVisaTrace::Start(strPath, strError)) {
            CliPrintError(LoadResString(IDS_CLI_LOG_NOT_WRITABLE).arg(strPath, strError));
            return false;
        }
        --i;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vaultline-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VAULTLINE_VERSION));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (!TakeLogOption(args))
        return CLI_EXIT_USAGE;
    if (args.isEmpty()) {
        PrintHelp();
        return CLI_EXIT_USAGE;
    }
    const QString strFirst = args.takeFirst();
    if (strFirst == QLatin1String("--help") || strFirst == QLatin1String("-h") ||
        strFirst == QLatin1String("help")) {
        PrintHelp();
        return CLI_EXIT_OK;
    }
    if (strFirst == QLatin1String("--version")) {
        CliPrint(QStringLiteral("vaultline-cli %1").arg(QStringLiteral(VAULTLINE_VERSION)));
        return CLI_EXIT_OK;
    }
    const CLICOMMAND* pCommand = CCliCommandRegistry::Find(strFirst);
    if (!pCommand) {
        CliPrintError(LoadResString(IDS_CLI_UNKNOWN_COMMAND).arg(strFirst));
        return CLI_EXIT_USAGE;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        CliPrint(QStringLiteral("vaultline-cli %1").arg(LoadResString(pCommand->nUsageId)));
        CliPrint(LoadResString(pCommand->nSummaryId));
        return CLI_EXIT_OK;
    }
    return pCommand->pfnRun(args);
}
