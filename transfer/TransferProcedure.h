#pragma once

#include "model/StoreMemComparison.h"
#include "model/StoreMemContainer.h"
#include "platform/com/ComError.h"
#include "platform/visa/Visa.h"

#include <QString>
#include <atomic>
#include <memory>
#include <utility>
#include <vector>

class CDxr;

// What the transfer needs from whoever runs it: the transfer dialog shows a
// progress bar and message boxes and pumps its event loop, the command-line
// tool draws a bar on a terminal and prints the messages.
class ITransferHost
{
public:
    virtual ~ITransferHost() = default;

    // A new transfer of nMemories memories: the progress runs from 0 to
    // nMemories and starts at 0.
    virtual void SetProgressRange(int nMemories) = 0;
    // One memory has been moved.
    virtual void StepProgress() = 0;
    // Lets the user interface run after each memory; this is where a cancel
    // request reaches the procedure.
    virtual void PumpMessages() = 0;
    // The final report (completion, abort, wrong model, the VISA description,
    // the instrument's error report); the text may be empty when a VISA call
    // failed without a description.
    virtual void ShowMessage(const QString& strText) = 0;
    // A download has changed the document: called once, after its first memory.
    virtual void SetModified() = 0;
    // A download has put instrument values into the records; the views that
    // show them should reload.
    virtual void RefreshView() = 0;
};

// Moves a range of store memories between the records and one instrument:
// opens the instrument, refuses a wrong model, then selects and writes or reads
// the memories one by one, checking the instrument's error queue after every
// exchange. It stops at the first failure and never undoes memories already
// moved. A verify reads the memories back instead, into records of its own,
// for the caller to compare with the document. Runs on the caller's thread; Cancel may come from the host's
// PumpMessages or from a signal handler.
class CTransferProcedure
{
public:
    enum EMode
    {
        MODE_UPLOAD = 1,   // PC to instrument
        MODE_DOWNLOAD = 2, // instrument to PC
        MODE_VERIFY = 3,   // instrument read back for comparison; nothing written anywhere
    };

    enum EResult
    {
        RESULT_COMPLETED,         // every memory of the range moved
        RESULT_ABORTED,           // cancelled between memories
        RESULT_WRONG_MODEL,       // not a DXR9K, or not identified; nothing moved
        RESULT_VISA_FAILURE,      // a VISA call failed (open, lock, timeout, ...)
        RESULT_INSTRUMENT_ERRORS, // the instrument's error queue was not empty
        RESULT_REFUSED,           // an upload whose records the instrument cannot take whole; nothing sent
    };

    static constexpr int FIRST_MEMORY = 0;
    static constexpr int LAST_MEMORY = 99;

    CTransferProcedure(int nMode, CStoreMemContainer& memories, ITransferHost& host);
    CTransferProcedure(const CTransferProcedure&) = delete;
    CTransferProcedure& operator=(const CTransferProcedure&) = delete;

    // The transfer of memories nFirst to nLast (both included) with the
    // resource. The range must lie within 0-99 with nFirst <= nLast; the
    // caller checks it (the dialog beeps, the tool reports a usage error).
    // Every outcome is reported to the host once and returned.
    EResult Run(std::shared_ptr<IResourceManager>& pResourceManager, const QString& strResource, int nFirst,
                int nLast);

    // Asks a running transfer to stop before its next memory; the memory in
    // progress finishes. Safe to call from a signal handler.
    void Cancel() { m_bRunning.store(false); }
    bool IsRunning() const { return m_bRunning.load(); }

    // An upload that reads each memory back right after writing it, in the
    // same session, so that what the instrument kept can be compared with
    // what was sent.
    void SetReadBack(bool bReadBack) { m_bReadBack = bReadBack; }
    // Compares what the last Run of a verify or of an upload with read-back
    // read from the instrument with the records, as far as a memory file keeps
    // values and with memos longer than the instrument keeps marked: the
    // memories that differ, in order, each with its differences. The read-back
    // went into new records, never over the document's, so a memory that could
    // not be read back cannot pass for one that matches.
    std::vector<std::pair<int, std::vector<STOREMEMDIFFERENCE>>>
    CompareReadBack(const CStoreMemContainer& memories) const;

    int GetMode() const { return m_nMode; }
    // Memories completely moved by the last Run.
    int GetTransferredCount() const { return m_nTransferred; }
    // The code of the VISA failure of the last Run (S_OK when there was none).
    HRESULT GetError() const { return m_hrError; }
    // The text reported to the host by the last Run.
    const QString& GetMessage() const { return m_strMessage; }

private:
    void Report(const QString& strText);
    void ReadBack(CDxr& dxr, int nMemory);

    const int m_nMode;
    bool m_bReadBack = false;
    std::vector<std::pair<int, STOREMEM>> m_readBack;
    CStoreMemContainer& m_memories;
    ITransferHost& m_host;
    std::atomic<bool> m_bRunning{false};
    int m_nTransferred = 0;
    HRESULT m_hrError = S_OK;
    QString m_strMessage;

    static_assert(std::atomic<bool>::is_always_lock_free, "Cancel must be usable in a signal handler");
};
