#include "platform/visa/SocketSession.h"

#include "platform/visa/TcpConnection.h"

#include <sys/socket.h>

CSocketSession::CSocketSession(const CResourceName& name) : CSessionBase(name) {}

QString CSocketSession::Where() const
{
    return QStringLiteral("%1:%2").arg(m_name.Host()).arg(m_name.Port());
}

ssize_t CSocketSession::WriteSome(const char* pData, size_t nSize)
{
    // A peer that has gone must give EPIPE here, not kill the program.
    return ::send(m_fd, pData, nSize, MSG_NOSIGNAL);
}

std::shared_ptr<CSocketSession> CSocketSession::Open(const CResourceName& name, long nOpenTimeoutMs)
{
    std::shared_ptr<CSocketSession> pSession(new CSocketSession(name));
    const int fd =
        CTcpConnection::Connect(name.Host(), name.Port(), CTcpConnection::OpenDeadline(nOpenTimeoutMs),
                                pSession->Where(), nOpenTimeoutMs);
    pSession->m_fd = fd;
    pSession->m_lock.UseLockFile(name.Canonical().toUpper());
    return pSession;
}
