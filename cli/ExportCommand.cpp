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

const CLICOMMAND s_Export{"export", IDS_CLI_EXPORT_USAGE, IDS_CLI_EXPORT_SUMMARY, RunExport};
VAULTLINE_CLI_COMMAND(s_Export);

int RunExport(const QStringList& args)
{
    TEXTFILEARGS a;
    if (!ParseTextFileArguments(s_Export, args, false, a))
        return CLI_EXIT_USAGE;

    CXmlDocData data;
    if (!LoadMemoryFile(data, a.strInput))
        return CLI_EXIT_FILE;
    QString strError;
    if (!WriteOutputBytes(a.strOutput, CMemoryTextFile::Write(data, a.eFormat), strError)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, a.strOutput));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(strError));
        return CLI_EXIT_FILE;
    }
    return CLI_EXIT_OK;
}

} // namespace
