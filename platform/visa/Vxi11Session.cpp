#include "platform/visa/Vxi11Session.h"

#include "platform/visa/OncRpc.h"
#include "platform/visa/TcpConnection.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"
#include "platform/visa/Vxi11Protocol.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A read asks for at most this much at a time, and no reply may be longer
// than that and its headers: a peer that announces more is not believed.
constexpr std::uint32_t MAX_READ_REQUEST = 1024 * 1024;
constexpr int MAX_RECORD = static_cast<int>(MAX_READ_REQUEST) + 4096;
// How long closing waits for destroy_link.
constexpr qint64 CLOSE_WAIT_MS = 1000;

std::uint32_t TimeoutField(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(std::clamp<qint64>(deadline.remainingTime(), 0, 0x7FFFFFFF));
}

} // namespace

CVxi11Session::CVxi11Session(const CResourceName& name)
    : CSessionBase(name), m_dwXid(static_cast<std::uint32_t>(::getpid()) << 16)
{
}

CVxi11Session::~CVxi11Session()
{
    if (m_fd < 0 || !m_bLinked)
        return;
    // Destroying the link also releases its lock on the instrument. A
    // session closed because the instrument went away does not wait long.
    try {
        CXdrWriter w;
        w.U32(m_dwLink);
        int nAt = 0;
        Call(m_fd, m_bufRpc, Vxi11::CORE_PROGRAM, Vxi11::CORE_VERSION, Vxi11::DESTROY_LINK, w.Bytes(),
             QDeadlineTimer(std::min<qint64>(CLOSE_WAIT_MS, qMax(GetTimeout(), 1L))), nAt);
    } catch (const _com_error&) {
    }
}

int CVxi11Session::PortmapperPort()
{
    const QString strPort = qEnvironmentVariable("VAULTLINE_VXI11_PORTMAPPER").trimmed();
    if (strPort.isEmpty())
        return static_cast<int>(COncRpc::PORTMAPPER_PORT);
    bool bOk = false;
    const int nPort = strPort.toInt(&bOk);
    if (!bOk || nPort < 1 || nPort > 65535)
        CVisaStatus::Throw(Visa::VI_ERROR_INV_SETUP,
                           LoadVisaString(IDS_VISA_BAD_PORTMAPPER_PORT).arg(strPort));
    return nPort;
}

QString CVxi11Session::Where() const
{
    return QStringLiteral("%1 (VXI-11 %2)").arg(m_name.Host(), m_name.LanDeviceName());
}

void CVxi11Session::ThrowMalformed(const QString& strWhat)
{
    // The stream cannot be trusted any more: the next call says the
    // connection is gone instead of reading what follows as a reply.
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    CVisaStatus::Throw(Visa::VI_ERROR_IO, LoadVisaString(IDS_VISA_INVALID_REPLY).arg(Where(), strWhat));
}

std::uint32_t CVxi11Session::SendCall(int fd, std::uint32_t dwProgram, std::uint32_t dwVersion,
                                      std::uint32_t dwProcedure, const QByteArray& args,
                                      const QDeadlineTimer& deadline)
{
    if (fd < 0)
        ThrowConnectionLost();
    const std::uint32_t dwXid = ++m_dwXid;
    SendOn(fd, COncRpc::Call(dwXid, dwProgram, dwVersion, dwProcedure, args), deadline);
    return dwXid;
}

QByteArray CVxi11Session::Call(int fd, QByteArray& bufIn, std::uint32_t dwProgram, std::uint32_t dwVersion,
                               std::uint32_t dwProcedure, const QByteArray& args,
                               const QDeadlineTimer& deadline, int& nResultsAt)
{
    const std::uint32_t dwXid = SendCall(fd, dwProgram, dwVersion, dwProcedure, args, deadline);
    for (;;) {
        QByteArray record;
        switch (COncRpc::TakeRecord(bufIn, record, MAX_RECORD)) {
        case COncRpc::RECORD_TOO_LARGE:
            ThrowMalformed(LoadVisaString(IDS_VISA_REPLY_TOO_LONG));
        case COncRpc::RECORD_DONE: {
            COncRpc::RPCREPLY reply;
            if (!COncRpc::ParseReply(record, reply))
                ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
            const bool bWrite = !m_pendingWrites.empty() && m_pendingWrites.front().first == reply.dwXid;
            if (reply.dwXid != dwXid && !bWrite)
                continue; // the late answer to a call that timed out
            if (!reply.bAccepted || reply.dwStat != COncRpc::SUCCESS) {
                m_pendingWrites.clear();
                CVisaStatus::Throw(Visa::VI_ERROR_IO,
                                   LoadVisaString(IDS_VISA_RPC_REFUSED)
                                       .arg(Where())
                                       .arg(dwProgram)
                                       .arg(bWrite ? Vxi11::DEVICE_WRITE : dwProcedure)
                                       .arg(reply.bAccepted ? reply.dwStat : 100 + reply.dwStat));
            }
            if (bWrite) {
                const int nChunk = m_pendingWrites.front().second;
                m_pendingWrites.erase(m_pendingWrites.begin());
                CheckWritten(record, reply.nResultsAt, nChunk);
                continue;
            }
            // The instrument answers in order: a write still awaited now never will be.
            m_pendingWrites.clear();
            nResultsAt = reply.nResultsAt;
            return record;
        }
        case COncRpc::RECORD_INCOMPLETE:
            break;
        }
        const qint64 n = ReceiveSome(fd, bufIn, deadline);
        if (n < 0)
            return QByteArray();
        if (n == 0)
            ThrowConnectionLost();
    }
}

void CVxi11Session::CheckWritten(const QByteArray& record, int nResultsAt, int nChunk)
{
    CXdrReader r(record, nResultsAt);
    const std::uint32_t dwError = r.U32();
    const std::uint32_t dwSize = r.U32();
    if (!r.Ok() || dwSize > static_cast<std::uint32_t>(nChunk))
        ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
    if (dwError != Vxi11::ERR_NONE) {
        m_pendingWrites.clear();
        ThrowDeviceError(dwError);
    }
    if (dwSize < static_cast<std::uint32_t>(nChunk)) {
        // Only a write sent ahead can come back short: it is not sent again.
        m_pendingWrites.clear();
        CVisaStatus::Throw(Visa::VI_ERROR_TMO);
    }
}

QByteArray CVxi11Session::CoreCall(std::uint32_t dwProcedure, const QByteArray& args,
                                   const QDeadlineTimer& deadline, int& nResultsAt)
{
    QByteArray record = Call(m_fd, m_bufRpc, Vxi11::CORE_PROGRAM, Vxi11::CORE_VERSION, dwProcedure, args,
                             WithGrace(deadline), nResultsAt);
    if (record.isEmpty())
        CVisaStatus::Throw(Visa::VI_ERROR_TMO, LoadVisaString(IDS_VISA_NO_ANSWER).arg(Where()));
    return record;
}

void CVxi11Session::ThrowDeviceError(std::uint32_t dwError) const
{
    switch (dwError) {
    case Vxi11::ERR_LOCKED:
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_LOCKED,
                           LoadVisaString(IDS_VISA_LOCKED_EXCLUSIVE).arg(m_name.Original()));
    case Vxi11::ERR_NO_LOCK:
        CVisaStatus::Throw(Visa::VI_ERROR_SESN_NLOCKED);
    case Vxi11::ERR_IO_TIMEOUT:
        CVisaStatus::Throw(Visa::VI_ERROR_TMO);
    case Vxi11::ERR_ABORT:
        CVisaStatus::Throw(Visa::VI_ERROR_ABORT);
    case Vxi11::ERR_INVALID_LINK:
        CVisaStatus::Throw(Visa::VI_ERROR_CONN_LOST, LoadVisaString(IDS_VISA_LINK_LOST).arg(Where()));
    default:
        CVisaStatus::Throw(Visa::VI_ERROR_IO, LoadVisaString(IDS_VISA_VXI11_ERROR).arg(Where()).arg(dwError));
    }
}

std::shared_ptr<CVxi11Session> CVxi11Session::Open(const CResourceName& name, long nOpenTimeoutMs)
{
    std::shared_ptr<CVxi11Session> pSession(new CVxi11Session(name));
    const QDeadlineTimer deadline = CTcpConnection::OpenDeadline(nOpenTimeoutMs);
    if (name.LanDeviceName().toUtf8().size() > static_cast<int>(Vxi11::MAX_DEVICE_NAME))
        CVisaStatus::Throw(Visa::VI_ERROR_INV_RSRC_NAME,
                           LoadVisaString(IDS_VISA_DEVICE_NAME_TOO_LONG).arg(name.LanDeviceName()));

    // The portmapper names the port of the core channel.
    const int nPortmapper = PortmapperPort();
    const QString strPortmapper = QStringLiteral("%1:%2").arg(name.Host()).arg(nPortmapper);
    int nCorePort = 0;
    {
        const int fd =
            CTcpConnection::Connect(name.Host(), nPortmapper, deadline, strPortmapper, nOpenTimeoutMs);
        QByteArray buf;
        CXdrWriter w;
        w.U32(Vxi11::CORE_PROGRAM);
        w.U32(Vxi11::CORE_VERSION);
        w.U32(COncRpc::IPPROTO_TCP_NUMBER);
        w.U32(0);
        int nAt = 0;
        QByteArray record;
        try {
            record = pSession->Call(fd, buf, COncRpc::PORTMAPPER_PROGRAM, COncRpc::PORTMAPPER_VERSION,
                                    COncRpc::PORTMAPPER_GETPORT, w.Bytes(), deadline, nAt);
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        if (record.isEmpty())
            CVisaStatus::Throw(
                Visa::VI_ERROR_TMO,
                LoadVisaString(IDS_VISA_CONNECT_TIMEOUT).arg(strPortmapper).arg(nOpenTimeoutMs));
        CXdrReader r(record, nAt);
        const std::uint32_t dwPort = r.U32();
        if (!r.Ok() || dwPort > 65535)
            CVisaStatus::Throw(Visa::VI_ERROR_IO,
                               LoadVisaString(IDS_VISA_INVALID_REPLY)
                                   .arg(strPortmapper, LoadVisaString(IDS_VISA_MALFORMED_REPLY)));
        if (dwPort == 0)
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                               LoadVisaString(IDS_VISA_NO_VXI11_SERVER).arg(name.Host(), strPortmapper));
        nCorePort = static_cast<int>(dwPort);
    }

    pSession->m_fd =
        CTcpConnection::Connect(name.Host(), nCorePort, deadline, pSession->Where(), nOpenTimeoutMs);
    CXdrWriter w;
    w.U32(static_cast<std::uint32_t>(::getpid())); // client id
    w.Bool(false);                                 // no lock on the device yet
    w.U32(0);                                      // lock timeout
    w.Opaque(name.LanDeviceName().toUtf8());
    int nAt = 0;
    const QByteArray record =
        pSession->Call(pSession->m_fd, pSession->m_bufRpc, Vxi11::CORE_PROGRAM, Vxi11::CORE_VERSION,
                       Vxi11::CREATE_LINK, w.Bytes(), deadline, nAt);
    if (record.isEmpty())
        CVisaStatus::Throw(
            Visa::VI_ERROR_TMO,
            LoadVisaString(IDS_VISA_CONNECT_TIMEOUT).arg(pSession->Where()).arg(nOpenTimeoutMs));
    CXdrReader r(record, nAt);
    const std::uint32_t dwError = r.U32();
    const std::uint32_t dwLink = r.U32();
    r.U32(); // the abort channel's port, which this session does not use
    const std::uint32_t dwMaxReceive = r.U32();
    if (!r.Ok())
        pSession->ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
    if (dwError != Vxi11::ERR_NONE)
        CVisaStatus::Throw(
            Visa::VI_ERROR_RSRC_NFOUND,
            LoadVisaString(IDS_VISA_LINK_REFUSED).arg(name.Host(), name.LanDeviceName()).arg(dwError));
    pSession->m_dwLink = dwLink;
    pSession->m_bLinked = true;
    // The protocol promises at least 1024 bytes per write.
    pSession->m_dwMaxReceive = std::clamp<std::uint32_t>(dwMaxReceive, 1024, MAX_READ_REQUEST);
    return pSession;
}

bool CVxi11Session::Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd)
{
    bEnd = false;
    if (deadline.hasExpired())
        return false;
    const auto dwRequest = static_cast<std::uint32_t>(std::clamp<qint64>(nWanted, 1, MAX_READ_REQUEST));
    CXdrWriter w;
    w.U32(m_dwLink);
    w.U32(dwRequest);
    w.U32(TimeoutField(deadline));
    w.U32(0); // lock timeout: I/O never waits for another session's lock
    w.U32(Vxi11::FLAG_TERMCHRSET);
    w.U32('\n');
    int nAt = 0;
    const QByteArray record = CoreCall(Vxi11::DEVICE_READ, w.Bytes(), deadline, nAt);
    CXdrReader r(record, nAt);
    const std::uint32_t dwError = r.U32();
    const std::uint32_t dwReason = r.U32();
    const QByteArray data = r.Opaque(dwRequest);
    if (!r.Ok())
        ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
    buf.append(data);
    if (dwError == Vxi11::ERR_IO_TIMEOUT)
        return !data.isEmpty();
    if (dwError != Vxi11::ERR_NONE)
        ThrowDeviceError(dwError);
    bEnd = (dwReason & Vxi11::REASON_END) != 0;
    return true;
}

void CVxi11Session::Send(const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    const auto makeArgs = [&](int nFrom, int nChunk, bool bLast) {
        CXdrWriter w;
        w.U32(m_dwLink);
        w.U32(TimeoutField(deadline));
        w.U32(0);
        w.U32(bLast ? Vxi11::FLAG_END : 0);
        w.Opaque(bytes.mid(nFrom, nChunk));
        return w.Bytes();
    };
    // Under this session's lock nothing but a failure of the instrument or
    // the network can refuse a write, so a message that fits one call is not
    // waited for: its acknowledgement is taken with the next call's reply (a
    // query's read, the unlock), and a failure is raised there. That saves a
    // round trip per message; without the lock the write waits, so that
    // "locked" comes back from the write itself.
    if (m_bLocked && bytes.size() <= static_cast<int>(m_dwMaxReceive)) {
        const std::uint32_t dwXid = SendCall(m_fd, Vxi11::CORE_PROGRAM, Vxi11::CORE_VERSION,
                                             Vxi11::DEVICE_WRITE, makeArgs(0, bytes.size(), true), deadline);
        m_pendingWrites.emplace_back(dwXid, bytes.size());
        return;
    }
    int nSent = 0;
    do {
        const int nChunk = qMin(bytes.size() - nSent, static_cast<int>(m_dwMaxReceive));
        int nAt = 0;
        const QByteArray record = CoreCall(
            Vxi11::DEVICE_WRITE, makeArgs(nSent, nChunk, nSent + nChunk == bytes.size()), deadline, nAt);
        CXdrReader r(record, nAt);
        const std::uint32_t dwError = r.U32();
        const std::uint32_t dwSize = r.U32();
        if (!r.Ok() || dwSize > static_cast<std::uint32_t>(nChunk))
            ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
        if (dwError != Vxi11::ERR_NONE)
            ThrowDeviceError(dwError);
        nSent += static_cast<int>(dwSize);
        if (nSent < bytes.size() && deadline.hasExpired())
            CVisaStatus::Throw(Visa::VI_ERROR_TMO);
    } while (nSent < bytes.size());
}

bool CVxi11Session::ChangeLock(CResourceLock::EMode eMode, long nWaitMs)
{
    CXdrWriter w;
    w.U32(m_dwLink);
    std::uint32_t dwProcedure = Vxi11::DEVICE_UNLOCK;
    QDeadlineTimer deadline(QDeadlineTimer::Forever);
    switch (eMode) {
    case CResourceLock::MODE_SHARED:
        // A shared lock nested in the exclusive one keeps the exclusive
        // lock until it is released too: the stronger lock is never wrong.
        if (m_bLocked)
            return true;
        CVisaStatus::Throw(Visa::VI_ERROR_INV_LOCK_TYPE,
                           LoadVisaString(IDS_VISA_VXI11_NO_SHARED_LOCK).arg(m_name.Original()));
    case CResourceLock::MODE_EXCLUSIVE:
        dwProcedure = Vxi11::DEVICE_LOCK;
        w.U32(nWaitMs != 0 ? Vxi11::FLAG_WAITLOCK : 0);
        w.U32(nWaitMs < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(nWaitMs));
        if (nWaitMs >= 0)
            deadline = QDeadlineTimer(nWaitMs);
        break;
    case CResourceLock::MODE_NONE:
        deadline = IoDeadline();
        break;
    }
    int nAt = 0;
    const QByteArray record = CoreCall(dwProcedure, w.Bytes(), deadline, nAt);
    CXdrReader r(record, nAt);
    const std::uint32_t dwError = r.U32();
    if (!r.Ok())
        ThrowMalformed(LoadVisaString(IDS_VISA_MALFORMED_REPLY));
    if (dwError == Vxi11::ERR_LOCKED)
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_LOCKED,
                           LoadVisaString(IDS_VISA_LOCK_TIMEOUT).arg(m_name.Original()).arg(nWaitMs));
    // Releasing a lock the instrument no longer counts (the link was
    // rebuilt, say) leaves the same state as releasing it.
    if (dwError != Vxi11::ERR_NONE && !(eMode == CResourceLock::MODE_NONE && dwError == Vxi11::ERR_NO_LOCK))
        ThrowDeviceError(dwError);
    m_bLocked = eMode == CResourceLock::MODE_EXCLUSIVE;
    return true;
}
