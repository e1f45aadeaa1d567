#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <chrono>
#include <poll.h>
#include <vector>

// What the simulator's network services share: a listening socket on the
// loopback address and whole writes to a client.
namespace SimNetwork {

// Listens on 127.0.0.1:nPort (0 picks a free port); the descriptor, or -1
// with the reason in strError. nPort is set to the port listened on.
int Listen(int& nPort, QString& strError);

// Accepts a client as a non-blocking socket with Nagle's delay off: replies
// are small, and two sent in a row must not wait for the client's
// acknowledgement of the first. -1 when there was none to accept.
int Accept(int fdListen);

// Writes all of data to a non-blocking socket, waiting while the client does
// not read; false when the client has gone.
bool SendAll(int fd, const QByteArray& data);

// Appends what the non-blocking socket has to input; false when the client
// has gone.
bool ReadInto(int fd, QByteArray& input);

// The connections of a service: each has fd and input, and a deadline
// tWaitEnds while bWaiting (a call waiting for a lock or a reply).

// The listening socket and every connection.
template <class CONN> void AddPollFds(std::vector<pollfd>& fds, int fdListen, const std::vector<CONN>& conns)
{
    fds.push_back({fdListen, POLLIN, 0});
    for (const CONN& conn : conns)
        fds.push_back({conn.fd, POLLIN, 0});
}

// Milliseconds until the first wait of a connection ends; -1 when none waits.
template <class CONN> int NextTimeoutMs(const std::vector<CONN>& conns)
{
    int nTimeout = -1;
    const auto tNow = std::chrono::steady_clock::now();
    for (const CONN& conn : conns) {
        if (!conn.bWaiting)
            continue;
        const auto nMs = std::chrono::ceil<std::chrono::milliseconds>(conn.tWaitEnds - tNow).count();
        const int nDue = static_cast<int>(std::clamp<long long>(nMs, 0, 1000 * 1000));
        if (nTimeout < 0 || nDue < nTimeout)
            nTimeout = nDue;
    }
    return nTimeout;
}

// Accepts the new connection and reads what the others sent; the
// descriptors of those that have gone, which the caller closes.
template <class CONN>
std::vector<int> Receive(const std::vector<pollfd>& fds, int fdListen, std::vector<CONN>& conns)
{
    std::vector<int> gone;
    for (const pollfd& pfd : fds) {
        if (!pfd.revents)
            continue;
        if (pfd.fd == fdListen) {
            const int fd = Accept(fdListen);
            if (fd >= 0) {
                conns.emplace_back();
                conns.back().fd = fd;
            }
            continue;
        }
        const auto it =
            std::find_if(conns.begin(), conns.end(), [&pfd](const CONN& conn) { return conn.fd == pfd.fd; });
        if (it != conns.end() && !ReadInto(pfd.fd, it->input))
            gone.push_back(pfd.fd);
    }
    return gone;
}

} // namespace SimNetwork
