#include "cli/CliCommand.h"
#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"
#include "cli/TextFormatArgs.h"

#include "model/MemoryTextFile.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace {

int RunExport(const QStringList& args);

const CLICOMMAND s_Export{"export", 2940, 2941, RunExport};
VAULTLINE_CLI_COMMAND(s_Export);

int RunExport(const QStringList& args)
{
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(s_Export, args, {QStringLiteral("--format"), QStringLiteral("--output")}, 1,
                        positional, options))
        return CLI_EXIT_USAGE;
    const auto it = options.find(QStringLiteral("--output"));
    const QString strOutput = it != options.end() ? it->second : QStringLiteral("-");
    CMemoryTextFile::EFormat eFormat = CMemoryTextFile::FORMAT_JSON;
    if (!ParseTextFormat(s_Export, options, strOutput, eFormat))
        return CLI_EXIT_USAGE;

    CXmlDocData data;
    if (!LoadMemoryFile(data, positional.at(0)))
        return CLI_EXIT_FILE;
    QString strError;
    if (!WriteOutputBytes(strOutput, CMemoryTextFile::Write(data, eFormat), strError)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, strOutput));
        CliPrintError(LoadResString(2114).arg(strError));
        return CLI_EXIT_FILE;
    }
    return CLI_EXIT_OK;
}

} // namespace
