#pragma once

#include <QDeadlineTimer>
#include <QString>

// Opens the TCP connections of the network sessions (raw sockets, VXI-11,
// HiSLIP): the host resolved, each of its addresses tried until one answers
// before the deadline, and every failure raised as VISA reports it.
class CTcpConnection
{
public:
    // A connected, non-blocking descriptor with TCP_NODELAY and keepalive
    // set. strWhere names the peer in messages; nOpenTimeoutMs is the
    // timeout that the deadline came from, for the message when it passes.
    static int Connect(const QString& strHost, int nPort, const QDeadlineTimer& deadline,
                       const QString& strWhere, long nOpenTimeoutMs);

    // The deadline of an open timeout (VISA's infinite value waits without end).
    static QDeadlineTimer OpenDeadline(long nOpenTimeoutMs);
};
