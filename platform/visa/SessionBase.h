#pragma once

#include "platform/visa/ResourceLock.h"
#include "platform/visa/ResourceName.h"
#include "platform/visa/Visa.h"

#include <QByteArray>
#include <QDeadlineTimer>

#include <sys/types.h>

// What every session of the built-in resource manager shares, whatever the
// transport: the I/O timeout, the lock discipline and message reads that end
// at the line feed, at the requested count or at the transport's end of
// message. Each transport is a subclass that opens its descriptor and, where
// a plain non-blocking descriptor does not fit, moves the bytes itself.
//
// Text travels as Latin-1 both ways: SCPI is ASCII, and Latin-1 maps every
// byte to one character and back, so nothing an instrument sends is lost.
class CSessionBase : public IMessage
{
public:
    ~CSessionBase() override;
    CSessionBase(const CSessionBase&) = delete;
    CSessionBase& operator=(const CSessionBase&) = delete;

    QString ResourceName() const override;
    void SetTimeout(long nMilliseconds) override;
    long GetTimeout() const override;
    QString LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey) override;
    void UnlockRsrc() override;
    int LockState() override;

    long WriteString(const QString& strText) override;
    QString ReadString(long nCount) override;
    void DiscardInput() override;

    // Takes the lock that the access mode of Open asks for, within the open
    // timeout.
    void ApplyAccessMode(int nAccessMode, long nOpenTimeoutMs);

protected:
    explicit CSessionBase(const CResourceName& name);

    // Appends what has arrived to buf, waiting until the deadline for the
    // first byte; nWanted is how many bytes the read still needs. Returns
    // false when the deadline passed with nothing read; sets bEnd when the
    // transport marked the end of a message. The default polls m_fd.
    virtual bool Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd);
    // Sends all bytes before the deadline or raises. The default polls m_fd.
    virtual void Send(const QByteArray& bytes, const QDeadlineTimer& deadline);

    // One write(2) of the transport.
    virtual ssize_t WriteSome(const char* pData, size_t nSize);

    // The device path or address that messages name.
    virtual QString Where() const = 0;

    // Moves this session's hold on the resource to eMode, waiting up to
    // nWaitMs (negative: without end) while another session is in the way;
    // false when the time ran out. The default is the lock on this machine
    // (CResourceLock); a protocol whose instrument keeps the lock itself
    // overrides both, so that sessions on any machine exclude each other.
    virtual bool ChangeLock(CResourceLock::EMode eMode, long nWaitMs);
    // True when another session holds an exclusive lock at this moment.
    virtual bool LockedElsewhere();

    // Raises the failure for an errno of a read or write.
    [[noreturn]] void ThrowIoError(int nErrno) const;
    [[noreturn]] void ThrowConnectionLost() const;
    // For the LAN transports, which keep more than one socket: sends all
    // bytes on fd before the deadline or raises; appends what fd has to buf,
    // waiting for it until the deadline, and returns the count (0 when the
    // peer closed, -1 when the deadline passed).
    void SendOn(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline);
    qint64 ReceiveSome(int fd, QByteArray& buf, const QDeadlineTimer& deadline);
    // The poll(2) timeout that ends at the deadline.
    static int PollTimeout(const QDeadlineTimer& deadline);
    // A deadline this much later, for an instrument told the timeout itself
    // that answers only when it passes.
    static QDeadlineTimer WithGrace(const QDeadlineTimer& deadline, qint64 nGraceMs = 250);
    QDeadlineTimer IoDeadline() const;
    // The group owning a device node, for messages about permissions.
    static QString DeviceGroup(const QString& strPath);

    CResourceName m_name;
    int m_fd = -1;
    CResourceLock m_lock;

private:
    void CheckAccess();
    QString TakeFromBuffer(int nBytes);

    long m_nTimeoutMs = 2000;
    QByteArray m_bufIn;
    int m_nEndAt = -1; // bytes in m_bufIn up to the transport's end of message
    int m_nExclusiveLocks = 0;
    int m_nSharedLocks = 0;
};
