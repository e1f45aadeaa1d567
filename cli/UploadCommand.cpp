#include "cli/CliCommand.h"
#include "cli/CliTransfer.h"
#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace {

int RunUpload(const QStringList& args);

const CLICOMMAND s_upload = {"upload", IDS_CLI_UPLOAD_USAGE, IDS_CLI_UPLOAD_SUMMARY, RunUpload};
VAULTLINE_CLI_COMMAND(s_upload);

int RunUpload(const QStringList& args)
{
    TRANSFERARGS a;
    if (!CCliTransfer::ParseArguments(s_upload, args, false, a, true))
        return CLI_EXIT_USAGE;
    const QString& strFile = a.positional.at(0);
    const QString& strResource = a.positional.at(1);

    CXmlDocData data;
    data.Reset();
    if (IsStandardStream(strFile)) {
        if (!LoadMemoryFile(data, strFile))
            return CLI_EXIT_FILE;
    } else if (!data.Load(strFile)) {
        CliPrintError(FormatResString(IDS_FILE_NOT_READ, strFile));
        return CLI_EXIT_FILE;
    }
    CCliTransfer transfer(CTransferProcedure::MODE_UPLOAD, data.GetContainer());
    transfer.SetReadBack(a.bVerify);
    const CTransferProcedure::EResult result = transfer.Run(strResource, a.nFirst, a.nLast);
    if (result != CTransferProcedure::RESULT_COMPLETED || !a.bVerify)
        return CCliTransfer::ExitCode(result);
    return transfer.ReportReadBack(data.GetContainer());
}

} // namespace
