#pragma once

#include "platform/visa/Visa.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// An in-process DXR9K behind the VISA interfaces that records every command it
// is sent, in order, into a log that the test's host writes its own events to
// as well. It keeps the store memories as the argument texts of the ten write
// commands and answers each query with what was last written (defaults as a
// new record), so an upload followed by a download round-trips.
class CRecordingInstrument : public IMessage, public std::enable_shared_from_this<CRecordingInstrument>
{
public:
    CRecordingInstrument();

    // What the instrument answers to "*IDN?".
    QString m_strIdn = QStringLiteral("TALVERO,DXR-9K,TV123456,1.05\n");
    // Errors in the queue before the first command, as "code,\"text\"".
    QStringList m_queuedErrors;
    // A command that queues an error when it reaches the given memory:
    // header (e.g. "BACK:SMEM:PULS") and memory number.
    QString m_strErrorHeader;
    int m_nErrorMemory = -1;
    // The 1-based number of the command whose WriteString times out (0: none).
    int m_nTimeoutAt = 0;
    // Called with each command text after it has been processed.
    std::function<void(const QString&)> m_fnOnCommand;

    // The log: every command as sent, and the host's events ("#...").
    QStringList m_log;
    int m_nLockCount = 0;   // LockRsrc calls
    int m_nUnlockCount = 0; // UnlockRsrc calls

    // The argument text of a memory's write command, e.g. ("SLEW", 5).
    QString& Stored(const QString& strKey, int nMemory) { return m_memories[nMemory][strKey]; }
    // The commands sent, without the host's events.
    QStringList Commands() const;

    // IVisaSession
    QString ResourceName() const override { return QStringLiteral("ASRL/dev/fake::INSTR"); }
    void SetTimeout(long nMilliseconds) override { m_nTimeout = nMilliseconds; }
    long GetTimeout() const override { return m_nTimeout; }
    QString LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey) override;
    void UnlockRsrc() override;
    int LockState() override { return m_nLockState; }

    // IMessage
    long WriteString(const QString& strText) override;
    QString ReadString(long nCount) override;

private:
    void Process(const QString& strCommand);

    long m_nTimeout = 2000;
    int m_nLockState = Visa::NO_LOCK;
    int m_nSelected = 0;
    int m_nCommands = 0;
    QString m_strReply;
    QMap<int, QMap<QString, QString>> m_memories;
};

// Opens sessions on one recording instrument, under any resource name.
class CRecordingResourceManager : public IResourceManager
{
public:
    explicit CRecordingResourceManager(std::shared_ptr<CRecordingInstrument> pInstrument)
        : m_pInstrument(std::move(pInstrument))
    {
    }

    QStringList FindRsrc(const QString&) override { return {m_pInstrument->ResourceName()}; }
    std::shared_ptr<IVisaSession> Open(const QString&, int, long, const QString&) override
    {
        return m_pInstrument;
    }

private:
    std::shared_ptr<CRecordingInstrument> m_pInstrument;
};
