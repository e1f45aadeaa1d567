#pragma once

#include <QByteArray>
#include <QString>

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

} // namespace SimNetwork
