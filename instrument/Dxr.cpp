#include "instrument/Dxr.h"

#include "instrument/ScpiException.h"
#include "instrument/ScpiReply.h"
#include "instrument/StoreMemCommands.h"

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
    m_errors.RemoveAll();
    m_pSession.reset();
}

IMessage& CDxr::Session() const
{
    return Deref(m_pSession);
}

IMessage& CDxr::Lock() const
{
    IMessage& session = Session();
    session.LockRsrc(Visa::EXCLUSIVE_LOCK, LOCK_TIMEOUT_MS, QString());
    return session;
}

QString CDxr::Query(IMessage& session, const QString& strCommand)
{
    session.WriteString(strCommand);
    // A line feed inside a quoted text (a memo of two lines) is part of the
    // text, and a reply longer than one read goes on after it: either way the
    // rest of the reply is still on the line, where the next query would take
    // it for its own answer and every later value would be shifted by one.
    // The whole reply comes off the line; the buffer then keeps its start.
    QString strPart = session.ReadString(READ_CHARS);
    QString strReply = strPart;
    for (int nRead = 1; nRead < MAX_REPLY_READS; ++nRead) {
        const bool bCutByCount = strPart.size() >= READ_CHARS && !strPart.endsWith(QLatin1Char('\n'));
        if (!bCutByCount && !ScpiReply::HasOpenQuote(strReply))
            break;
        strPart = session.ReadString(READ_CHARS);
        strReply += strPart;
    }
    return ScpiReply::Buffer(strReply, ScpiReply::REPLY_CHARS);
}

void CDxr::Open(std::shared_ptr<IResourceManager>& pResourceManager, const QString& strResource)
{
    m_errors.RemoveAll();
    m_wVersion = 0;
    m_pSession.reset();

    const std::shared_ptr<IVisaSession> pVisaSession =
        Deref(pResourceManager).Open(strResource, Visa::NO_LOCK, OPEN_TIMEOUT_MS, QString());
    m_pSession = std::dynamic_pointer_cast<IMessage>(pVisaSession);
    IMessage& session = Session();
    session.SetTimeout(IO_TIMEOUT_MS);

    // Only a serial resource offers the serial interface; the instrument's
    // line is 19200 baud, 8 data bits, 2 stop bits, no parity, XON/XOFF.
    if (const std::shared_ptr<ISerial> pSerial = std::dynamic_pointer_cast<ISerial>(pVisaSession)) {
        pSerial->SetBaudRate(19200);
        pSerial->SetDataBits(8);
        pSerial->SetStopBits(Visa::ASRL_STOP_TWO);
        pSerial->SetParity(Visa::ASRL_PAR_NONE);
        pSerial->SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);
    }

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
    for (int nRead = 0; nRead < MAX_QUERY_ERRORS; ++nRead) {
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
    Check();
}

void CDxr::WriteStoreMemory(const STOREMEM& mem)
{
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
    // Each reply fills the record as it arrives: a failure midway leaves the
    // fields read so far with the instrument's values.
    const SMEMCOMMAND* pCommands = StoreMemCommands::Table();
    IMessage& session = Lock();
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        const QString strReply = Query(session, StoreMemCommands::FormatQuery(pCommands[i]));
        StoreMemCommands::ParseReply(pCommands[i], strReply, mem);
    }
    session.UnlockRsrc();
    Check();
}

QString CDxr::QuoteText(const QString& strText, int nLimit)
{
    return ScpiReply::QuoteText(strText, nLimit);
}

QString CDxr::UnquoteText(const QString& strReply)
{
    return ScpiReply::UnquoteText(strReply);
}
