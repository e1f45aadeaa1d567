#include "platform/file/RegularFile.h"

#include "platform/file/FileStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>

#include <cstdio>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

namespace {

QString SystemReason(int nError)
{
    return QString::fromLocal8Bit(std::strerror(nError));
}

QString TypeReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return LoadFileString(IDS_FILE_IS_DIRECTORY);
    if (S_ISFIFO(mode))
        return LoadFileString(IDS_FILE_IS_FIFO);
    if (S_ISSOCK(mode))
        return LoadFileString(IDS_FILE_IS_SOCKET);
    return LoadFileString(IDS_FILE_IS_DEVICE); // character and block devices
}

class CFd
{
public:
    explicit CFd(int fd = -1) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() { Close(); }
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    int Close()
    {
        const int nResult = m_fd >= 0 ? ::close(m_fd) : 0;
        m_fd = -1;
        return nResult;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const QByteArray& bytes, off_t nOffset)
{
    const char* p = bytes.constData();
    qint64 nLeft = bytes.size();
    while (nLeft > 0) {
        const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(std::min<qint64>(nLeft, 1 << 20)), nOffset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        nLeft -= n;
        nOffset += n;
    }
    return true;
}

// The file a save writes: the final target of a symlink (kept as a link), or
// the path itself.
QString ResolveTarget(const QString& strPath)
{
    const QFileInfo info(strPath);
    if (!info.isSymLink())
        return strPath;
    if (info.exists())
        return info.canonicalFilePath();
    // A dangling link: the file it names is created, as an editor would.
    QString strTarget = strPath;
    for (int i = 0; i < 40 && QFileInfo(strTarget).isSymLink(); ++i)
        strTarget = QFileInfo(strTarget).symLinkTarget();
    return strTarget;
}

bool IsTemporaryName(const QString& strName, const QString& strPrefix)
{
    if (!strName.startsWith(strPrefix) || strName.size() != strPrefix.size() + 6)
        return false;
    for (qsizetype i = strPrefix.size(); i < strName.size(); ++i) {
        if (!strName.at(i).isLetterOrNumber() || strName.at(i).unicode() > 0x7F)
            return false;
    }
    return true;
}

// A temporary file of an earlier save that nobody writes any more: a saving
// process holds a lock on its temporary file until the rename, and the lock
// goes with the process, so a file that can be locked was left by a save that
// was killed. Only this user's regular files are touched.
void RemoveLeftovers(const QString& strTarget)
{
    const QFileInfo target(strTarget);
    const QString strPrefix = TemporaryPrefix(strTarget);
    QDir dir = target.dir();
    // Compared by hand: a file name may hold the wildcard characters of a filter.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& strName : names) {
        if (!IsTemporaryName(strName, strPrefix))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(strName));
        CFd fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat st = {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
            continue;
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
    }
}

// The whole content written over the target in place. Everything that can
// be found out beforehand is: a content beyond the file-size limit is refused
// and the space for it is reserved, so a full disk or a quota refuses the
// save before a byte of the old file changes.
bool WriteInPlace(const QString& strTarget, const QByteArray& bytes, QString& strReason)
{
    const QByteArray path = QFile::encodeName(strTarget);
    CFd fd(::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat st = {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        strReason = SystemReason(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        strReason = TypeReason(st.st_mode);
        return false;
    }
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(bytes.size()) > limit.rlim_cur) {
        strReason = SystemReason(EFBIG);
        return false;
    }
    // The size stays as it is until the content is written, so a reader of the
    // old file never meets the reserved space as trailing zeros.
    if (bytes.size() > st.st_size &&
        ::fallocate(fd.Get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        strReason = SystemReason(errno);
        return false;
    }
    if (!WriteAll(fd.Get(), bytes, 0) || ::ftruncate(fd.Get(), static_cast<off_t>(bytes.size())) != 0 ||
        ::fsync(fd.Get()) != 0 || fd.Close() != 0) {
        strReason = SystemReason(errno);
        return false;
    }
    return true;
}

} // namespace

void WarnOnce(const QString& strWarning)
{
    static QSet<QString> s_Warned;
    static QMutex s_Mutex;
    const QMutexLocker lock(&s_Mutex);
    if (s_Warned.contains(strWarning))
        return;
    s_Warned.insert(strWarning);
    const QByteArray bytes = (strWarning + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

QString TemporaryPrefix(const QString& strTarget)
{
    // Cut so that the temporary name stays within the 255 bytes a name may
    // have; two targets that share this much share their leftovers too, which
    // are removed all the same only when no save holds them.
    return QLatin1Char('.') + QFileInfo(strTarget).fileName().left(80) + QStringLiteral(".save-");
}

QString NotRegularReason(const QString& strPath)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(strPath).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();
    return TypeReason(st.st_mode);
}

int OpenForReading(const QString& strPath, QString& strReason)
{
    const QByteArray path = QFile::encodeName(strPath);
    // Looked at before it is opened: opening a serial device can already
    // change its control lines.
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0) {
        strReason = SystemReason(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        strReason = TypeReason(st.st_mode);
        return -1;
    }
    // Non-blocking and checked again on the descriptor: the path may have been
    // replaced by a FIFO in between.
    CFd fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        strReason = SystemReason(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        strReason = TypeReason(st.st_mode);
        return -1;
    }
    return fd.Release();
}

bool Read(const QString& strPath, qint64 nMaxBytes, QByteArray& bytes, QString& strReason, bool& bLonger)
{
    bytes.clear();
    bLonger = false;
    CFd fd(OpenForReading(strPath, strReason));
    if (fd.Get() < 0)
        return false;
    struct stat st = {};
    if (::fstat(fd.Get(), &st) != 0) {
        strReason = SystemReason(errno);
        return false;
    }
    bytes.reserve(static_cast<qsizetype>(std::min<qint64>(st.st_size, nMaxBytes)));
    // One piece beyond the limit at most: a file that grows while it is read
    // cannot make this unbounded.
    char buffer[65536];
    while (bytes.size() <= nMaxBytes) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            strReason = SystemReason(errno);
            bytes.clear();
            return false;
        }
        if (n == 0)
            break;
        bytes.append(buffer, n);
    }
    if (bytes.size() > nMaxBytes) {
        bytes.truncate(static_cast<qsizetype>(nMaxBytes));
        bLonger = true;
    }
    return true;
}

bool CanSave(const QString& strPath, QString& strReason)
{
    const QString strTarget = ResolveTarget(strPath);
    const QByteArray path = QFile::encodeName(strTarget);
    struct stat st = {};
    if (::stat(path.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            strReason = TypeReason(st.st_mode);
            return false;
        }
        // Writable is enough: a read-only folder is written in place.
        if (::access(path.constData(), W_OK) != 0) {
            strReason = SystemReason(errno);
            return false;
        }
        return true;
    }
    if (errno != ENOENT) {
        strReason = SystemReason(errno);
        return false;
    }
    const QByteArray dir = QFile::encodeName(QFileInfo(strTarget).absolutePath());
    if (::stat(dir.constData(), &st) != 0) {
        strReason = SystemReason(errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        strReason = SystemReason(ENOTDIR);
        return false;
    }
    if (::access(dir.constData(), W_OK | X_OK) != 0) {
        strReason = SystemReason(errno);
        return false;
    }
    return true;
}

bool Save(const QString& strPath, const QByteArray& bytes, QString& strReason)
{
    const QString strTarget = ResolveTarget(strPath);
    const QByteArray target = QFile::encodeName(strTarget);
    struct stat st = {};
    const bool bExists = ::stat(target.constData(), &st) == 0;
    if (!bExists && errno != ENOENT) {
        strReason = SystemReason(errno);
        return false;
    }
    if (bExists && !S_ISREG(st.st_mode)) {
        strReason = TypeReason(st.st_mode);
        return false;
    }

    const QString strTempBase = QFileInfo(strTarget).dir().filePath(TemporaryPrefix(strTarget));
    QByteArray temp;
    int fdTemp = -1;
    int nTempError = 0;
    static const char s_szChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int nTry = 0; nTry < 100 && fdTemp < 0; ++nTry) {
        QString strSuffix;
        for (int i = 0; i < 6; ++i)
            strSuffix += QLatin1Char(s_szChars[QRandomGenerator::global()->bounded(62)]);
        temp = QFile::encodeName(strTempBase + strSuffix);
        fdTemp = ::open(temp.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        nTempError = fdTemp < 0 ? errno : 0;
        if (fdTemp < 0 && nTempError != EEXIST)
            break;
    }
    if (fdTemp < 0) {
        if (!bExists) {
            strReason = SystemReason(nTempError);
            return false;
        }
        return WriteInPlace(strTarget, bytes, strReason);
    }

    CFd fd(fdTemp);
    // Held until the rename: the mark of a save in progress (RemoveLeftovers).
    ::flock(fd.Get(), LOCK_EX | LOCK_NB);
    bool bOk = WriteAll(fd.Get(), bytes, 0);
    if (bOk && bExists) {
        // The owner first: changing it clears set-id bits that chmod then restores.
        // Left as it is when that is not allowed (another user's file saved by
        // its group): the save still counts.
        [[maybe_unused]] const int nChown = ::fchown(fd.Get(), st.st_uid, st.st_gid);
        bOk = ::fchmod(fd.Get(), st.st_mode & 07777) == 0;
    }
    bOk = bOk && ::fsync(fd.Get()) == 0;
    // The target may have become something else meanwhile; it is never
    // renamed over then.
    struct stat now = {};
    if (bOk && ::stat(target.constData(), &now) == 0 && !S_ISREG(now.st_mode)) {
        ::unlink(temp.constData());
        strReason = TypeReason(now.st_mode);
        return false;
    }
    bOk = bOk && ::rename(temp.constData(), target.constData()) == 0;
    if (!bOk) {
        strReason = SystemReason(errno);
        ::unlink(temp.constData());
        return false;
    }
    fd.Close();
    // The rename itself reaches the disk with the folder.
    CFd dir(::open(QFile::encodeName(QFileInfo(strTarget).absolutePath()).constData(),
                   O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0)
        ::fsync(dir.Get());
    RemoveLeftovers(strTarget);
    return true;
}

} // namespace RegularFile
