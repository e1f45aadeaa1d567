#pragma once

#include <QByteArray>
#include <QString>

// What the simulator's network services share: a listening socket on the
// loopback address and whole writes to a client.
namespace SimNetwork {

// Listens on 127.0.0.1:nPort (0 picks a free port); the descriptor, or -1
// with the reason in strError. nPort is set to the port listened on.
int Listen(int& nPort, QString& strError);

// Writes all of data to a non-blocking socket, waiting while the client does
// not read; false when the client has gone.
bool SendAll(int fd, const QByteArray& data);

} // namespace SimNetwork
