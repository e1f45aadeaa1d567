#pragma once

#include "platform/visa/HislipMessage.h"
#include "platform/visa/SessionBase.h"

// A LAN instrument through HiSLIP (TCPIP[board]::host::hislipN[,port]::INSTR,
// port 4880 unless given): a synchronous channel for the messages and an
// asynchronous one for the lock, both on one port. A write goes out as Data
// messages with DataEnd (END) last; a read takes the Data and DataEnd that
// answer the last message sent and drops any older answer. The lock is the
// instrument's own (AsyncLock), exclusive or shared, so sessions on any
// machine exclude each other. The peer's fatal and non-fatal errors become
// VISA errors with its own text; a message longer than the session accepts
// ends the session before anything is allocated for it.
class CHislipSession : public CSessionBase
{
public:
    static std::shared_ptr<CHislipSession> Open(const CResourceName& name, long nOpenTimeoutMs);
    ~CHislipSession() override;

    // True for the LAN device names of HiSLIP ("hislip0", "hislip1,4881").
    static bool IsHislipName(const QString& strLanDevice);

protected:
    QString Where() const override;
    bool Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd) override;
    void Send(const QByteArray& bytes, const QDeadlineTimer& deadline) override;
    bool ChangeLock(CResourceLock::EMode eMode, long nWaitMs) override;
    bool LockedElsewhere() override;

private:
    explicit CHislipSession(const CResourceName& name);

    // The next message of the channel; false when the deadline passed first.
    bool ReceiveOn(int fd, QByteArray& buf, CHislipMessage& message, const QDeadlineTimer& deadline);
    // A request on the asynchronous channel and its response of that type.
    CHislipMessage AsyncExchange(const QByteArray& request, std::uint8_t nResponseType,
                                 const QDeadlineTimer& deadline);
    // Raises the peer's FatalError (closing the session) or Error.
    [[noreturn]] void ThrowPeerError(const CHislipMessage& message);
    // Closes both channels and raises VI_ERROR_IO with the text.
    [[noreturn]] void ThrowBroken(const QString& strText);
    void CloseChannels();

    QString m_strSubAddress;
    int m_nPort = Hislip::DEFAULT_PORT;
    int m_fdAsync = -1;
    QByteArray m_bufSync;
    QByteArray m_bufAsync;
    std::uint32_t m_dwNextMessageId = Hislip::FIRST_MESSAGE_ID;
    std::uint32_t m_dwLastSent = Hislip::FIRST_MESSAGE_ID - 2; // the message the next reply answers
    bool m_bRmtDelivered = false;                              // a DataEnd was read since the last write
    std::uint64_t m_nMaxSend = Hislip::DEFAULT_MAX_MESSAGE;
    bool m_bExclusive = false;
    bool m_bShared = false;
};
