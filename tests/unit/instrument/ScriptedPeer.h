#pragma once

#include "platform/visa/Visa.h"

#include <QStringList>
#include <deque>

// An instrument session in the test process: logs every call in order and
// answers queries from scripts. "SYST:ERR?" is answered from m_errorReplies,
// then with "no error"; "*IDN?" with m_strIdn; every other query with the next
// of m_replies. A query with nothing to answer times out, as VISA does. It is
// its own resource manager too, opening itself by its name and nothing else.
class CScriptedMessage : public IMessage,
                         public IResourceManager,
                         public std::enable_shared_from_this<CScriptedMessage>
{
public:
    QStringList FindRsrc(const QString&) override { return {}; }
    std::shared_ptr<IVisaSession> Open(const QString& strName, int nMode, long nMs,
                                       const QString& strOptions) override
    {
        m_log << QStringLiteral("Open %1 %2 %3 '%4'").arg(strName).arg(nMode).arg(nMs).arg(strOptions);
        return strName == ResourceName() ? shared_from_this() : nullptr;
    }

    QString ResourceName() const override { return QStringLiteral("GPIB0::1::INSTR"); }
    void SetTimeout(long nMs) override { m_log << QStringLiteral("Timeout %1").arg(m_nTimeout = nMs); }
    long GetTimeout() const override { return m_nTimeout; }
    // Locks nest, as VISA's do: one unlock for each.
    QString LockRsrc(int nType, long nMs, const QString& strKey) override
    {
        m_log << QStringLiteral("LockRsrc %1 %2 '%3'").arg(m_nLock = nType).arg(nMs).arg(strKey);
        ++m_nDepth;
        return QStringLiteral("key");
    }
    void UnlockRsrc() override
    {
        m_log << QStringLiteral("UnlockRsrc");
        if (m_nDepth > 0 && --m_nDepth == 0)
            m_nLock = Visa::NO_LOCK;
    }
    int LockState() override { return m_nDepth > 0 ? m_nLock : Visa::NO_LOCK; }

    long WriteString(const QString& str) override
    {
        m_log << QStringLiteral("Write ") + str;
        if (str == QLatin1String("*IDN?\n"))
            m_strPending += m_strIdn;
        else if (str == QLatin1String("SYST:ERR?\n"))
            m_strPending += Next(m_errorReplies, QStringLiteral("0,\"No error\"\n"));
        else if (str.endsWith(QLatin1String("?\n")))
            m_strPending += Next(m_replies, QString());
        return static_cast<long>(str.size());
    }
    // Up to nCount characters, ending after a line feed; the rest stays.
    QString ReadString(long nCount) override
    {
        m_log << QStringLiteral("Read %1").arg(nCount);
        if (m_strPending.isEmpty())
            throw _com_error(Visa::VI_ERROR_TMO);
        const qsizetype nLineFeed = m_strPending.indexOf(QLatin1Char('\n'));
        const QString str =
            m_strPending.left(nLineFeed < 0 ? nCount : std::min<qsizetype>(nLineFeed + 1, nCount));
        m_strPending.remove(0, str.size());
        return str;
    }

    static QString Next(std::deque<QString>& replies, const QString& strElse)
    {
        if (replies.empty())
            return strElse;
        QString str = replies.front();
        replies.pop_front();
        return str;
    }

    QStringList m_log;
    QString m_strIdn = QStringLiteral("TALVERO,DXR-9K,91K20473,1.05\n");
    std::deque<QString> m_replies;
    std::deque<QString> m_errorReplies;
    QString m_strPending;
    long m_nTimeout = 2000;
    int m_nLock = Visa::NO_LOCK;
    int m_nDepth = 0;
};

// The same on a serial line: logs the five settings too.
class CScriptedSerial : public CScriptedMessage, public ISerial
{
public:
    QString ResourceName() const override { return QStringLiteral("ASRL/dev/pts/9::INSTR"); }
    void SetBaudRate(long n) override { m_log << QStringLiteral("BaudRate %1").arg(n); }
    void SetDataBits(short n) override { m_log << QStringLiteral("DataBits %1").arg(n); }
    void SetStopBits(int n) override { m_log << QStringLiteral("StopBits %1").arg(n); }
    void SetParity(int n) override { m_log << QStringLiteral("Parity %1").arg(n); }
    void SetFlowControl(int n) override { m_log << QStringLiteral("FlowControl %1").arg(n); }
};
