#include "sim/SimVxi11Server.h"

#include "platform/visa/OncRpc.h"
#include "platform/visa/Vxi11Protocol.h"
#include "sim/SimNetwork.h"

#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The most a write may carry, as create_link tells the client; calls longer
// than that and their headers end the connection.
constexpr std::uint32_t MAX_RECEIVE = 64 * 1024;
constexpr int MAX_CALL = static_cast<int>(MAX_RECEIVE) + 1024;
// A message longer than this without its end is not a command of this
// instrument; it is dropped, as on the simulator's own line.
constexpr int MAX_MESSAGE = 64 * 1024;

} // namespace

CSimVxi11Server::CSimVxi11Server(CSimServer& server) : m_server(server) {}

CSimVxi11Server::~CSimVxi11Server()
{
    for (const CONNECTION& conn : m_connections)
        close(conn.fd);
    if (m_fdListen >= 0)
        close(m_fdListen);
}

bool CSimVxi11Server::Start(int nPort, QString& strResource, QString& strError)
{
    m_fdListen = SimNetwork::Listen(nPort, strError);
    if (m_fdListen < 0)
        return false;
    m_nPort = nPort;
    strResource = QStringLiteral("TCPIP0::127.0.0.1::inst0::INSTR");
    return true;
}

void CSimVxi11Server::AddPollFds(std::vector<pollfd>& fds)
{
    SimNetwork::AddPollFds(fds, m_fdListen, m_connections);
}

int CSimVxi11Server::NextTimeoutMs() const
{
    return SimNetwork::NextTimeoutMs(m_connections);
}

void CSimVxi11Server::OnPolled(const std::vector<pollfd>& fds)
{
    for (const int fd : SimNetwork::Receive(fds, m_fdListen, m_connections)) {
        for (size_t c = 0; c < m_connections.size(); ++c) {
            if (m_connections[c].fd == fd) {
                Close(c);
                break;
            }
        }
    }
    // Every connection is looked at, not only those that sent something: a
    // released lock or a passed deadline lets a waiting call go on.
    for (size_t c = 0; c < m_connections.size();) {
        if (Serve(m_connections[c]))
            ++c;
        else
            Close(c);
    }
}

void CSimVxi11Server::Close(size_t nConnection)
{
    const int fd = m_connections[nConnection].fd;
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (it->fdConnection != fd) {
            ++it;
            continue;
        }
        if (m_dwLockHolder == it->dwId)
            m_dwLockHolder = 0;
        it = m_links.erase(it);
    }
    close(fd);
    m_connections.erase(m_connections.begin() + static_cast<std::ptrdiff_t>(nConnection));
}

bool CSimVxi11Server::Serve(CONNECTION& conn)
{
    // The replies to the calls that arrived together leave together: a
    // write's acknowledgement and the read after it reach the client in one
    // piece instead of waking it twice.
    QByteArray out;
    const auto flush = [&] { return out.isEmpty() || SimNetwork::SendAll(conn.fd, out); };
    for (;;) {
        if (conn.call.isEmpty()) {
            switch (COncRpc::TakeRecord(conn.input, conn.call, MAX_CALL)) {
            case COncRpc::RECORD_TOO_LARGE:
                return false;
            case COncRpc::RECORD_INCOMPLETE:
                return flush();
            case COncRpc::RECORD_DONE:
                break;
            }
        }
        QByteArray reply;
        if (!Handle(conn, reply))
            return flush();
        conn.call.clear();
        conn.bWaiting = false;
        out += reply;
    }
}

CSimVxi11Server::LINK* CSimVxi11Server::FindLink(std::uint32_t dwId)
{
    for (LINK& link : m_links) {
        if (link.dwId == dwId)
            return &link;
    }
    return nullptr;
}

bool CSimVxi11Server::Wait(CONNECTION& conn, std::uint32_t dwWaitMs, bool bForReply)
{
    if (!conn.bWaiting || conn.bWaitingForReply != bForReply) {
        conn.bWaiting = true;
        conn.bWaitingForReply = bForReply;
        conn.tWaitEnds = CLOCK::now() + std::chrono::milliseconds(dwWaitMs);
    }
    return CLOCK::now() < conn.tWaitEnds;
}

bool CSimVxi11Server::MayUseDevice(CONNECTION& conn, std::uint32_t dwLink, bool bWait, std::uint32_t dwWaitMs,
                                   std::uint32_t& dwError)
{
    dwError = Vxi11::ERR_NONE;
    if (m_dwLockHolder == 0 || m_dwLockHolder == dwLink)
        return true;
    if (bWait && Wait(conn, dwWaitMs, false))
        return false;
    dwError = Vxi11::ERR_LOCKED;
    return true;
}

void CSimVxi11Server::Write(LINK& link, const QByteArray& data, bool bEnd)
{
    link.input.append(data);
    for (;;) {
        int nEnd = link.input.indexOf('\n');
        if (nEnd < 0 && bEnd && !link.input.isEmpty())
            nEnd = link.input.size(); // END closes a message without its line feed
        if (nEnd < 0)
            break;
        QByteArray message = link.input.left(nEnd);
        link.input.remove(0, qMin(nEnd + 1, link.input.size()));
        if (message.endsWith('\r'))
            message.chop(1);
        const QByteArray reply = m_server.Exchange(message);
        if (!reply.isEmpty())
            link.replies.push_back(reply + '\n');
    }
    if (link.input.size() > MAX_MESSAGE)
        link.input.clear();
}

bool CSimVxi11Server::Handle(CONNECTION& conn, QByteArray& reply)
{
    COncRpc::RPCCALL call;
    if (!COncRpc::ParseCall(conn.call, call)) {
        reply = COncRpc::Reply(call.dwXid, COncRpc::GARBAGE_ARGS);
        return true;
    }
    CXdrReader args(conn.call, call.nArgsAt);
    CXdrWriter result;
    const auto garbage = [&] {
        reply = COncRpc::Reply(call.dwXid, COncRpc::GARBAGE_ARGS);
        return true;
    };

    if (call.dwProgram == COncRpc::PORTMAPPER_PROGRAM) {
        if (call.dwVersion != COncRpc::PORTMAPPER_VERSION) {
            reply =
                COncRpc::MismatchReply(call.dwXid, COncRpc::PORTMAPPER_VERSION, COncRpc::PORTMAPPER_VERSION);
            return true;
        }
        if (call.dwProcedure == 0) {
            reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS);
            return true;
        }
        if (call.dwProcedure != COncRpc::PORTMAPPER_GETPORT) {
            reply = COncRpc::Reply(call.dwXid, COncRpc::PROC_UNAVAIL);
            return true;
        }
        const std::uint32_t dwProgram = args.U32();
        const std::uint32_t dwVersion = args.U32();
        const std::uint32_t dwProtocol = args.U32();
        args.U32();
        if (!args.Ok())
            return garbage();
        const bool bCore = dwProgram == Vxi11::CORE_PROGRAM && dwVersion == Vxi11::CORE_VERSION &&
                           dwProtocol == COncRpc::IPPROTO_TCP_NUMBER;
        result.U32(bCore ? static_cast<std::uint32_t>(m_nPort) : 0);
        reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, result.Bytes());
        return true;
    }
    if (call.dwProgram != Vxi11::CORE_PROGRAM) {
        reply = COncRpc::Reply(call.dwXid, COncRpc::PROG_UNAVAIL);
        return true;
    }
    if (call.dwVersion != Vxi11::CORE_VERSION) {
        reply = COncRpc::MismatchReply(call.dwXid, Vxi11::CORE_VERSION, Vxi11::CORE_VERSION);
        return true;
    }

    std::uint32_t dwError = Vxi11::ERR_NONE;
    switch (call.dwProcedure) {
    case 0:
        break;
    case Vxi11::CREATE_LINK: {
        args.U32(); // client id
        const bool bLock = args.Bool();
        const std::uint32_t dwLockTimeout = args.U32();
        const QByteArray device = args.Opaque(Vxi11::MAX_DEVICE_NAME);
        if (!args.Ok())
            return garbage();
        // The instrument itself, or the address it would have behind a
        // LAN/GPIB gateway.
        static const QRegularExpression s_device(QStringLiteral("^(inst\\d+|gpib\\d+,\\d+(,\\d+)?)$"),
                                                 QRegularExpression::CaseInsensitiveOption);
        std::uint32_t dwLink = 0;
        if (!s_device.match(QString::fromLatin1(device)).hasMatch()) {
            dwError = Vxi11::ERR_NOT_ACCESSIBLE;
        } else if (bLock && !MayUseDevice(conn, 0, true, dwLockTimeout, dwError)) {
            return false;
        } else if (dwError == Vxi11::ERR_NONE) {
            LINK link;
            link.dwId = dwLink = m_dwNextLink++;
            link.fdConnection = conn.fd;
            m_links.push_back(link);
            if (bLock)
                m_dwLockHolder = dwLink;
        }
        result.U32(dwError);
        result.U32(dwLink);
        result.U32(0); // no abort channel
        result.U32(MAX_RECEIVE);
        reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, result.Bytes());
        return true;
    }
    case Vxi11::DEVICE_WRITE: {
        const std::uint32_t dwLink = args.U32();
        args.U32(); // I/O timeout: a write is taken at once
        const std::uint32_t dwLockTimeout = args.U32();
        const std::uint32_t dwFlags = args.U32();
        const QByteArray data = args.Opaque(MAX_RECEIVE);
        if (!args.Ok())
            return garbage();
        LINK* pLink = FindLink(dwLink);
        std::uint32_t dwSize = 0;
        if (!pLink)
            dwError = Vxi11::ERR_INVALID_LINK;
        else if (!MayUseDevice(conn, dwLink, dwFlags & Vxi11::FLAG_WAITLOCK, dwLockTimeout, dwError))
            return false;
        if (pLink && dwError == Vxi11::ERR_NONE) {
            Write(*pLink, data, dwFlags & Vxi11::FLAG_END);
            dwSize = static_cast<std::uint32_t>(data.size());
        }
        result.U32(dwError);
        result.U32(dwSize);
        reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, result.Bytes());
        return true;
    }
    case Vxi11::DEVICE_READ: {
        const std::uint32_t dwLink = args.U32();
        const std::uint32_t dwRequest = args.U32();
        const std::uint32_t dwIoTimeout = args.U32();
        const std::uint32_t dwLockTimeout = args.U32();
        const std::uint32_t dwFlags = args.U32();
        const std::uint32_t dwTermChar = args.U32();
        if (!args.Ok())
            return garbage();
        LINK* pLink = FindLink(dwLink);
        std::uint32_t dwReason = 0;
        QByteArray data;
        if (!pLink)
            dwError = Vxi11::ERR_INVALID_LINK;
        else if (!MayUseDevice(conn, dwLink, dwFlags & Vxi11::FLAG_WAITLOCK, dwLockTimeout, dwError))
            return false;
        if (pLink && dwError == Vxi11::ERR_NONE) {
            if (pLink->replies.empty()) {
                // Nothing to send: the instrument has not answered (or is
                // silent), so the read waits out its timeout.
                if (Wait(conn, dwIoTimeout, true))
                    return false;
                dwError = Vxi11::ERR_IO_TIMEOUT;
            } else {
                const QByteArray& message = pLink->replies.front();
                const int nLeft = message.size() - pLink->nReplyOffset;
                int nTake = static_cast<int>(std::min<std::uint32_t>(std::max<std::uint32_t>(dwRequest, 1),
                                                                     static_cast<std::uint32_t>(nLeft)));
                if (dwFlags & Vxi11::FLAG_TERMCHRSET) {
                    const int nTerm = message.indexOf(static_cast<char>(dwTermChar), pLink->nReplyOffset);
                    if (nTerm >= 0 && nTerm - pLink->nReplyOffset < nTake) {
                        nTake = nTerm - pLink->nReplyOffset + 1;
                        dwReason |= Vxi11::REASON_CHR;
                    }
                }
                data = message.mid(pLink->nReplyOffset, nTake);
                pLink->nReplyOffset += nTake;
                if (pLink->nReplyOffset == message.size()) {
                    dwReason |= Vxi11::REASON_END;
                    pLink->replies.pop_front();
                    pLink->nReplyOffset = 0;
                } else if (static_cast<std::uint32_t>(nTake) == dwRequest) {
                    dwReason |= Vxi11::REASON_REQCNT;
                }
            }
        }
        result.U32(dwError);
        result.U32(dwReason);
        result.Opaque(data);
        reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, result.Bytes());
        return true;
    }
    case Vxi11::DEVICE_LOCK: {
        const std::uint32_t dwLink = args.U32();
        const std::uint32_t dwFlags = args.U32();
        const std::uint32_t dwLockTimeout = args.U32();
        if (!args.Ok())
            return garbage();
        if (!FindLink(dwLink))
            dwError = Vxi11::ERR_INVALID_LINK;
        else if (!MayUseDevice(conn, dwLink, dwFlags & Vxi11::FLAG_WAITLOCK, dwLockTimeout, dwError))
            return false;
        else if (dwError == Vxi11::ERR_NONE)
            m_dwLockHolder = dwLink;
        break;
    }
    case Vxi11::DEVICE_UNLOCK: {
        const std::uint32_t dwLink = args.U32();
        if (!args.Ok())
            return garbage();
        if (!FindLink(dwLink))
            dwError = Vxi11::ERR_INVALID_LINK;
        else if (m_dwLockHolder != dwLink)
            dwError = Vxi11::ERR_NO_LOCK;
        else
            m_dwLockHolder = 0;
        break;
    }
    case Vxi11::DESTROY_LINK: {
        const std::uint32_t dwLink = args.U32();
        if (!args.Ok())
            return garbage();
        const auto it = std::find_if(m_links.begin(), m_links.end(),
                                     [dwLink](const LINK& link) { return link.dwId == dwLink; });
        if (it == m_links.end()) {
            dwError = Vxi11::ERR_INVALID_LINK;
        } else {
            if (m_dwLockHolder == dwLink)
                m_dwLockHolder = 0;
            m_links.erase(it);
        }
        break;
    }
    default:
        reply = COncRpc::Reply(call.dwXid, COncRpc::PROC_UNAVAIL);
        return true;
    }
    if (call.dwProcedure != 0)
        result.U32(dwError);
    reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, result.Bytes());
    return true;
}
