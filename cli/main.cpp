#include "cli/CliCommand.h"

#include "resources/StringTable.h"

#include <QCoreApplication>
#include <algorithm>
#include <csignal>

namespace {

void PrintHelp()
{
    CliPrint(LoadResString(2000));
    CliPrint(QString());
    std::vector<CLICOMMAND> commands = CCliCommandRegistry::All();
    std::sort(commands.begin(), commands.end(),
              [](const CLICOMMAND& a, const CLICOMMAND& b) { return qstrcmp(a.pszName, b.pszName) < 0; });
    for (const CLICOMMAND& c : commands) {
        CliPrint(QStringLiteral("  vaultline-cli %1").arg(LoadResString(c.nUsageId)));
        CliPrint(QStringLiteral("      %1").arg(LoadResString(c.nSummaryId)));
    }
    CliPrint(QString());
    CliPrint(LoadResString(2001));
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vaultline-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VAULTLINE_VERSION));

    QStringList args = QCoreApplication::arguments().mid(1);
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
        CliPrintError(LoadResString(2003).arg(strFirst));
        return CLI_EXIT_USAGE;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        CliPrint(QStringLiteral("vaultline-cli %1").arg(LoadResString(pCommand->nUsageId)));
        CliPrint(LoadResString(pCommand->nSummaryId));
        return CLI_EXIT_OK;
    }
    return pCommand->pfnRun(args);
}
