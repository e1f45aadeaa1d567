#include "platform/visa/SessionBase.h"

#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 RECEIVE_CHUNK = 4096;
// Reads that DiscardInput does at most.
constexpr int DISCARD_ROUNDS = 256;

} // namespace

CSessionBase::CSessionBase(const CResourceName& name) : m_name(name) {}

CSessionBase::~CSessionBase()
{
    // Closing the descriptor ends its flock as well.
    if (m_fd >= 0)
        ::close(m_fd);
}

QString CSessionBase::ResourceName() const
{
    return m_name.Original();
}

void CSessionBase::SetTimeout(long nMilliseconds)
{
    if (nMilliseconds < 0 || nMilliseconds > Visa::TMO_INFINITE)
        CVisaStatus::Throw(Visa::VI_ERROR_NSUP_ATTR_STATE,
                           LoadVisaString(IDS_VISA_ATTRIBUTE_REFUSED)
                               .arg(m_name.Original(), QStringLiteral("VI_ATTR_TMO_VALUE"))
                               .arg(nMilliseconds));
    m_nTimeoutMs = nMilliseconds;
}

long CSessionBase::GetTimeout() const
{
    return m_nTimeoutMs;
}

QDeadlineTimer CSessionBase::IoDeadline() const
{
    if (m_nTimeoutMs == Visa::TMO_INFINITE)
        return QDeadlineTimer(QDeadlineTimer::Forever);
    return QDeadlineTimer(m_nTimeoutMs);
}

QString CSessionBase::LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey)
{
    if (nLockType != Visa::EXCLUSIVE_LOCK && nLockType != Visa::SHARED_LOCK)
        CVisaStatus::Throw(Visa::VI_ERROR_INV_LOCK_TYPE,
                           LoadVisaString(IDS_VISA_LOCK_TYPE_UNSUPPORTED).arg(nLockType));
    const long nWait = nTimeoutMs >= Visa::TMO_INFINITE ? -1 : qMax(0L, nTimeoutMs);
    if (nLockType == Visa::EXCLUSIVE_LOCK) {
        // Nested locks only count; VISA wants one unlock for each.
        if (m_nExclusiveLocks == 0 && !ChangeLock(CResourceLock::MODE_EXCLUSIVE, nWait))
            CVisaStatus::Throw(Visa::VI_ERROR_TMO,
                               LoadVisaString(IDS_VISA_LOCK_TIMEOUT).arg(m_name.Original()).arg(nTimeoutMs));
        ++m_nExclusiveLocks;
        return QString();
    }
    if (m_nExclusiveLocks == 0 && m_nSharedLocks == 0 && !ChangeLock(CResourceLock::MODE_SHARED, nWait))
        CVisaStatus::Throw(Visa::VI_ERROR_TMO,
                           LoadVisaString(IDS_VISA_LOCK_TIMEOUT).arg(m_name.Original()).arg(nTimeoutMs));
    ++m_nSharedLocks;
    // Every shared holder shares with every other here, so the key only
    // needs to be handed back.
    return strRequestedKey.isEmpty() ? QStringLiteral("vaultline-%1").arg(QCoreApplication::applicationPid())
                                     : strRequestedKey;
}

void CSessionBase::UnlockRsrc()
{
    if (m_nExclusiveLocks > 0) {
        if (--m_nExclusiveLocks == 0) {
            // Stepping down to a still nested shared lock never waits: while
            // this session held the exclusive lock nobody else held anything.
            ChangeLock(m_nSharedLocks > 0 ? CResourceLock::MODE_SHARED : CResourceLock::MODE_NONE, 0);
        }
        return;
    }
    if (m_nSharedLocks > 0) {
        if (--m_nSharedLocks == 0)
            ChangeLock(CResourceLock::MODE_NONE, 0);
        return;
    }
    CVisaStatus::Throw(Visa::VI_ERROR_SESN_NLOCKED);
}

int CSessionBase::LockState()
{
    if (m_nExclusiveLocks > 0)
        return Visa::EXCLUSIVE_LOCK;
    if (m_nSharedLocks > 0)
        return Visa::SHARED_LOCK;
    return Visa::NO_LOCK;
}

void CSessionBase::ApplyAccessMode(int nAccessMode, long nOpenTimeoutMs)
{
    if ((nAccessMode & ~(Visa::EXCLUSIVE_LOCK | Visa::SHARED_LOCK | Visa::LOAD_CONFIG)) != 0 ||
        ((nAccessMode & Visa::EXCLUSIVE_LOCK) && (nAccessMode & Visa::SHARED_LOCK)))
        CVisaStatus::Throw(Visa::VI_ERROR_INV_ACC_MODE,
                           LoadVisaString(IDS_VISA_ACCESS_MODE_INVALID).arg(nAccessMode));
    // LOAD_CONFIG has nothing to load: no stored per-resource configuration
    // exists here, so the session keeps VISA's defaults as VISA does then.
    if (nAccessMode & Visa::EXCLUSIVE_LOCK)
        LockRsrc(Visa::EXCLUSIVE_LOCK, nOpenTimeoutMs, QString());
    else if (nAccessMode & Visa::SHARED_LOCK)
        LockRsrc(Visa::SHARED_LOCK, nOpenTimeoutMs, QString());
}

void CSessionBase::CheckAccess()
{
    if (m_nExclusiveLocks == 0 && m_nSharedLocks == 0 && LockedElsewhere())
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_LOCKED,
                           LoadVisaString(IDS_VISA_LOCKED_EXCLUSIVE).arg(m_name.Original()));
}

long CSessionBase::WriteString(const QString& strText)
{
    CheckAccess();
    const QByteArray bytes = strText.toLatin1();
    Send(bytes, IoDeadline());
    return static_cast<long>(bytes.size());
}

QString CSessionBase::TakeFromBuffer(int nBytes)
{
    const QString str = QString::fromLatin1(m_bufIn.constData(), nBytes);
    m_bufIn.remove(0, nBytes);
    if (m_nEndAt >= 0) {
        m_nEndAt -= nBytes;
        if (m_nEndAt <= 0)
            m_nEndAt = -1;
    }
    return str;
}

QString CSessionBase::ReadString(long nCount)
{
    if (nCount <= 0)
        CVisaStatus::Throw(Visa::VI_ERROR_INV_PARAMETER,
                           LoadVisaString(IDS_VISA_READ_COUNT_INVALID).arg(nCount));
    CheckAccess();
    const int nMax = static_cast<int>(qMin<long>(nCount, 64 * 1024 * 1024));
    const QDeadlineTimer deadline = IoDeadline();
    for (;;) {
        const int nLineFeed = m_bufIn.indexOf('\n');
        if (nLineFeed >= 0 && nLineFeed < nMax)
            return TakeFromBuffer(nLineFeed + 1);
        if (m_nEndAt >= 0 && m_nEndAt <= nMax)
            return TakeFromBuffer(m_nEndAt);
        if (m_bufIn.size() >= nMax)
            return TakeFromBuffer(nMax);
        bool bEnd = false;
        const int nBefore = static_cast<int>(m_bufIn.size());
        if (!Receive(m_bufIn, nMax - nBefore, deadline, bEnd)) {
            // The caller gets the timeout and no text, so what came of the
            // reply is gone with it, as with VISA.
            m_bufIn.clear();
            m_nEndAt = -1;
            CVisaStatus::Throw(Visa::VI_ERROR_TMO);
        }
        if (bEnd && m_nEndAt < 0)
            m_nEndAt = static_cast<int>(m_bufIn.size());
    }
}

void CSessionBase::DiscardInput()
{
    m_bufIn.clear();
    m_nEndAt = -1;
    // What the transport already holds, without waiting for more; bounded, so
    // that a peer that never stops talking cannot keep the session here.
    const QDeadlineTimer now(0);
    QByteArray drained;
    for (int nRound = 0; nRound < DISCARD_ROUNDS; ++nRound) {
        bool bEnd = false;
        drained.clear();
        if (!Receive(drained, RECEIVE_CHUNK, now, bEnd))
            break;
    }
}

bool CSessionBase::Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd)
{
    Q_UNUSED(nWanted);
    bEnd = false;
    char chunk[RECEIVE_CHUNK];
    for (;;) {
        const ssize_t nRead = ::read(m_fd, chunk, sizeof chunk);
        if (nRead > 0) {
            buf.append(chunk, static_cast<int>(nRead));
            return true;
        }
        if (nRead == 0)
            ThrowConnectionLost(); // the other end hung up
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            ThrowIoError(errno);
        if (deadline.hasExpired())
            return false;
        pollfd pfd{m_fd, POLLIN, 0};
        const int nReady = ::poll(&pfd, 1, PollTimeout(deadline));
        if (nReady < 0 && errno != EINTR)
            ThrowIoError(errno);
        if (nReady == 0 && deadline.hasExpired())
            return false;
        // Readable, hung up or in error: the next read tells which.
    }
}

void CSessionBase::Send(const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qint64 nSent = 0;
    while (nSent < bytes.size()) {
        const ssize_t nWritten =
            WriteSome(bytes.constData() + nSent, static_cast<size_t>(bytes.size() - nSent));
        if (nWritten > 0) {
            nSent += nWritten;
            continue;
        }
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten < 0 && errno != EAGAIN)
            ThrowIoError(errno);
        // The line is stalled (a full buffer, or XOFF from the instrument).
        if (deadline.hasExpired())
            CVisaStatus::Throw(Visa::VI_ERROR_TMO);
        pollfd pfd{m_fd, POLLOUT, 0};
        const int nReady = ::poll(&pfd, 1, PollTimeout(deadline));
        if (nReady < 0 && errno != EINTR)
            ThrowIoError(errno);
        if (nReady > 0 && (pfd.revents & (POLLHUP | POLLERR)) && !(pfd.revents & POLLOUT))
            ThrowConnectionLost();
    }
}

void CSessionBase::SendOn(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    if (fd < 0)
        ThrowConnectionLost();
    int nSent = 0;
    while (nSent < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + nSent, static_cast<size_t>(bytes.size() - nSent), MSG_NOSIGNAL);
        if (n > 0) {
            nSent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            ThrowIoError(errno);
        if (deadline.hasExpired())
            CVisaStatus::Throw(Visa::VI_ERROR_TMO);
        pollfd pfd{fd, POLLOUT, 0};
        ::poll(&pfd, 1, PollTimeout(deadline));
    }
}

qint64 CSessionBase::ReceiveSome(int fd, QByteArray& buf, const QDeadlineTimer& deadline)
{
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n >= 0) {
            buf.append(chunk, static_cast<int>(n));
            return n;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            ThrowIoError(errno);
        if (deadline.hasExpired())
            return -1;
        pollfd pfd{fd, POLLIN, 0};
        ::poll(&pfd, 1, PollTimeout(deadline));
    }
}

int CSessionBase::PollTimeout(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return -1;
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 1000 * 1000));
}

QDeadlineTimer CSessionBase::WithGrace(const QDeadlineTimer& deadline, qint64 nGraceMs)
{
    if (deadline.isForever())
        return deadline;
    return QDeadlineTimer(std::max<qint64>(0, deadline.remainingTime()) + nGraceMs);
}

bool CSessionBase::ChangeLock(CResourceLock::EMode eMode, long nWaitMs)
{
    return m_lock.Change(eMode, nWaitMs);
}

bool CSessionBase::LockedElsewhere()
{
    return m_lock.ExclusiveElsewhere();
}

ssize_t CSessionBase::WriteSome(const char* pData, size_t nSize)
{
    return ::write(m_fd, pData, nSize);
}

void CSessionBase::ThrowIoError(int nErrno) const
{
    switch (nErrno) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case ECONNRESET:
    case ESHUTDOWN:
    case ENOTCONN:
    case ETIMEDOUT: // a network peer that stopped answering keepalives
        ThrowConnectionLost();
    default:
        CVisaStatus::Throw(Visa::VI_ERROR_IO,
                           LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                               .arg(Where(), QString::fromLocal8Bit(std::strerror(nErrno))));
    }
}

void CSessionBase::ThrowConnectionLost() const
{
    CVisaStatus::Throw(Visa::VI_ERROR_CONN_LOST, LoadVisaString(IDS_VISA_DEVICE_GONE).arg(Where()));
}

QString CSessionBase::DeviceGroup(const QString& strPath)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(strPath).constData(), &st) != 0)
        return QStringLiteral("?");
    const group* pGroup = ::getgrgid(st.st_gid);
    return pGroup ? QString::fromLocal8Bit(pGroup->gr_name) : QString::number(st.st_gid);
}
