#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/CliTransfer.h"
#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"

#include "model/XmlDocData.h"
#include "platform/file/RegularFile.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFileInfo>

int RunDownload(const CLICOMMAND& command, const QStringList& args)
{
    TRANSFERARGS a;
    if (!CCliTransfer::ParseArguments(command, args, true, a))
        return CLI_EXIT_USAGE;
    const QString& strResource = a.positional.at(0);
    const QString& strFile = a.positional.at(1);

    // Memories outside the range come from the base file; without one, a
    // partial download updates the range of an existing FILE and keeps the
    // rest of it, as the desktop program does with the open document. A full
    // download replaces FILE, and a new FILE gets defaults outside the range.
    const bool bPartial =
        a.nFirst != CTransferProcedure::FIRST_MEMORY || a.nLast != CTransferProcedure::LAST_MEMORY;
    QString strBase = a.strInto;
    const bool bToStdout = IsStandardStream(strFile);
    if (strBase.isEmpty() && bPartial && !bToStdout && QFileInfo::exists(strFile))
        strBase = strFile;
    CXmlDocData data;
    data.Reset();
    if (!strBase.isEmpty() && !LoadMemoryFile(data, strBase)) {
        // Writing the range with defaults around it would replace a file the
        // user had with less than it held.
        if (strBase == strFile && a.strInto.isEmpty())
            CliPrintError(LoadResString(IDS_CLI_PARTIAL_BASE_UNREADABLE).arg(strFile));
        return CLI_EXIT_FILE;
    }
    // Found out before the instrument is busy for minutes, not after.
    QString strWhyNot;
    if (!bToStdout && !RegularFile::CanSave(strFile, strWhyNot)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, strFile));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(strWhyNot));
        return CLI_EXIT_FILE;
    }

    CCliTransfer transfer(CTransferProcedure::MODE_DOWNLOAD, data.GetContainer());
    const CTransferProcedure::EResult result = transfer.Run(strResource, a.nFirst, a.nLast);
    // Only a complete download is a backup; anything less leaves the file as
    // it was.
    if (result != CTransferProcedure::RESULT_COMPLETED) {
        if (result != CTransferProcedure::RESULT_WRONG_MODEL)
            CliPrintError(LoadResString(IDS_CLI_WAS_NOT_WRITTEN).arg(strFile));
        return CCliTransfer::ExitCode(result);
    }
    if (!SaveMemoryFile(data, strFile))
        return CLI_EXIT_FILE;
    return CLI_EXIT_OK;
}
