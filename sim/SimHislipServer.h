#pragma once

#include "platform/visa/HislipMessage.h"
#include "sim/SimServer.h"
#include "sim/SimService.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdint>
#include <vector>

// The simulated instrument as a HiSLIP server on 127.0.0.1: Initialize and
// AsyncInitialize pair a synchronous and an asynchronous channel into a
// session; Data and DataEnd carry the messages, each reply goes back as
// DataEnd with the MessageID of the message it answers; AsyncLock takes the
// exclusive lock (empty lock string) or a shared one (its name), waiting up
// to the timeout the request gives; AsyncLockInfo and
// AsyncMaximumMessageSize are answered. A broken header, a message longer
// than the server accepts or a wrong initialization ends the session with a
// FatalError; a message of unknown type gets an Error.
class CSimHislipServer : public ISimService
{
public:
    explicit CSimHislipServer(CSimServer& server);
    ~CSimHislipServer() override;
    CSimHislipServer(const CSimHislipServer&) = delete;
    CSimHislipServer& operator=(const CSimHislipServer&) = delete;

    // Listens on 127.0.0.1:nPort (0 picks a free port); the resource name
    // that reaches the instrument, or false with the reason.
    bool Start(int nPort, QString& strResource, QString& strError);

    void AddPollFds(std::vector<pollfd>& fds) override;
    void OnPolled(const std::vector<pollfd>& fds) override;
    int NextTimeoutMs() const override;

private:
    using CLOCK = std::chrono::steady_clock;
    struct CHANNEL
    {
        int fd = -1;
        QByteArray input;
        std::uint16_t nSession = 0; // 0 until initialized
        bool bAsync = false;
        bool bWaiting = false; // a lock request waits
        CLOCK::time_point tWaitEnds;
        CHislipMessage pending;
    };
    struct SESSION
    {
        std::uint16_t nId = 0;
        QByteArray input; // message bytes not yet a whole message
        bool bExclusive = false;
        QByteArray sharedName; // empty: no shared lock
        bool bShared = false;
        std::uint64_t nClientMax = Hislip::DEFAULT_MAX_MESSAGE;
    };

    // Serves what the channel sent; false when it must be closed.
    bool Serve(CHANNEL& channel);
    bool HandleSync(CHANNEL& channel, const CHislipMessage& message);
    // False while a lock request waits.
    bool HandleAsync(CHANNEL& channel, const CHislipMessage& message, bool& bClose);
    bool Fatal(CHANNEL& channel, std::uint8_t nCode, const char* pszText);
    bool MayLock(const SESSION& session, bool bShared, const QByteArray& name) const;
    SESSION* FindSession(std::uint16_t nId);
    void CloseSession(std::uint16_t nId);

    CSimServer& m_server;
    int m_fdListen = -1;
    std::vector<CHANNEL> m_channels;
    std::vector<SESSION> m_sessions;
    std::uint16_t m_nNextSession = 1;
};
