#include "platform/visa/ResourceLock.h"

#include "platform/visa/Visa.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How often a waiting lock looks again; flock has no timed wait of its own.
constexpr int LOCK_POLL_MS = 5;

int FlockOperation(CResourceLock::EMode eMode)
{
    switch (eMode) {
    case CResourceLock::MODE_EXCLUSIVE:
        return LOCK_EX;
    case CResourceLock::MODE_SHARED:
        return LOCK_SH;
    case CResourceLock::MODE_NONE:
        break;
    }
    return LOCK_UN;
}

} // namespace

CResourceLock::~CResourceLock()
{
    CloseLockFile();
}

void CResourceLock::CloseLockFile()
{
    if (m_fdLockFile < 0)
        return;
    // A lock file nobody holds is removed, so that a folder of them does not
    // grow with every resource name ever used. Only the sole holder may
    // remove it, and only the file it locked: a waiter that then gets the
    // lock on the removed file sees that it is gone and opens the new one.
    if (::flock(m_fdLockFile, LOCK_EX | LOCK_NB) == 0 && IsCurrentFile(m_fdLockFile))
        ::unlink(QFile::encodeName(m_strPath).constData());
    ::close(m_fdLockFile);
    m_fdLockFile = -1;
}

bool CResourceLock::IsCurrentFile(int fd) const
{
    struct stat stOpen
    {
    };
    struct stat stPath
    {
    };
    return ::fstat(fd, &stOpen) == 0 && ::stat(QFile::encodeName(m_strPath).constData(), &stPath) == 0 &&
           stOpen.st_dev == stPath.st_dev && stOpen.st_ino == stPath.st_ino;
}

void CResourceLock::UseDevice(int fdDevice)
{
    m_fdDevice = fdDevice;
}

void CResourceLock::UseLockFile(const QString& strKey)
{
    m_strKey = strKey;
}

QString CResourceLock::LockFolder()
{
    const QString strRuntime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!strRuntime.isEmpty() && QFileInfo(strRuntime).isDir())
        return QDir(strRuntime).filePath(QStringLiteral("vaultline-locks"));
    return QStringLiteral("/tmp/vaultline-locks-%1").arg(::getuid());
}

int CResourceLock::Descriptor()
{
    if (m_fdDevice >= 0)
        return m_fdDevice;
    if (m_fdLockFile >= 0)
        return m_fdLockFile;

    const QString strFolder = LockFolder();
    const QByteArray folder = QFile::encodeName(strFolder);
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        CVisaStatus::Throw(Visa::VI_ERROR_SYSTEM_ERROR,
                           LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                               .arg(strFolder, QString::fromLocal8Bit(std::strerror(errno))));

    // A readable name for people looking at the folder, made unique by a hash
    // since several resource names can fold onto the same readable part.
    QString strReadable;
    for (QChar c : m_strKey)
        strReadable += c.isLetterOrNumber() || c == QLatin1Char('.') ? c : QLatin1Char('_');
    const QByteArray hash =
        QCryptographicHash::hash(m_strKey.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    m_strPath = QDir(strFolder).filePath(strReadable.left(80) + QLatin1Char('-') + QString::fromLatin1(hash) +
                                         ".lock");
    m_fdLockFile = ::open(QFile::encodeName(m_strPath).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
    if (m_fdLockFile < 0)
        CVisaStatus::Throw(Visa::VI_ERROR_SYSTEM_ERROR,
                           LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                               .arg(m_strPath, QString::fromLocal8Bit(std::strerror(errno))));
    return m_fdLockFile;
}

bool CResourceLock::Change(EMode eMode, long nTimeoutMs)
{
    if (eMode == m_eMode)
        return true;
    if (eMode == MODE_NONE) {
        if (m_fdDevice < 0) {
            CloseLockFile();
        } else {
            ::flock(m_fdDevice, LOCK_UN);
        }
        m_eMode = MODE_NONE;
        return true;
    }
    QDeadlineTimer deadline(nTimeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(nTimeoutMs));
    for (;;) {
        const int fd = Descriptor();
        if (::flock(fd, FlockOperation(eMode) | LOCK_NB) == 0) {
            // The file may have been removed by its last holder while this
            // session waited: a lock on it keeps nobody out.
            if (m_fdDevice < 0 && !IsCurrentFile(fd)) {
                ::close(m_fdLockFile);
                m_fdLockFile = -1;
                m_eMode = MODE_NONE;
                continue;
            }
            m_eMode = eMode;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR)
            CVisaStatus::Throw(Visa::VI_ERROR_SYSTEM_ERROR,
                               LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                                   .arg(m_strKey, QString::fromLocal8Bit(std::strerror(errno))));
        // Linux may drop a held lock while converting it; take the old one
        // back so that a failed change leaves the session as it was.
        if (m_eMode != MODE_NONE && ::flock(fd, FlockOperation(m_eMode) | LOCK_NB) != 0) {
            // Someone took it in between; the session holds nothing now.
            m_eMode = MODE_NONE;
        }
        if (deadline.hasExpired())
            return false;
        qint64 nSleep = LOCK_POLL_MS;
        if (!deadline.isForever())
            nSleep = qBound(qint64(1), deadline.remainingTime(), qint64(LOCK_POLL_MS));
        QThread::msleep(static_cast<unsigned long>(nSleep));
    }
}

bool CResourceLock::ExclusiveElsewhere()
{
    if (m_eMode != MODE_NONE)
        return false;
    const int fd = Descriptor();
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0) {
        ::flock(fd, LOCK_UN);
        // Not left behind: the next look opens the file that is current then.
        CloseLockFile();
        return false;
    }
    const bool bHeld = errno == EWOULDBLOCK;
    if (m_fdDevice < 0) {
        ::close(m_fdLockFile);
        m_fdLockFile = -1;
    }
    return bHeld;
}
