#include "platform/visa/TracingResourceManager.h"

#include "platform/visa/VisaTrace.h"

namespace {

QString LockName(int nLockType)
{
    switch (nLockType) {
    case Visa::EXCLUSIVE_LOCK:
        return QStringLiteral("exclusive");
    case Visa::SHARED_LOCK:
        return QStringLiteral("shared");
    default:
        return QString::number(nLockType);
    }
}

QString Failure(const _com_error& e)
{
    return (e.Error() == Visa::VI_ERROR_TMO ? QStringLiteral("timeout: ") : QStringLiteral("failed: ")) +
           e.ErrorMessage();
}

// A session that writes every call to the trace and passes it on. What one
// reply brings over several reads is traced as one line when the reply is
// complete (the next write, lock change or close), as the simulator logs it.
class CTracingSession : public virtual IMessage
{
public:
    explicit CTracingSession(std::shared_ptr<IVisaSession> pInner)
        : m_pInner(std::move(pInner)), m_pMessage(std::dynamic_pointer_cast<IMessage>(m_pInner))
    {
    }
    ~CTracingSession() override
    {
        FlushReply();
        CVisaTrace::Write('-', QByteArray("close ") + m_pInner->ResourceName().toUtf8());
    }

    QString ResourceName() const override { return m_pInner->ResourceName(); }
    void SetTimeout(long nMilliseconds) override
    {
        m_pInner->SetTimeout(nMilliseconds);
        CVisaTrace::Write('-',
                          "timeout " + QByteArray::number(static_cast<qlonglong>(nMilliseconds)) + " ms");
    }
    long GetTimeout() const override { return m_pInner->GetTimeout(); }
    QString LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey) override
    {
        FlushReply();
        const QByteArray event = "lock " + LockName(nLockType).toLatin1() + " (waits up to " +
                                 QByteArray::number(static_cast<qlonglong>(nTimeoutMs)) + " ms)";
        try {
            QString strKey = m_pInner->LockRsrc(nLockType, nTimeoutMs, strRequestedKey);
            CVisaTrace::Write('-', event);
            return strKey;
        } catch (const _com_error& e) {
            CVisaTrace::Write('-', event, Failure(e));
            throw;
        }
    }
    void UnlockRsrc() override
    {
        FlushReply();
        m_pInner->UnlockRsrc();
        CVisaTrace::Write('-', "unlock");
    }
    int LockState() override { return m_pInner->LockState(); }

    long WriteString(const QString& strText) override
    {
        FlushReply();
        const QByteArray bytes = strText.toLatin1();
        try {
            const long nSent = Deref(m_pMessage).WriteString(strText);
            TraceWritten(bytes);
            return nSent;
        } catch (const _com_error& e) {
            TraceWritten(bytes, Failure(e));
            throw;
        }
    }
    QString ReadString(long nCount) override
    {
        try {
            const QString strPart = Deref(m_pMessage).ReadString(nCount);
            m_reply += strPart.toLatin1();
            if (m_reply.endsWith('\n'))
                m_bReplyEnded = true;
            return strPart;
        } catch (const _com_error& e) {
            FlushReply();
            CVisaTrace::Write('-', "read", Failure(e));
            throw;
        }
    }

protected:
    std::shared_ptr<IVisaSession> m_pInner;

private:
    // One line per command line sent; the simulator logs them so.
    static void TraceWritten(const QByteArray& bytes, const QString& strNote = QString())
    {
        const QList<QByteArray> lines = bytes.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            QByteArray line = lines[i];
            const bool bLast = i == lines.size() - 1;
            if (bLast && line.isEmpty() && i > 0)
                break; // the text ended with its line feed
            if (line.endsWith('\r'))
                line.chop(1);
            QString strLineNote = bLast ? QStringLiteral("(no line end)") : QString();
            if (!strNote.isEmpty())
                strLineNote = strLineNote.isEmpty() ? strNote : strLineNote + QLatin1Char(' ') + strNote;
            CVisaTrace::Write('>', line, strLineNote);
        }
    }

    void FlushReply()
    {
        if (m_reply.isEmpty())
            return;
        QByteArray reply = m_reply;
        if (reply.endsWith('\n'))
            reply.chop(1);
        if (reply.endsWith('\r'))
            reply.chop(1);
        CVisaTrace::Write('<', reply, m_bReplyEnded ? QString() : QStringLiteral("(no line end)"));
        m_reply.clear();
        m_bReplyEnded = false;
    }

    std::shared_ptr<IMessage> m_pMessage;
    QByteArray m_reply;
    bool m_bReplyEnded = false;
};

class CTracingSerialSession : public CTracingSession, public ISerial
{
public:
    explicit CTracingSerialSession(std::shared_ptr<IVisaSession> pInner)
        : CTracingSession(pInner), m_pSerial(std::dynamic_pointer_cast<ISerial>(pInner))
    {
    }

    void SetBaudRate(long nBaud) override
    {
        m_pSerial->SetBaudRate(nBaud);
        CVisaTrace::Write('-', "baud " + QByteArray::number(static_cast<qlonglong>(nBaud)));
    }
    void SetDataBits(short nBits) override
    {
        m_pSerial->SetDataBits(nBits);
        CVisaTrace::Write('-', "data bits " + QByteArray::number(nBits));
    }
    void SetStopBits(int nStopBits) override
    {
        m_pSerial->SetStopBits(nStopBits);
        CVisaTrace::Write('-', "stop bits " + QByteArray::number(nStopBits / 10.0));
    }
    void SetParity(int nParity) override
    {
        m_pSerial->SetParity(nParity);
        CVisaTrace::Write('-', "parity " + QByteArray::number(nParity));
    }
    void SetFlowControl(int nFlow) override
    {
        m_pSerial->SetFlowControl(nFlow);
        CVisaTrace::Write('-', "flow control " + QByteArray::number(nFlow));
    }

private:
    std::shared_ptr<ISerial> m_pSerial;
};

} // namespace

CTracingResourceManager::CTracingResourceManager(std::shared_ptr<IResourceManager> pInner)
    : m_pInner(std::move(pInner))
{
}

std::shared_ptr<IResourceManager>
CTracingResourceManager::WrapIfTracing(std::shared_ptr<IResourceManager> pInner)
{
    if (!pInner || !CVisaTrace::IsOn())
        return pInner;
    return std::make_shared<CTracingResourceManager>(std::move(pInner));
}

QStringList CTracingResourceManager::FindRsrc(const QString& strExpression)
{
    return m_pInner->FindRsrc(strExpression);
}

std::shared_ptr<IVisaSession> CTracingResourceManager::Open(const QString& strResourceName, int nAccessMode,
                                                            long nOpenTimeoutMs,
                                                            const QString& strOptionString)
{
    const QByteArray event = "open " + strResourceName.toUtf8();
    std::shared_ptr<IVisaSession> pSession;
    try {
        pSession = m_pInner->Open(strResourceName, nAccessMode, nOpenTimeoutMs, strOptionString);
    } catch (const _com_error& e) {
        CVisaTrace::Write('-', event, Failure(e));
        throw;
    }
    CVisaTrace::Write('-', event);
    if (std::dynamic_pointer_cast<ISerial>(pSession))
        return std::make_shared<CTracingSerialSession>(std::move(pSession));
    return std::make_shared<CTracingSession>(std::move(pSession));
}
