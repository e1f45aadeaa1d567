#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"
#include "cli/TextFormatArgs.h"

#include "model/MemoryTextFile.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

int RunExport(const CLICOMMAND& command, const QStringList& args)
{
    TEXTFILEARGS a;
    if (!ParseTextFileArguments(command, args, false, a))
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
