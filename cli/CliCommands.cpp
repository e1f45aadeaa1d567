#include "cli/CliCommands.h"

#include "platform/args/ArgumentParser.h"
#include "platform/visa/VisaTrace.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <algorithm>

namespace {

void PrintHelp()
{
    CliPrint(LoadResString(IDS_CLI_USAGE));
    CliPrint(QString());
    for (const CLICOMMAND& c : CCliCommands::All()) {
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
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--log")}, QStringLiteral("FILE"));
    parser.SetPassThrough(true);
    const bool bParsed = parser.Parse(args);
    const QStringList paths = parser.Values(QStringLiteral("--log"));
    if (!bParsed ||
        std::any_of(paths.begin(), paths.end(), [](const QString& str) { return str.isEmpty(); })) {
        CliPrintError(LoadResString(IDS_CLI_LOG_NEEDS_FILE));
        return false;
    }
    for (const QString& strPath : paths) {
        QString strError;
        if (!CVisaTrace::Start(strPath, strError)) {
            CliPrintError(LoadResString(IDS_CLI_LOG_NOT_WRITABLE).arg(strPath, strError));
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
        {"backup", IDS_CLI_BACKUP_USAGE, IDS_CLI_BACKUP_SUMMARY, RunBackup},
        {"copy", IDS_CLI_COPY_USAGE, IDS_CLI_COPY_SUMMARY, RunCopy},
        {"diff", IDS_CLI_DIFF_USAGE, IDS_CLI_DIFF_SUMMARY, RunDiff},
        {"doctor", IDS_CLI_DOCTOR_USAGE, IDS_CLI_DOCTOR_SUMMARY, RunDoctor},
        {"download", IDS_CLI_DOWNLOAD_USAGE, IDS_CLI_DOWNLOAD_SUMMARY, RunDownload},
        {"export", IDS_CLI_EXPORT_USAGE, IDS_CLI_EXPORT_SUMMARY, RunExport},
        {"identify", IDS_CLI_IDENTIFY_USAGE, IDS_CLI_IDENTIFY_SUMMARY, RunIdentify},
        {"import", IDS_CLI_IMPORT_USAGE, IDS_CLI_IMPORT_SUMMARY, RunImport},
        {"list", IDS_CLI_LIST_USAGE, IDS_CLI_LIST_SUMMARY, RunList},
        {"restore", IDS_CLI_RESTORE_USAGE, IDS_CLI_RESTORE_SUMMARY, RunRestore},
        {"show", IDS_CLI_SHOW_USAGE, IDS_CLI_SHOW_SUMMARY, RunShow},
        {"upload", IDS_CLI_UPLOAD_USAGE, IDS_CLI_UPLOAD_SUMMARY, RunUpload},
        {"verify", IDS_CLI_VERIFY_USAGE, IDS_CLI_VERIFY_SUMMARY, RunVerify},
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
        CliPrintError(LoadResString(IDS_CLI_UNKNOWN_COMMAND).arg(strFirst));
        return CLI_EXIT_USAGE;
    }
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        CliPrint(CommandHelp(*pCommand));
        return CLI_EXIT_OK;
    }
    return pCommand->pfnRun(*pCommand, args);
}
