#pragma once

#include <QString>

// The VISA lock of one session, visible to every process. On a device node
// the lock is an flock on the session's own descriptor of the device, so any
// program that flocks the same device, under whatever name it opened it, is
// kept out. Resources without a node (network sockets) lock a file named
// after the resource in the user's runtime folder instead; the file exists
// only while a session holds or looks at it.
//
// flock belongs to the open file description, so two sessions of one process
// exclude each other just as two processes do.
class CResourceLock
{
public:
    CResourceLock() = default;
    ~CResourceLock();
    CResourceLock(const CResourceLock&) = delete;
    CResourceLock& operator=(const CResourceLock&) = delete;

    // Locks through the session's device descriptor (not owned).
    void UseDevice(int fdDevice);
    // Locks a file named after the key; it is opened on first use.
    void UseLockFile(const QString& strKey);

    enum EMode
    {
        MODE_NONE,
        MODE_SHARED,
        MODE_EXCLUSIVE,
    };

    // Moves this session's hold to the mode, polling for up to nTimeoutMs
    // (negative: without end) while another holder is in the way. Returns
    // false when the time ran out; the previous hold is then kept.
    bool Change(EMode eMode, long nTimeoutMs);
    EMode Mode() const { return m_eMode; }

    // True when another session holds an exclusive lock at this moment.
    bool ExclusiveElsewhere();

    // The folder of the lock files: $XDG_RUNTIME_DIR/vaultline-locks, or a
    // private folder under /tmp when there is no runtime folder.
    static QString LockFolder();

private:
    int Descriptor();
    // Closes the lock file, removing it when no other session holds it.
    void CloseLockFile();
    // Whether the descriptor is the file that the lock file's name names now.
    bool IsCurrentFile(int fd) const;

    int m_fdDevice = -1;
    int m_fdLockFile = -1;
    QString m_strKey;
    QString m_strPath; // of the lock file, once opened
    EMode m_eMode = MODE_NONE;
};
