#pragma once

#include "instrument/ScpiErrorContainer.h"
#include "model/StoreMem.h"
#include "platform/visa/Visa.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

// Driver for one DXR9K over one VISA session: identification, the firmware
// version, the instrument's error queue, and the store-memory commands.
//
// The session takes the instrument's exclusive lock when it opens and keeps it
// until ReleaseLock or the driver's end: a selection and the read or write of
// that memory must never have another program's command between them, or the
// two programs cross memories. Each exchange is still its own (nested)
// bracket, so the wire bytes are those of one exchange at a time. Checked
// operations read the error queue afterwards and throw CScpiException when it
// held errors.
class CDxr
{
public:
    CDxr();
    virtual ~CDxr();
    CDxr(const CDxr&) = delete;
    CDxr& operator=(const CDxr&) = delete;

    // Opens the session on the resource, takes the exclusive lock (another
    // program holding it for longer than the lock timeout gives
    // VI_ERROR_RSRC_LOCKED naming the resource), applies the serial settings,
    // sends the identification query and derives m_wVersion (0: not
    // identified).
    void Open(std::shared_ptr<IResourceManager>& pResourceManager, const QString& strResource);
    // Checked. The first four tokens of the identification reply.
    void GetIdentity(QString& strManufacturer, QString& strModel, QString& strSerial, QString& strFirmware);
    // Reads the error queue into m_errors, one locked exchange per entry, until
    // the instrument reports 0 or MAX_QUERY_ERRORS entries have been read;
    // returns the count of entries held.
    int QueryErrors();

    // Checked store-memory operations. A reply that does not fit its query
    // fails with VI_ERROR_IO naming the memory, the query and the reply; the
    // record is then left as it was. A record with a command too long for the
    // instrument's buffer fails the same way before anything is sent.
    void SelectStoreMemory(int nMemory);
    void WriteStoreMemory(const STOREMEM& mem);
    void ReadStoreMemory(STOREMEM& mem);

    // Asked between error-queue entries; true stops the error-queue loop
    // with VI_ERROR_ABORT, so that a cancel is heard while an instrument
    // reports error after error.
    void SetCancelCheck(std::function<bool()> fnCancelled);

    // Gives up every lock the session holds, the one of Open included; safe to
    // call at any time and on every way out. The destructor calls it.
    void ReleaseLock() noexcept;

    // Fixed values of every session.
    static constexpr long OPEN_TIMEOUT_MS = 2000;
    static constexpr long IO_TIMEOUT_MS = 3000;
    static constexpr long LOCK_TIMEOUT_MS = 2000;
    static constexpr long READ_CHARS = 256;
    // Reads of one reply at most, however much an instrument sends.
    static constexpr int MAX_REPLY_READS = 16;
    // An instrument that never reports "no error" cannot keep the driver in
    // the error-queue loop for ever.
    static constexpr int MAX_QUERY_ERRORS = 1000;
    // ... nor for longer than this.
    static constexpr int ERROR_QUEUE_MS = 5000;
    // How long a reply whose line ended inside an open quote is waited on for
    // its continuation before it is taken as received.
    static constexpr int QUOTE_WAIT_MS = 200;
    // Unlocks that ReleaseLock tries at most.
    static constexpr int MAX_LOCK_NESTING = 64;

    std::uint16_t m_wVersion = 0; // major in the high byte, minor in the low byte
    bool m_bCheckError = true;

private:
    IMessage& Session() const;
    // Starts a locked exchange; UnlockRsrc ends it. A failure in between leaves
    // the lock held.
    IMessage& Lock() const;
    // LockRsrc, with a lock that another program kept past the timeout
    // reported as the instrument being in use.
    static void LockOrReportInUse(IMessage& session);
    // One query inside a bracket: the command, then its whole reply (see
    // QUOTE_WAIT_MS); a reply too long for the buffer fails.
    QString Query(IMessage& session, const QString& strCommand) const;
    // Raises the failure of a reply or record that does not fit, naming the
    // memory when one is selected.
    [[noreturn]] void Fail(const QString& strText) const;
    // A reply as a message shows it: control characters spelled out, cut.
    static QString Shorten(const QString& strReply);
    // After a checked operation: reads the error queue and throws
    // CScpiException when it held entries.
    void Check();

    std::shared_ptr<IMessage> m_pSession;
    CScpiErrorContainer m_errors;
    int m_nMemory = -1; // the selected store memory, for messages
    std::function<bool()> m_fnCancelled;
};
