#include "cli/CliTransfer.h"
#include "cli/JsonOutput.h"

#include "cli/CliCommand.h"
#include "cli/MemoryFileArgs.h"
#include "model/StoreMemComparison.h"
#include "platform/args/ArgumentParser.h"
#include "platform/visa/ResourceManagerFactory.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Ctrl+C asks the running procedure to stop before its next memory, exactly
// as the dialog's Cancel does; the memory in progress ends cleanly, so the
// instrument is never left locked or halfway through an exchange. Both are
// lock-free atomics, which a signal handler may touch.
std::atomic<CTransferProcedure*> s_pRunning{nullptr};
volatile std::sig_atomic_t s_bInterrupted = 0;

extern "C" void OnInterrupt(int)
{
    s_bInterrupted = 1;
    if (CTransferProcedure* p = s_pRunning.load())
        p->Cancel();
}

// Installs the handler for the lifetime of one transfer.
class CInterruptGuard
{
public:
    explicit CInterruptGuard(CTransferProcedure& procedure)
    {
        s_bInterrupted = 0;
        s_pRunning.store(&procedure);
        struct sigaction action = {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &m_previous);
    }
    ~CInterruptGuard()
    {
        sigaction(SIGINT, &m_previous, nullptr);
        s_pRunning.store(nullptr);
    }
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

private:
    struct sigaction m_previous = {};
};

constexpr int BAR_WIDTH = 30;

void WriteError(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

CCliTransfer::CCliTransfer(int nMode, CStoreMemContainer& memories)
    : m_procedure(nMode, memories, *this), m_bProgressBar(isatty(STDERR_FILENO) != 0)
{
}

CTransferProcedure::EResult CCliTransfer::Run(const QString& strResource, int nFirst, int nLast)
{
    std::shared_ptr<IResourceManager> pManager = CreateResourceManager();
    CTransferProcedure::EResult result;
    {
        CInterruptGuard guard(m_procedure);
        result = m_procedure.Run(pManager, strResource, nFirst, nLast);
    }
    ClearProgress();
    // An instrument in use by another program is named by the message itself;
    // a hint about cables would mislead.
    if (result == CTransferProcedure::RESULT_VISA_FAILURE &&
        m_procedure.GetError() != Visa::VI_ERROR_RSRC_LOCKED) {
        // The dialog shows the description as it stands, even an empty one; a
        // terminal user gets at least the code, and a hint where one helps.
        if (m_procedure.GetMessage().isEmpty())
            CliPrintError(_com_error(m_procedure.GetError()).ErrorMessage());
        CliPrintError(LoadResString(m_procedure.GetError() == Visa::VI_ERROR_TMO ? IDS_CLI_TRANSFER_TIMEOUT
                                                                                 : IDS_CLI_TRANSFER_FAILED)
                          .arg(strResource));
    }
    if (result != CTransferProcedure::RESULT_COMPLETED &&
        m_procedure.GetMode() == CTransferProcedure::MODE_UPLOAD && m_procedure.GetTransferredCount() > 0)
        CliPrintError(LoadResString(IDS_CLI_WRITTEN_BEFORE_STOP)
                          .arg(m_procedure.GetTransferredCount())
                          .arg(nLast - nFirst + 1));
    return result;
}

int CCliTransfer::ExitCode(CTransferProcedure::EResult result)
{
    switch (result) {
    case CTransferProcedure::RESULT_COMPLETED:
        return CLI_EXIT_OK;
    case CTransferProcedure::RESULT_ABORTED:
        return CLI_EXIT_CANCELLED;
    case CTransferProcedure::RESULT_WRONG_MODEL:
        return CLI_EXIT_WRONG_MODEL;
    case CTransferProcedure::RESULT_VISA_FAILURE:
        return CLI_EXIT_VISA;
    case CTransferProcedure::RESULT_INSTRUMENT_ERRORS:
        return CLI_EXIT_INSTRUMENT;
    case CTransferProcedure::RESULT_REFUSED:
        return CLI_EXIT_REFUSED;
    }
    return CLI_EXIT_VISA;
}

bool CCliTransfer::ParseRange(const QString& strRange, int& nFirst, int& nLast)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\d{1,3})\\s*-\\s*(\\d{1,3})\\s*$"));
    const QRegularExpressionMatch match = re.match(strRange);
    if (!match.hasMatch())
        return false;
    const int nA = match.captured(1).toInt();
    const int nB = match.captured(2).toInt();
    if (nA < CTransferProcedure::FIRST_MEMORY || nB > CTransferProcedure::LAST_MEMORY || nA > nB)
        return false;
    nFirst = nA;
    nLast = nB;
    return true;
}

bool CCliTransfer::ParseArguments(const CLICOMMAND& command, const QStringList& args, bool bInto,
                                  TRANSFERARGS& out, bool bVerify)
{
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--range")}, QStringLiteral("FIRST-LAST"));
    if (bInto)
        parser.AddOption({QStringLiteral("--into")}, QStringLiteral("BASEFILE"));
    if (bVerify)
        parser.AddOption({QStringLiteral("--verify")});
    if (!parser.Parse(args)) {
        CliUsageError(command, LoadResString(parser.Error() == CArgumentParser::ERROR_MISSING_VALUE
                                                 ? IDS_CLI_TRANSFER_OPTION_NEEDS_VALUE
                                                 : IDS_CLI_TRANSFER_UNKNOWN_OPTION)
                                   .arg(parser.ErrorOption()));
        return false;
    }
    // Each --range is checked as given; the last one counts.
    for (const QString& strRange : parser.Values(QStringLiteral("--range"))) {
        if (!ParseRange(strRange, out.nFirst, out.nLast)) {
            CliUsageError(command, LoadResString(IDS_CLI_BAD_RANGE).arg(strRange));
            return false;
        }
    }
    out.strInto = parser.Value(QStringLiteral("--into"));
    out.bVerify = parser.IsSet(QStringLiteral("--verify"));
    out.positional = parser.Positional();
    if (out.positional.size() != 2) {
        CliUsageError(command, LoadResString(IDS_CLI_WRONG_ARG_COUNT));
        return false;
    }
    return true;
}

int CCliTransfer::ReportReadBack(const CStoreMemContainer& memories, bool bJson) const
{
    int nValues = 0;
    int nMemories = 0;
    QJsonArray array;
    for (const auto& [nMemory, differences] : m_procedure.CompareReadBack(memories)) {
        if (bJson) {
            for (const STOREMEMDIFFERENCE& d : differences)
                array.append(
                    DifferenceJson(nMemory, d, QStringLiteral("File"), QStringLiteral("Instrument")));
        } else {
            PrintDifferences(nMemory, differences);
        }
        nValues += static_cast<int>(differences.size());
        ++nMemories;
    }
    if (bJson)
        CliPrintJson(array);
    std::fflush(stdout);
    if (nMemories == 0)
        return CLI_EXIT_OK;
    CliPrintError(LoadResString(IDS_CLI_VERIFY_DIFFER).arg(nValues).arg(nMemories));
    return CLI_EXIT_DIFFERENT;
}

void CCliTransfer::SetProgressRange(int nMemories)
{
    m_nTotal = nMemories;
    m_nDone = 0;
    DrawProgress();
}

void CCliTransfer::StepProgress()
{
    ++m_nDone;
    DrawProgress();
}

void CCliTransfer::PumpMessages()
{
    // A Ctrl+C that came before the procedure started running is still a
    // request to stop.
    if (s_bInterrupted)
        m_procedure.Cancel();
}

void CCliTransfer::ShowMessage(const QString& strText)
{
    ClearProgress();
    if (!strText.isEmpty())
        CliPrintError(strText.endsWith(QLatin1Char('\n')) ? strText.chopped(1) : strText);
}

void CCliTransfer::DrawProgress()
{
    if (!m_bProgressBar || m_nTotal <= 0)
        return;
    const int nFilled = m_nDone * BAR_WIDTH / m_nTotal;
    const int nMode = m_procedure.GetMode();
    const QString strLabel = LoadResString(nMode == CTransferProcedure::MODE_DOWNLOAD ? IDS_CLI_DOWNLOADING
                                           : nMode == CTransferProcedure::MODE_VERIFY ? IDS_CLI_VERIFYING
                                                                                      : IDS_CLI_UPLOADING);
    const QString strLine =
        QStringLiteral("\r%1 [%2%3] %4/%5")
            .arg(strLabel, QString(nFilled, QLatin1Char('#')), QString(BAR_WIDTH - nFilled, QLatin1Char('.')))
            .arg(m_nDone, 3)
            .arg(m_nTotal);
    WriteError(strLine.toLocal8Bit());
    m_bProgressShown = true;
}

void CCliTransfer::ClearProgress()
{
    if (!m_bProgressShown)
        return;
    WriteError(QByteArrayLiteral("\r\x1b[K"));
    m_bProgressShown = false;
}
