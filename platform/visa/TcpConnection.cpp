#include "platform/visa/TcpConnection.h"

#include "platform/visa/Visa.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Connects one address; returns the descriptor or -1 with errno set.
int ConnectOne(const addrinfo* pAddress, const QDeadlineTimer& deadline)
{
    const int fd = ::socket(pAddress->ai_family, pAddress->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            pAddress->ai_protocol);
    if (fd < 0)
        return -1;
    if (::connect(fd, pAddress->ai_addr, pAddress->ai_addrlen) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        const int nErrno = errno;
        ::close(fd);
        errno = nErrno;
        return -1;
    }
    for (;;) {
        pollfd pfd{fd, POLLOUT, 0};
        const int nTimeout = deadline.isForever() ? -1 : static_cast<int>(deadline.remainingTime());
        const int nReady = ::poll(&pfd, 1, nTimeout);
        if (nReady < 0 && errno == EINTR)
            continue;
        if (nReady <= 0) {
            ::close(fd);
            errno = nReady == 0 ? ETIMEDOUT : errno;
            return -1;
        }
        int nError = 0;
        socklen_t nLength = sizeof nError;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &nError, &nLength);
        if (nError == 0)
            return fd;
        ::close(fd);
        errno = nError;
        return -1;
    }
}

} // namespace

QDeadlineTimer CTcpConnection::OpenDeadline(long nOpenTimeoutMs)
{
    return nOpenTimeoutMs >= Visa::TMO_INFINITE ? QDeadlineTimer(QDeadlineTimer::Forever)
                                                : QDeadlineTimer(qMax(0L, nOpenTimeoutMs));
}

int CTcpConnection::Connect(const QString& strHost, int nPort, const QDeadlineTimer& deadline,
                            const QString& strWhere, long nOpenTimeoutMs)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* pAddresses = nullptr;
    const QByteArray host = strHost.toUtf8();
    const QByteArray port = QByteArray::number(nPort);
    const int nResolved = ::getaddrinfo(host.constData(), port.constData(), &hints, &pAddresses);
    if (nResolved != 0)
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_HOST_NOT_FOUND)
                               .arg(strHost, QString::fromLocal8Bit(::gai_strerror(nResolved))));

    int fd = -1;
    int nErrno = ECONNREFUSED;
    for (const addrinfo* p = pAddresses; p && fd < 0 && !deadline.hasExpired(); p = p->ai_next) {
        fd = ConnectOne(p, deadline);
        if (fd < 0)
            nErrno = errno;
    }
    ::freeaddrinfo(pAddresses);
    if (fd < 0) {
        if (nErrno == ETIMEDOUT || deadline.hasExpired())
            CVisaStatus::Throw(Visa::VI_ERROR_TMO,
                               LoadVisaString(IDS_VISA_CONNECT_TIMEOUT).arg(strWhere).arg(nOpenTimeoutMs));
        if (nErrno == ECONNREFUSED)
            CVisaStatus::Throw(Visa::VI_ERROR_MACHINE_NAVAIL,
                               LoadVisaString(IDS_VISA_CONNECTION_REFUSED).arg(strWhere));
        CVisaStatus::Throw(Visa::VI_ERROR_MACHINE_NAVAIL,
                           LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                               .arg(strWhere, QString::fromLocal8Bit(std::strerror(nErrno))));
    }
    // Commands are short and each waits for its reply: send them at once.
    const int nOn = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof nOn);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &nOn, sizeof nOn);
    return fd;
}
