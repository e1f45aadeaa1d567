#include "RecordingInstrument.h"

namespace {

const QString s_strZeros =
    QStringLiteral("0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000");

// What a new store memory answers to each query.
QString DefaultArguments(const QString& strKey)
{
    if (strKey == QLatin1String("CURR") || strKey == QLatin1String("VOLT"))
        return s_strZeros + QStringLiteral(",HIGH");
    if (strKey == QLatin1String("POW") || strKey == QLatin1String("RES"))
        return s_strZeros;
    if (strKey == QLatin1String("FUNC"))
        return QStringLiteral("CC,0.0000,0,0");
    if (strKey == QLatin1String("PROT"))
        return QStringLiteral("0.0000,TRIP,0.0000,TRIP,0.0000");
    if (strKey == QLatin1String("PULS"))
        return QStringLiteral("0.0000,0.0000");
    if (strKey == QLatin1String("MEMO"))
        return QStringLiteral("\"\"");
    return QStringLiteral("0.0000");
}

} // namespace

CRecordingInstrument::CRecordingInstrument() = default;

QStringList CRecordingInstrument::Commands() const
{
    QStringList commands;
    for (const QString& str : m_log) {
        if (!str.startsWith(QLatin1Char('#')))
            commands << str;
    }
    return commands;
}

QString CRecordingInstrument::LockRsrc(int nLockType, long, const QString&)
{
    ++m_nLockCount;
    m_nLockState = nLockType;
    return QString();
}

void CRecordingInstrument::UnlockRsrc()
{
    ++m_nUnlockCount;
    if (m_nLockState == Visa::NO_LOCK)
        throw _com_error(Visa::VI_ERROR_SESN_NLOCKED,
                         QStringLiteral("The current session did not have a lock."));
    m_nLockState = Visa::NO_LOCK;
}

long CRecordingInstrument::WriteString(const QString& strText)
{
    if (++m_nCommands == m_nTimeoutAt)
        throw _com_error(Visa::VI_ERROR_TMO, QStringLiteral("Timeout expired before operation completed."));
    m_log << strText;
    Process(strText.trimmed());
    if (m_fnOnCommand)
        m_fnOnCommand(strText);
    return strText.size();
}

QString CRecordingInstrument::ReadString(long nCount)
{
    if (m_strReply.isEmpty())
        throw _com_error(Visa::VI_ERROR_TMO, QStringLiteral("Timeout expired before operation completed."));
    const QString strReply = m_strReply.left(static_cast<int>(nCount));
    m_strReply.remove(0, strReply.size());
    return strReply;
}

void CRecordingInstrument::Process(const QString& strCommand)
{
    if (strCommand == QLatin1String("*IDN?")) {
        m_strReply += m_strIdn;
        return;
    }
    if (strCommand == QLatin1String("SYST:ERR?")) {
        m_strReply +=
            m_queuedErrors.isEmpty() ? QStringLiteral("0,\"No error\"\n") : m_queuedErrors.takeFirst() + '\n';
        return;
    }
    const QString strHeader = strCommand.section(QLatin1Char(' '), 0, 0);
    const QString strArguments = strCommand.section(QLatin1Char(' '), 1);
    if (strHeader == m_strErrorHeader && m_nSelected == m_nErrorMemory)
        m_queuedErrors << QStringLiteral("-222,\"Data out of range\"");
    if (strHeader == QLatin1String("BACK:SMEM:NSEL")) {
        m_nSelected = strArguments.toInt();
        return;
    }
    if (!strHeader.startsWith(QLatin1String("BACK:SMEM:"))) {
        m_queuedErrors << QStringLiteral("-113,\"Undefined header\"");
        return;
    }
    QString strKey = strHeader.mid(10);
    if (strKey.endsWith(QLatin1Char('?'))) {
        strKey.chop(1);
        const QString strStored = m_memories.value(m_nSelected).value(strKey);
        m_strReply += (strStored.isEmpty() ? DefaultArguments(strKey) : strStored) + '\n';
    } else {
        m_memories[m_nSelected][strKey] = strArguments;
    }
}
