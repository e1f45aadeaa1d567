#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/CliTransfer.h"
#include "cli/MemoryFileArgs.h"

#include "model/XmlDocData.h"

int RunUpload(const CLICOMMAND& command, const QStringList& args)
{
    TRANSFERARGS a;
    if (!CCliTransfer::ParseArguments(command, args, false, a, true))
        return CLI_EXIT_USAGE;
    const QString& strFile = a.positional.at(0);
    const QString& strResource = a.positional.at(1);

    CXmlDocData data;
    if (!LoadMemoryFile(data, strFile))
        return CLI_EXIT_FILE;
    CCliTransfer transfer(CTransferProcedure::MODE_UPLOAD, data.GetContainer());
    transfer.SetReadBack(a.bVerify);
    const CTransferProcedure::EResult result = transfer.Run(strResource, a.nFirst, a.nLast);
    if (result != CTransferProcedure::RESULT_COMPLETED || !a.bVerify)
        return CCliTransfer::ExitCode(result);
    return transfer.ReportReadBack(data.GetContainer());
}
