#pragma once

#include "instrument/ScpiErrorContainer.h"
#include "model/StoreMem.h"
#include "platform/visa/Visa.h"

#include <QString>
#include <cstdint>
#include <memory>

// Driver for one DXR9K over one VISA session: identification, the firmware
// version, the instrument's error queue, and the store-memory commands. Every
// exchange is one locked bracket; a failure inside a bracket raises _com_error
// and may leave the lock held (the transfer releases it). Checked operations
// read the error queue afterwards and throw CScpiException when it held errors.
class CDxr
{
public:
    CDxr();
    virtual ~CDxr();
    CDxr(const CDxr&) = delete;
    CDxr& operator=(const CDxr&) = delete;

    // Opens the session on the resource (timeouts, serial settings), sends the
    // identification query and derives m_wVersion (0: not identified).
    void Open(std::shared_ptr<IResourceManager>& pResourceManager, const QString& strResource);
    // Checked. The first four tokens of the identification reply.
    void GetIdentity(QString& strManufacturer, QString& strModel, QString& strSerial, QString& strFirmware);
    // Reads the error queue into m_errors, one locked exchange per entry, until
    // the instrument reports 0 or MAX_QUERY_ERRORS entries have been read;
    // returns the count of entries held.
    int QueryErrors();

    // Checked store-memory operations.
    void SelectStoreMemory(int nMemory);
    void WriteStoreMemory(const STOREMEM& mem);
    void ReadStoreMemory(STOREMEM& mem);

    // The memo as a quoted SCPI string of at most nLimit characters, and back.
    static QString QuoteText(const QString& strText, int nLimit);
    static QString UnquoteText(const QString& strReply);

    // The session (null before Open), for releasing a lock after a failure.
    const std::shared_ptr<IMessage>& GetSession() const { return m_pSession; }

    // The entries read by the last error-queue queries.
    const CScpiErrorContainer& GetErrors() const { return m_errors; }

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

    std::uint16_t m_wVersion = 0; // major in the high byte, minor in the low byte
    bool m_bCheckError = true;

private:
    IMessage& Session() const;
    // Starts a locked exchange; UnlockRsrc ends it. A failure in between leaves
    // the lock held.
    IMessage& Lock() const;
    // One query inside a bracket: the command, then its reply.
    static QString Query(IMessage& session, const QString& strCommand);
    // After a checked operation: reads the error queue and throws
    // CScpiException when it held entries.
    void Check();

    std::shared_ptr<IMessage> m_pSession;
    CScpiErrorContainer m_errors;
};
