#pragma once

// A resource manager for benchmarks: its sessions pass everything on to the
// real ones and count the characters that cross the line in each direction,
// so that a run can be set against the least time the line needs for them.

#include "platform/visa/ResourceManagerFactory.h"

#include <memory>

struct LINECOUNTS
{
    qint64 nWritten = 0;
    qint64 nRead = 0;
    qint64 Total() const { return nWritten + nRead; }
};

class CCountingSession : public IMessage
{
public:
    CCountingSession(std::shared_ptr<IMessage> pInner, std::shared_ptr<LINECOUNTS> pCounts)
        : m_pInner(std::move(pInner)), m_pCounts(std::move(pCounts))
    {
    }

    QString ResourceName() const override { return m_pInner->ResourceName(); }
    void SetTimeout(long n) override { m_pInner->SetTimeout(n); }
    long GetTimeout() const override { return m_pInner->GetTimeout(); }
    QString LockRsrc(int nType, long nTimeout, const QString& strKey) override
    {
        return m_pInner->LockRsrc(nType, nTimeout, strKey);
    }
    void UnlockRsrc() override { m_pInner->UnlockRsrc(); }
    int LockState() override { return m_pInner->LockState(); }
    long WriteString(const QString& strText) override
    {
        m_pCounts->nWritten += strText.size();
        return m_pInner->WriteString(strText);
    }
    QString ReadString(long nCount) override
    {
        const QString str = m_pInner->ReadString(nCount);
        m_pCounts->nRead += str.size();
        return str;
    }
    void DiscardInput() override { m_pInner->DiscardInput(); }

private:
    std::shared_ptr<IMessage> m_pInner;
    std::shared_ptr<LINECOUNTS> m_pCounts;
};

// The same for a serial line, which offers the serial settings as well (a
// socket must not, or the driver would set them).
class CCountingSerialSession : public CCountingSession, public ISerial
{
public:
    CCountingSerialSession(std::shared_ptr<IMessage> pInner, std::shared_ptr<LINECOUNTS> pCounts)
        : CCountingSession(pInner, std::move(pCounts)), m_pSerial(std::dynamic_pointer_cast<ISerial>(pInner))
    {
    }
    void SetBaudRate(long n) override { Deref(m_pSerial).SetBaudRate(n); }
    void SetDataBits(short n) override { Deref(m_pSerial).SetDataBits(n); }
    void SetStopBits(int n) override { Deref(m_pSerial).SetStopBits(n); }
    void SetParity(int n) override { Deref(m_pSerial).SetParity(n); }
    void SetFlowControl(int n) override { Deref(m_pSerial).SetFlowControl(n); }

private:
    std::shared_ptr<ISerial> m_pSerial;
};

class CCountingManager : public IResourceManager
{
public:
    explicit CCountingManager(std::shared_ptr<IResourceManager> pInner = CreateResourceManager())
        : m_pInner(std::move(pInner))
    {
    }
    QStringList FindRsrc(const QString& strExpression) override { return m_pInner->FindRsrc(strExpression); }
    std::shared_ptr<IVisaSession> Open(const QString& strName, int nMode, long nTimeout,
                                       const QString& strOptions) override
    {
        auto pMessage =
            std::dynamic_pointer_cast<IMessage>(m_pInner->Open(strName, nMode, nTimeout, strOptions));
        if (!pMessage)
            return nullptr;
        if (std::dynamic_pointer_cast<ISerial>(pMessage))
            return std::make_shared<CCountingSerialSession>(pMessage, m_pCounts);
        return std::make_shared<CCountingSession>(pMessage, m_pCounts);
    }

    // What every session of this manager has counted so far.
    const LINECOUNTS& Counts() const { return *m_pCounts; }
    void ResetCounts() { *m_pCounts = LINECOUNTS(); }

private:
    std::shared_ptr<IResourceManager> m_pInner;
    std::shared_ptr<LINECOUNTS> m_pCounts = std::make_shared<LINECOUNTS>();
};
