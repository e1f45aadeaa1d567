#include "instrument/Dxr.h"

#include "instrument/ScpiException.h"
#include "instrument/ScpiReply.h"
#include "instrument/StoreMemCommands.h"
#include "platform/visa/VisaStatus.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace {

const QString& IdnQuery()
{
    static const QString s_str = QStringLiteral("*IDN?\n");
    return s_str;
}

const QString& ErrorQuery()
{
    static const QString s_str = QStringLiteral("SYST:ERR?\n");
    return s_str;
}

} // namespace

CDxr::CDxr() = default;

CDxr::~CDxr()
{
    ReleaseLock();
    m_errors.RemoveAll();
    m_pSession.reset();
}

IMessage& CDxr::Session() const
{
    return Deref(m_pSession);
}

void CDxr::LockOrReportInUse(IMessage& session)
{
    try {
        session.LockRsrc(Visa::EXCLUSIVE_LOCK, LOCK_TIMEOUT_MS, QString());
    } catch (const _com_error& e) {
        // VISA reports a lock it could not get in time as a timeout, which
        // reads as an instrument that is off; the user needs to know that
        // another program has it.
        if (e.Error() != Visa::VI_ERROR_TMO && e.Error() != Visa::VI_ERROR_RSRC_LOCKED)
            throw;
        throw _com_error(
            Visa::VI_ERROR_RSRC_LOCKED,
            LoadResString(IDS_INSTRUMENT_IN_USE).arg(session.ResourceName()).arg(LOCK_TIMEOUT_MS));
    }
}

IMessage& CDxr::Lock() const
{
    IMessage& session = Session();
    LockOrReportInUse(session);
    return session;
}

void CDxr::ReleaseLock() noexcept
{
    // Nested locks need one unlock each; a session that cannot even say
    // whether it is locked is past saving, and closing it ends its lock.
    try {
        for (int i = 0; m_pSession && i < MAX_LOCK_NESTING && m_pSession->LockState() != Visa::NO_LOCK; ++i)
            m_pSession->UnlockRsrc();
    } catch (...) {
    }
}

QString CDxr::Query(IMessage& session, const QString& strCommand) const
{
    session.WriteString(strCommand);
    // The I/O timeout bounds the whole reply, however it arrives: a reply
    // dripped in pieces ends there as a silent one does.
    const QDeadlineTimer deadline(IO_TIMEOUT_MS);
    QString strPart = session.ReadString(READ_CHARS);
    QString strReply = strPart;
    for (int nRead = 1; nRead < MAX_REPLY_READS; ++nRead) {
        // A reply longer than one read goes on after it, and a line feed
        // inside a quoted text (a memo of two lines) is part of the text:
        // either way the rest is still on the line, where the next query
        // would take it for its own answer. The rest comes off the line.
        const bool bCutByCount = strPart.size() >= READ_CHARS && !strPart.endsWith(QLatin1Char('\n'));
        if (!bCutByCount && !ScpiReply::HasOpenQuote(strReply))
            break;
        const qint64 nLeft = deadline.remainingTime();
        if (nLeft <= 0)
            throw _com_error(Visa::VI_ERROR_TMO, CVisaStatus::Description(Visa::VI_ERROR_TMO));
        // A quote that stays open after the line ended may be a quote the
        // instrument sent as it stands: the continuation of a real two-line
        // text follows at once, so a short wait tells the two apart.
        const long nWait = static_cast<long>(bCutByCount ? nLeft : std::min<qint64>(nLeft, QUOTE_WAIT_MS));
        session.SetTimeout(nWait);
        try {
            strPart = session.ReadString(READ_CHARS);
        } catch (const _com_error& e) {
            session.SetTimeout(IO_TIMEOUT_MS);
            if (bCutByCount || e.Error() != Visa::VI_ERROR_TMO)
                throw;
            break; // the reply as received
        }
        session.SetTimeout(IO_TIMEOUT_MS);
        strReply += strPart;
    }
    if (strReply.size() > ScpiReply::REPLY_CHARS - 1)
        Fail(LoadResString(IDS_REPLY_TOO_LONG)
                 .arg(strCommand.trimmed())
                 .arg(strReply.size())
                 .arg(ScpiReply::REPLY_CHARS - 1));
    return strReply;
}

void CDxr::Fail(const QString& strText) const
{
    throw _com_error(Visa::VI_ERROR_IO,
                     m_nMemory >= 0 ? LoadResString(IDS_IN_MEMORY).arg(m_nMemory).arg(strText) : strText);
}

QString CDxr::Shorten(const QString& strReply)
{
    constexpr int MAX_SHOWN = 48;
    QString str;
    for (const QChar c : strReply) {
        if (str.size() >= MAX_SHOWN) {
            str += QStringLiteral("...");
            break;
        }
        if (c == QLatin1Char('\n'))
            str += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            str += QStringLiteral("\\r");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            str += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            str += c;
    }
    return str;
}

void CDxr::SetCancelCheck(std::function<bool()> fnCancelled)
{
    m_fnCancelled = std::move(fnCancelled);
}

void CDxr::Open(std::shared_ptr<IResourceManager>& pResourceManager, const QString& strResource)
{
    m_errors.RemoveAll();
    m_wVersion = 0;
    m_nMemory = -1;
    ReleaseLock();
    m_pSession.reset();

    const std::shared_ptr<IVisaSession> pVisaSession =
        Deref(pResourceManager).Open(strResource, Visa::NO_LOCK, OPEN_TIMEOUT_MS, QString());
    m_pSession = std::dynamic_pointer_cast<IMessage>(pVisaSession);
    IMessage& session = Session();
    session.SetTimeout(IO_TIMEOUT_MS);
    // Held for the whole transfer; nothing on the line changes before it.
    LockOrReportInUse(session);

    // Only a serial resource offers the serial interface; the instrument's
    // line is 19200 baud, 8 data bits, 2 stop bits, no parity, XON/XOFF.
    if (const std::shared_ptr<ISerial> pSerial = std::dynamic_pointer_cast<ISerial>(pVisaSession)) {
        pSerial->SetBaudRate(19200);
        pSerial->SetDataBits(8);
        pSerial->SetStopBits(Visa::ASRL_STOP_TWO);
        pSerial->SetParity(Visa::ASRL_PAR_NONE);
        pSerial->SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);
    }

    // The first exchange starts on a clean line: whatever is waiting there
    // answers somebody else's question.
    session.DiscardInput();

    Lock();
    const QString strReply = Query(session, IdnQuery());
    session.UnlockRsrc();
    m_wVersion = ScpiReply::ParseVersion(strReply);
}

void CDxr::GetIdentity(QString& strManufacturer, QString& strModel, QString& strSerial, QString& strFirmware)
{
    IMessage& session = Lock();
    const QString strReply = Query(session, IdnQuery());
    session.UnlockRsrc();
    ScpiReply::SplitIdentity(strReply, strManufacturer, strModel, strSerial, strFirmware);
    Check();
}

int CDxr::QueryErrors()
{
    // Bounded in time as well as in count: an instrument that keeps finding
    // errors cannot hold the transfer, and a cancel is heard between entries.
    const QDeadlineTimer deadline(ERROR_QUEUE_MS);
    for (int nRead = 0; nRead < MAX_QUERY_ERRORS && !deadline.hasExpired(); ++nRead) {
        // The first entry is the normal end of every checked operation; only
        // a queue that goes on is worth interrupting.
        if (nRead > 0 && m_fnCancelled && m_fnCancelled())
            throw _com_error(Visa::VI_ERROR_ABORT, CVisaStatus::Description(Visa::VI_ERROR_ABORT));
        IMessage& session = Lock();
        const QString strReply = Query(session, ErrorQuery());
        session.UnlockRsrc();
        QString strMessage;
        const std::int32_t nCode = ScpiReply::ParseError(strReply, &strMessage);
        if (nCode == 0)
            break;
        SYSTERR* pError = new SYSTERR;
        pError->nCode = nCode;
        pError->SetMessage(strMessage);
        m_errors.Add(pError);
    }
    return m_errors.GetCount();
}

void CDxr::Check()
{
    if (m_bCheckError)
        QueryErrors();
    const int nCount = m_errors.GetCount();
    if (nCount == 0)
        return;
    CScpiException e;
    for (int i = 0; i < nCount && i < CScpiException::MAX_ERRORS; ++i)
        e.m_errors[i] = *m_errors.GetAt(i);
    // The entries now travel with the exception; a later operation on the same
    // session reports only what it caused itself.
    m_errors.RemoveAll();
    throw e;
}

void CDxr::SelectStoreMemory(int nMemory)
{
    IMessage& session = Lock();
    session.WriteString(StoreMemCommands::FormatSelect(nMemory));
    session.UnlockRsrc();
    m_nMemory = nMemory;
    Check();
}

void CDxr::WriteStoreMemory(const STOREMEM& mem)
{
    // A command cut to the buffer would still be taken, with another value:
    // a record that does not fit is refused before anything of it is sent.
    const QString strField = StoreMemCommands::TooLongField(mem);
    if (!strField.isEmpty())
        Fail(LoadResString(IDS_VALUE_TOO_LONG_FOR_COMMAND).arg(strField).arg(ScpiReply::REPLY_CHARS));
    // No pause, reply or error check between the ten commands: the error
    // queue is read once, after the lock is released.
    const SMEMCOMMAND* pCommands = StoreMemCommands::Table();
    IMessage& session = Lock();
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i)
        session.WriteString(StoreMemCommands::FormatCommand(pCommands[i], mem));
    session.UnlockRsrc();
    Check();
}

void CDxr::ReadStoreMemory(STOREMEM& mem)
{
    // The replies fill a copy: a record is taken whole or not at all, so a
    // failure leaves the memory in progress as it was.
    STOREMEM read = mem;
    const SMEMCOMMAND* pCommands = StoreMemCommands::Table();
    IMessage& session = Lock();
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        const QString strQuery = StoreMemCommands::FormatQuery(pCommands[i]);
        const QString strReply = Query(session, strQuery);
        if (!StoreMemCommands::ParseReply(pCommands[i], strReply, read))
            Fail(LoadResString(IDS_REPLY_DOES_NOT_FIT).arg(strQuery.trimmed(), Shorten(strReply)));
    }
    session.UnlockRsrc();
    Check();
    mem = read;
}

QString CDxr::QuoteText(const QString& strText, int nLimit)
{
    return ScpiReply::QuoteText(strText, nLimit);
}

QString CDxr::UnquoteText(const QString& strReply)
{
    return ScpiReply::UnquoteText(strReply);
}
