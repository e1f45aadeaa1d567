#pragma once

#include "sim/SimServer.h"
#include "sim/SimService.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

// The simulated instrument as a VXI-11 server on 127.0.0.1: the core channel
// (create_link, device_write, device_read, device_lock, device_unlock,
// destroy_link) and, on the same port, the portmapper's GETPORT, which names
// that port. Clients that are told the port through
// VAULTLINE_VXI11_PORTMAPPER need no system portmapper and no port 111.
//
// One lock for the instrument, held by one link; a link that asks while
// another holds it waits up to its lock timeout (with the wait flag) and then
// gets "locked by another link". Closing a link or its connection releases
// its lock. Each link has its own input and its own queue of replies.
class CSimVxi11Server : public ISimService
{
public:
    explicit CSimVxi11Server(CSimServer& server);
    ~CSimVxi11Server() override;
    CSimVxi11Server(const CSimVxi11Server&) = delete;
    CSimVxi11Server& operator=(const CSimVxi11Server&) = delete;

    // Listens on 127.0.0.1:nPort (0 picks a free port); the resource name
    // that reaches the instrument, or false with the reason.
    bool Start(int nPort, QString& strResource, QString& strError);
    int Port() const { return m_nPort; }

    void AddPollFds(std::vector<pollfd>& fds) override;
    void OnPolled(const std::vector<pollfd>& fds) override;
    int NextTimeoutMs() const override;

private:
    using CLOCK = std::chrono::steady_clock;
    struct CONNECTION
    {
        int fd = -1;
        QByteArray input;
        QByteArray call;               // the call being served; empty when none
        bool bWaiting = false;         // the call waits for the lock or for a reply
        bool bWaitingForReply = false; // for a reply (after the lock, if it waited for that)
        CLOCK::time_point tWaitEnds;   // when the waiting call gets its error
    };
    struct LINK
    {
        std::uint32_t dwId = 0;
        int fdConnection = -1;
        QByteArray input;               // written bytes not yet a whole message
        std::deque<QByteArray> replies; // whole reply messages, each ending in a line feed
        int nReplyOffset = 0;           // bytes of the first reply already read
    };

    // Serves the calls of the connection until one has to wait; false when
    // the connection must be closed.
    bool Serve(CONNECTION& conn);
    // Serves one call; false when it has to wait (conn.bWaiting is then set).
    bool Handle(CONNECTION& conn, QByteArray& reply);
    // True when the call may go on now; false when it has to wait, or sets
    // dwError to "locked" once the wait has ended.
    bool MayUseDevice(CONNECTION& conn, std::uint32_t dwLink, bool bWait, std::uint32_t dwWaitMs,
                      std::uint32_t& dwError);
    // Starts or goes on with the call's wait; false once it has ended.
    bool Wait(CONNECTION& conn, std::uint32_t dwWaitMs, bool bForReply);
    LINK* FindLink(std::uint32_t dwId);
    void Write(LINK& link, const QByteArray& data, bool bEnd);
    void Close(size_t nConnection);

    CSimServer& m_server;
    int m_fdListen = -1;
    int m_nPort = 0;
    std::vector<CONNECTION> m_connections;
    std::vector<LINK> m_links;
    std::uint32_t m_dwNextLink = 1;
    std::uint32_t m_dwLockHolder = 0; // the link holding the lock, 0 for none
};
