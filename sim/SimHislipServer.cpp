#include "sim/SimHislipServer.h"

#include "sim/SimNetwork.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t MAX_RECEIVE = Hislip::DEFAULT_MAX_MESSAGE;
constexpr std::uint16_t VENDOR_ID = ('S' << 8) | 'M';
// A message longer than this without its end is not a command of this
// instrument; it is dropped, as on the simulator's own line.
constexpr int MAX_MESSAGE = 64 * 1024;

} // namespace

CSimHislipServer::CSimHislipServer(CSimServer& server) : m_server(server) {}

CSimHislipServer::~CSimHislipServer()
{
    for (const CHANNEL& channel : m_channels)
        close(channel.fd);
    if (m_fdListen >= 0)
        close(m_fdListen);
}

bool CSimHislipServer::Start(int nPort, QString& strResource, QString& strError)
{
    m_fdListen = SimNetwork::Listen(nPort, strError);
    if (m_fdListen < 0)
        return false;
    strResource = QStringLiteral("TCPIP0::127.0.0.1::hislip0,%1::INSTR").arg(nPort);
    return true;
}

void CSimHislipServer::AddPollFds(std::vector<pollfd>& fds)
{
    SimNetwork::AddPollFds(fds, m_fdListen, m_channels);
}

int CSimHislipServer::NextTimeoutMs() const
{
    return SimNetwork::NextTimeoutMs(m_channels);
}

void CSimHislipServer::OnPolled(const std::vector<pollfd>& fds)
{
    std::vector<int> closing = SimNetwork::Receive(fds, m_fdListen, m_channels);
    // Every channel is looked at: a released lock or a passed deadline lets
    // a waiting request go on.
    for (CHANNEL& channel : m_channels) {
        if (std::find(closing.begin(), closing.end(), channel.fd) == closing.end() && !Serve(channel))
            closing.push_back(channel.fd);
    }
    for (const int fd : closing) {
        const auto it = std::find_if(m_channels.begin(), m_channels.end(),
                                     [fd](const CHANNEL& channel) { return channel.fd == fd; });
        if (it == m_channels.end())
            continue;
        // Either channel closing ends the session, its other channel and its locks.
        const std::uint16_t nSession = it->nSession;
        close(fd);
        m_channels.erase(it);
        if (nSession != 0)
            CloseSession(nSession);
    }
}

void CSimHislipServer::CloseSession(std::uint16_t nId)
{
    m_sessions.erase(std::remove_if(m_sessions.begin(), m_sessions.end(),
                                    [nId](const SESSION& session) { return session.nId == nId; }),
                     m_sessions.end());
    for (auto it = m_channels.begin(); it != m_channels.end();) {
        if (it->nSession == nId) {
            close(it->fd);
            it = m_channels.erase(it);
        } else {
            ++it;
        }
    }
}

CSimHislipServer::SESSION* CSimHislipServer::FindSession(std::uint16_t nId)
{
    for (SESSION& session : m_sessions) {
        if (session.nId == nId)
            return &session;
    }
    return nullptr;
}

bool CSimHislipServer::Fatal(CHANNEL& channel, std::uint8_t nCode, const char* pszText)
{
    SimNetwork::SendAll(channel.fd, CHislipMessage::Encode(Hislip::FATAL_ERROR, nCode, 0, pszText));
    return false;
}

bool CSimHislipServer::Serve(CHANNEL& channel)
{
    for (;;) {
        if (!channel.bWaiting) {
            switch (channel.pending.Take(channel.input, MAX_RECEIVE)) {
            case CHislipMessage::TAKE_INCOMPLETE:
                return true;
            case CHislipMessage::TAKE_BAD_HEADER:
                return Fatal(channel, Hislip::FATAL_BAD_HEADER, "the message does not begin with HS");
            case CHislipMessage::TAKE_TOO_LARGE:
                return Fatal(channel, Hislip::FATAL_UNIDENTIFIED,
                             "the message is longer than the server accepts");
            case CHislipMessage::TAKE_DONE:
                break;
            }
        }
        const CHislipMessage& message = channel.pending;
        if (channel.nSession == 0) {
            if (message.m_nType == Hislip::INITIALIZE) {
                SESSION session;
                session.nId = m_nNextSession++;
                if (m_nNextSession == 0)
                    m_nNextSession = 1;
                m_sessions.push_back(session);
                channel.nSession = session.nId;
                if (!SimNetwork::SendAll(channel.fd,
                                         CHislipMessage::Encode(
                                             Hislip::INITIALIZE_RESPONSE, 0,
                                             (std::uint32_t{Hislip::PROTOCOL_VERSION} << 16) | session.nId)))
                    return false;
                continue;
            }
            const auto nId = static_cast<std::uint16_t>(message.m_dwParameter);
            const bool bTaken = std::any_of(m_channels.begin(), m_channels.end(), [&](const CHANNEL& other) {
                return other.nSession == nId && other.bAsync;
            });
            if (message.m_nType != Hislip::ASYNC_INITIALIZE || !FindSession(nId) || bTaken)
                return Fatal(channel, Hislip::FATAL_BAD_INITIALIZATION,
                             "initialize the synchronous channel first");
            channel.nSession = nId;
            channel.bAsync = true;
            if (!SimNetwork::SendAll(channel.fd,
                                     CHislipMessage::Encode(Hislip::ASYNC_INITIALIZE_RESPONSE, 0, VENDOR_ID)))
                return false;
            continue;
        }
        if (!channel.bAsync) {
            if (!HandleSync(channel, message))
                return false;
            continue;
        }
        bool bClose = false;
        if (!HandleAsync(channel, message, bClose))
            return true; // waits for the lock
        if (bClose)
            return false;
        channel.bWaiting = false;
    }
}

bool CSimHislipServer::HandleSync(CHANNEL& channel, const CHislipMessage& message)
{
    SESSION* pSession = FindSession(channel.nSession);
    if (!pSession)
        return false;
    if (message.m_nType != Hislip::DATA && message.m_nType != Hislip::DATA_END) {
        if (message.m_nType == Hislip::TRIGGER)
            return true;
        return SimNetwork::SendAll(
            channel.fd,
            CHislipMessage::Encode(Hislip::ERROR, Hislip::ERROR_UNKNOWN_TYPE, 0, "unknown message type"));
    }
    pSession->input.append(message.m_payload);
    const bool bEnd = message.m_nType == Hislip::DATA_END;
    for (;;) {
        int nEnd = pSession->input.indexOf('\n');
        if (nEnd < 0 && bEnd && !pSession->input.isEmpty())
            nEnd = pSession->input.size(); // DataEnd closes a message without its line feed
        if (nEnd < 0)
            break;
        QByteArray line = pSession->input.left(nEnd);
        pSession->input.remove(0, qMin(nEnd + 1, pSession->input.size()));
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray reply = m_server.Exchange(line);
        if (reply.isEmpty())
            continue;
        // The reply answers the message that carried the query, cut to
        // what the client accepts in one message.
        const QByteArray text = reply + '\n';
        const int nChunk =
            static_cast<int>(std::max<std::uint64_t>(1, pSession->nClientMax - Hislip::HEADER_BYTES));
        QByteArray wire;
        for (int nAt = 0; nAt < text.size(); nAt += nChunk) {
            const bool bLast = nAt + nChunk >= text.size();
            wire += CHislipMessage::Encode(bLast ? Hislip::DATA_END : Hislip::DATA, 0, message.m_dwParameter,
                                           text.mid(nAt, nChunk));
        }
        if (!SimNetwork::SendAll(channel.fd, wire))
            return false;
    }
    if (pSession->input.size() > MAX_MESSAGE)
        pSession->input.clear();
    return true;
}

bool CSimHislipServer::MayLock(const SESSION& session, bool bShared, const QByteArray& name) const
{
    for (const SESSION& other : m_sessions) {
        if (other.nId == session.nId)
            continue;
        if (other.bExclusive)
            return false;
        if (other.bShared && (!bShared || other.sharedName != name))
            return false;
    }
    return true;
}

bool CSimHislipServer::HandleAsync(CHANNEL& channel, const CHislipMessage& message, bool& bClose)
{
    SESSION* pSession = FindSession(channel.nSession);
    if (!pSession) {
        bClose = true;
        return true;
    }
    QByteArray response;
    switch (message.m_nType) {
    case Hislip::ASYNC_LOCK:
        if (message.m_nControl == Hislip::LOCK_RELEASE) {
            std::uint8_t nResult = Hislip::LOCK_ERROR;
            if (pSession->bExclusive) {
                pSession->bExclusive = false;
                nResult = Hislip::LOCK_RELEASED_EXCLUSIVE;
            } else if (pSession->bShared) {
                pSession->bShared = false;
                pSession->sharedName.clear();
                nResult = Hislip::LOCK_RELEASED_SHARED;
            }
            response = CHislipMessage::Encode(Hislip::ASYNC_LOCK_RESPONSE, nResult, 0);
        } else {
            const bool bShared = !message.m_payload.isEmpty();
            if (message.m_payload.size() > Hislip::MAX_LOCK_STRING) {
                response = CHislipMessage::Encode(Hislip::ASYNC_LOCK_RESPONSE, Hislip::LOCK_ERROR, 0);
            } else if (MayLock(*pSession, bShared, message.m_payload)) {
                if (bShared) {
                    pSession->bShared = true;
                    pSession->sharedName = message.m_payload;
                } else {
                    pSession->bExclusive = true;
                }
                response = CHislipMessage::Encode(Hislip::ASYNC_LOCK_RESPONSE, Hislip::LOCK_GRANTED, 0);
            } else {
                if (!channel.bWaiting) {
                    channel.bWaiting = true;
                    channel.tWaitEnds = CLOCK::now() + std::chrono::milliseconds(message.m_dwParameter);
                }
                if (CLOCK::now() < channel.tWaitEnds)
                    return false;
                response = CHislipMessage::Encode(Hislip::ASYNC_LOCK_RESPONSE, Hislip::LOCK_FAILED, 0);
            }
        }
        break;
    case Hislip::ASYNC_LOCK_INFO: {
        std::uint32_t dwHolders = 0;
        bool bExclusive = false;
        for (const SESSION& session : m_sessions) {
            dwHolders += session.bExclusive || session.bShared ? 1 : 0;
            bExclusive = bExclusive || session.bExclusive;
        }
        response = CHislipMessage::Encode(Hislip::ASYNC_LOCK_INFO_RESPONSE, bExclusive ? 1 : 0, dwHolders);
        break;
    }
    case Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE:
        if (message.m_payload.size() == 8) {
            std::uint64_t nMax = 0;
            for (const char c : message.m_payload)
                nMax = (nMax << 8) | static_cast<unsigned char>(c);
            pSession->nClientMax = std::max<std::uint64_t>(nMax, Hislip::HEADER_BYTES + 1);
        }
        response = CHislipMessage::Encode(Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE_RESPONSE, 0, 0,
                                          CHislipMessage::Size64(MAX_RECEIVE));
        break;
    case Hislip::ASYNC_STATUS_QUERY:
        response = CHislipMessage::Encode(Hislip::ASYNC_STATUS_RESPONSE, 0, 0);
        break;
    default:
        response =
            CHislipMessage::Encode(Hislip::ERROR, Hislip::ERROR_UNKNOWN_TYPE, 0, "unknown message type");
        break;
    }
    bClose = !SimNetwork::SendAll(channel.fd, response);
    return true;
}
