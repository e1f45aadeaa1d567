#include "cli/CliCommand.h"
#include "cli/CliTransfer.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace {

int RunUpload(const QStringList& args);

const CLICOMMAND s_upload = {"upload", 2402, 2403, RunUpload};
VAULTLINE_CLI_COMMAND(s_upload);

int RunUpload(const QStringList& args)
{
    TRANSFERARGS a;
    if (!CCliTransfer::ParseArguments(s_upload, args, false, a))
        return CLI_EXIT_USAGE;
    const QString& strFile = a.positional.at(0);
    const QString& strResource = a.positional.at(1);

    CXmlDocData data;
    data.Reset();
    if (!data.Load(strFile)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_READ, strFile));
        return CLI_EXIT_FILE;
    }
    CCliTransfer transfer(CTransferProcedure::MODE_UPLOAD, data.GetContainer());
    return CCliTransfer::ExitCode(transfer.Run(strResource, a.nFirst, a.nLast));
}

} // namespace
