#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/CliTransfer.h"
#include "cli/JsonOutput.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

// The comparison of an upload with --verify, without the upload: the
// instrument is only read.
int RunVerify(const CLICOMMAND& command, const QStringList& argsGiven)
{
    QStringList args = argsGiven;
    const bool bJson = TakeJsonSwitch(args);
    TRANSFERARGS a;
    if (!CCliTransfer::ParseArguments(command, args, false, a))
        return CLI_EXIT_USAGE;
    const QString& strFile = a.positional.at(0);
    const QString& strResource = a.positional.at(1);

    CXmlDocData data;
    data.Reset();
    if (!data.Load(strFile)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_READ, strFile));
        return CLI_EXIT_FILE;
    }
    CCliTransfer transfer(CTransferProcedure::MODE_VERIFY, data.GetContainer());
    const CTransferProcedure::EResult result = transfer.Run(strResource, a.nFirst, a.nLast);
    if (result != CTransferProcedure::RESULT_COMPLETED)
        return CCliTransfer::ExitCode(result);
    return transfer.ReportReadBack(data.GetContainer(), bJson);
}
