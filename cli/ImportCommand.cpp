#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"
#include "cli/TextFormatArgs.h"

#include "model/MemoryTextFile.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

// Everything is checked before anything is written: a fault anywhere in the
// input leaves OUT as it was.
int RunImport(const CLICOMMAND& command, const QStringList& args)
{
    TEXTFILEARGS a;
    if (!ParseTextFileArguments(command, args, true, a))
        return CLI_EXIT_USAGE;
    const QString& strInput = a.strInput;
    const QString& strOutput = a.strOutput;

    QByteArray bytes;
    QString strError;
    if (!ReadInputBytes(strInput, CMemoryTextFile::MAX_INPUT_SIZE, bytes, strError)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_READ, strInput));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(strError));
        return CLI_EXIT_FILE;
    }
    CXmlDocData data;
    if (!CMemoryTextFile::Read(bytes, a.eFormat, data, strError)) {
        CliPrintError(QStringLiteral("%1: %2").arg(
            IsStandardStream(strInput) ? LoadResString(IDS_CLI_STANDARD_INPUT) : strInput, strError));
        CliPrintError(LoadResString(IDS_CLI_NOTHING_WRITTEN).arg(strOutput));
        return CLI_EXIT_FILE;
    }
    if (!SaveMemoryFile(data, strOutput))
        return CLI_EXIT_FILE;
    if (!IsStandardStream(strOutput))
        CliPrintError(LoadResString(IDS_CLI_IMPORTED)
                          .arg(IsStandardStream(strInput) ? LoadResString(IDS_CLI_STANDARD_INPUT) : strInput,
                               strOutput));
    return CLI_EXIT_OK;
}
