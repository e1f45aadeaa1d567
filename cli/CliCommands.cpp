#include "cli/CliCommands.h"

#include "platform/args/ArgumentParser.h"
#include "platform/visa/VisaTrace.h"
#include "resources/StringTable.h"

#include <algorithm>

namespace {

void PrintHelp()
{
    CliPrint(LoadResString(2000));
    CliPrint(QString());
    for (const CLICOMMAND& c : CCliCommands::All()) {
        CliPrint(QStringLiteral("  vaultline-cli %1").arg(LoadResString(c.nUsageId)));
        CliPrint(QStringLiteral("      %1").arg(LoadResString(c.nSummaryId)));
    }
    CliPrint(QString());
    CliPrint(LoadResString(2860));
    CliPrint(QString());
    CliPrint(LoadResString(2001));
}

// Takes "--log FILE" (or "--log=FILE") out of the arguments, wherever it
// stands, and starts the wire trace. False after a message when the option
// is incomplete or the file cannot be written.
bool TakeLogOption(QStringList& args)
{
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--log")}, QStringLiteral("FILE"));
    parser.SetPassThrough(true);
    const bool bParsed = parser.Parse(args);
    const QStringList paths = parser.Values(QStringLiteral("--log"));
    if (!bParsed ||
        std::any_of(paths.begin(), paths.end(), [](const QString& str) { return str.isEmpty(); })) {
        CliPrintError(LoadResString(2862));
        return false;
    }
    for (const QString& strPath : paths) {
        QString strError;
        if (!CVisaTrace::Start(strPath, strError)) {
            CliPrintError(LoadResString(2861).arg(strPath, strError));
            return false;
        }
    }
    args = parser.Positional();
    return true;
}

} // namespace

const std::vector<CLICOMMAND>& CCliCommands::All()
{
    static const std::vector<CLICOMMAND> commands{
        {"backup", 2965, 2966, RunBackup},     {"copy", 2102, 2103, RunCopy},
        {"diff", 2104, 2105, RunDiff},         {"doctor", 2865, 2866, RunDoctor},
        {"download", 2400, 2401, RunDownload}, {"export", 2940, 2941, RunExport},
        {"identify", 2300, 2301, RunIdentify}, {"import", 2942, 2943, RunImport},
        {"list", 2200, 2201, RunList},         {"restore", 2967, 2968, RunRestore},
        {"show", 2100, 2101, RunShow},         {"upload", 2402, 2403, RunUpload},
        {"verify", 2740, 2741, RunVerify},
    };
    return commands;
}

const CLICOMMAND* CCliCommands::Find(const QString& strName)
{
    for (const CLICOMMAND& c : All()) {
        if (strName == QLatin1String(c.pszName))
            return &c;
    }
    return nullptr;
}

QString CCliCommands::CommandHelp(const CLICOMMAND& command)
{
    return QStringLiteral("vaultline-cli %1\n%2")
        .arg(LoadResString(command.nUsageId), LoadResString(command.nSummaryId));
}

int CCliCommands::Run(QStringList args, const QString& strVersion)
{
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
        CliPrint(QStringLiteral("vaultline-cli %1").arg(strVersion));
        return CLI_EXIT_OK;
    }
    const CLICOMMAND* pCommand = Find(strFirst);
    if (!pCommand) {
        CliPrintError(LoadResString(2003).arg(strFirst));
        return CLI_EXIT_USAGE;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        CliPrint(CommandHelp(*pCommand));
        return CLI_EXIT_OK;
    }
    return pCommand->pfnRun(*pCommand, args);
}
