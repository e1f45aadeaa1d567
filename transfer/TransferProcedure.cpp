#include "transfer/TransferProcedure.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "instrument/ScpiReply.h"
#include "instrument/StoreMemCommands.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

namespace {

// The serial-number field of a DXR9K's identification has at least this many
// characters; anything shorter (or no identification at all) is another model.
constexpr int MIN_SERIAL_LENGTH = 8;

} // namespace

CTransferProcedure::CTransferProcedure(int nMode, CStoreMemContainer& memories, ITransferHost& host)
    : m_nMode(nMode), m_memories(memories), m_host(host)
{
}

void CTransferProcedure::ReadBack(CDxr& dxr, int nMemory)
{
    STOREMEM mem;
    dxr.ReadStoreMemory(mem);
    m_readBack.emplace_back(nMemory, std::move(mem));
}

std::vector<std::pair<int, std::vector<STOREMEMDIFFERENCE>>>
CTransferProcedure::CompareReadBack(const CStoreMemContainer& memories) const
{
    std::vector<std::pair<int, std::vector<STOREMEMDIFFERENCE>>> result;
    for (const auto& [nMemory, instrument] : m_readBack) {
        const STOREMEM* pMem = memories.GetAt(nMemory);
        if (!pMem)
            continue;
        std::vector<STOREMEMDIFFERENCE> differences =
            CompareStoreMem(*pMem, instrument, EStoreMemCompare::FilePrecision, StoreMemCommands::MEMO_LIMIT);
        if (!differences.empty())
            result.emplace_back(nMemory, std::move(differences));
    }
    return result;
}

void CTransferProcedure::Report(const QString& strText)
{
    m_strMessage = strText;
    m_host.ShowMessage(strText);
}

CTransferProcedure::EResult CTransferProcedure::Run(std::shared_ptr<IResourceManager>& pResourceManager,
                                                    const QString& strResource, int nFirst, int nLast)
{
    const bool bDownload = m_nMode == MODE_DOWNLOAD;
    m_nTransferred = 0;
    m_readBack.clear();
    m_hrError = S_OK;
    m_strMessage.clear();

    m_host.SetProgressRange(nLast - nFirst + 1);

    // An upload is refused whole rather than left half done: every memory of
    // the range must fit the instrument's command buffer before the first
    // byte goes out.
    if (m_nMode == MODE_UPLOAD) {
        for (int i = nFirst; i <= nLast; ++i) {
            const STOREMEM* pMem = m_memories.GetAt(i);
            const QString strField = pMem ? StoreMemCommands::TooLongField(*pMem) : QString();
            if (!strField.isEmpty()) {
                Report(LoadResString(IDS_IN_MEMORY)
                           .arg(i)
                           .arg(LoadResString(IDS_VALUE_TOO_LONG_FOR_COMMAND)
                                    .arg(strField)
                                    .arg(ScpiReply::REPLY_CHARS)) +
                       QLatin1Char('\n') + LoadResString(IDS_UPLOAD_REFUSED));
                return RESULT_REFUSED;
            }
        }
    }
    m_bRunning.store(true);

    EResult result = RESULT_COMPLETED;
    // Set once a download has started writing into a record: from then on the
    // records differ from what was loaded, whatever happens next.
    bool bTouched = false;
    bool bMarkedModified = false;
    // A failed download keeps what it read; the document must say so and the
    // views must show it, or a later save would write values nobody saw.
    auto keepPartialDownload = [&] {
        if (!bTouched)
            return;
        if (!bMarkedModified)
            m_host.SetModified();
        m_host.RefreshView();
    };
    {
        CDxr dxr;
        // A cancel must be heard while the instrument reports error after
        // error, not only between memories.
        dxr.SetCancelCheck([this] {
            m_host.PumpMessages();
            return !m_bRunning.load();
        });
        try {
            dxr.Open(pResourceManager, strResource);

            QString strManufacturer, strModel, strSerial, strFirmware;
            if (dxr.m_wVersion != 0)
                dxr.GetIdentity(strManufacturer, strModel, strSerial, strFirmware);
            if (strSerial.length() < MIN_SERIAL_LENGTH) {
                dxr.ReleaseLock();
                result = RESULT_WRONG_MODEL;
                Report(LoadResString(IDS_WRONG_MODEL));
            } else {
                for (int i = nFirst; i <= nLast; ++i) {
                    if (!m_bRunning.load())
                        break;
                    // The document always holds 100 records; a missing one
                    // fails like a call through a null pointer.
                    STOREMEM* pMem = m_memories.GetAt(i);
                    if (!pMem)
                        throw _com_error(E_POINTER);
                    dxr.SelectStoreMemory(i);
                    if (bDownload) {
                        bTouched = true;
                        dxr.ReadStoreMemory(*pMem);
                        if (i == nFirst) {
                            m_host.SetModified();
                            bMarkedModified = true;
                        }
                    } else if (m_nMode == MODE_VERIFY) {
                        ReadBack(dxr, i);
                    } else {
                        dxr.WriteStoreMemory(*pMem);
                        if (m_bReadBack)
                            ReadBack(dxr, i);
                    }
                    ++m_nTransferred;
                    m_host.StepProgress();
                    m_host.PumpMessages();
                }
                dxr.ReleaseLock();
                if (bDownload)
                    m_host.RefreshView();
                result = m_bRunning.load() ? RESULT_COMPLETED : RESULT_ABORTED;
                QStringList lines{LoadResString(result == RESULT_COMPLETED ? IDS_TRANSFER_COMPLETED
                                                                           : IDS_TRANSFER_ABORTED)};
                // The instrument's texts may hold characters that no memory
                // file can carry; saving replaces them, so say it now.
                if (bDownload)
                    lines << CXmlDocData::NonXmlCharacters(m_memories, nFirst, nFirst + m_nTransferred - 1);
                Report(lines.join(QLatin1Char('\n')));
            }
        } catch (const _com_error& e) {
            // The session holds the instrument's lock for the whole transfer;
            // it goes before the message waits for the user, so that another
            // program is not kept off while the box is open.
            dxr.ReleaseLock();
            keepPartialDownload();
            if (e.Error() == Visa::VI_ERROR_ABORT && !m_bRunning.load()) {
                result = RESULT_ABORTED;
                Report(LoadResString(IDS_TRANSFER_ABORTED));
            } else {
                result = RESULT_VISA_FAILURE;
                m_hrError = e.Error();
                Report(e.Description());
            }
        } catch (const CScpiException& e) {
            dxr.ReleaseLock();
            keepPartialDownload();
            result = RESULT_INSTRUMENT_ERRORS;
            Report(e.GetReport());
        }
    } // the driver goes here, which closes the session

    m_bRunning.store(false);
    return result;
}
