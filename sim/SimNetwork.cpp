#include "sim/SimNetwork.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace SimNetwork {

int Listen(int& nPort, QString& strError)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        strError =
            QStringLiteral("cannot create a socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    const int nOn = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(nPort));
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 16) != 0) {
        strError = QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
                       .arg(nPort)
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
        close(fd);
        return -1;
    }
    socklen_t nLen = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &nLen);
    nPort = ntohs(addr.sin_port);
    return fd;
}

int Accept(int fdListen)
{
    const int fd = accept4(fdListen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
        const int nOn = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof nOn);
    }
    return fd;
}

bool SendAll(int fd, const QByteArray& data)
{
    qsizetype nSent = 0;
    while (nSent < data.size()) {
        const ssize_t n =
            send(fd, data.constData() + nSent, static_cast<size_t>(data.size() - nSent), MSG_NOSIGNAL);
        if (n > 0) {
            nSent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // A client that reads nothing for ten seconds is taken for gone, so
        // that it cannot hold the simulator up for everyone else.
        pollfd pfd{fd, POLLOUT, 0};
        if (poll(&pfd, 1, 10000) == 0)
            return false;
    }
    return true;
}

bool ReadInto(int fd, QByteArray& input)
{
    char buffer[16 * 1024];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        input.append(buffer, static_cast<int>(n));
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

} // namespace SimNetwork
