#pragma once

#include "support/FileBytes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

// The special files a user can name in place of a memory or settings file,
// made in a folder of the test's own; /dev/zero stands for devices that exist.
class CSpecialFiles
{
public:
    explicit CSpecialFiles(const QString& strDir) : m_dir(strDir) {}
    ~CSpecialFiles()
    {
        if (m_nSocket >= 0)
            ::close(m_nSocket);
    }
    CSpecialFiles(const CSpecialFiles&) = delete;
    CSpecialFiles& operator=(const CSpecialFiles&) = delete;

    // Without a writer: opening it for reading would wait for ever.
    QString Fifo(const char* pszName = "fifo.xMem") const
    {
        const QString strPath = m_dir.filePath(QString::fromLatin1(pszName));
        EXPECT_EQ(::mkfifo(QFile::encodeName(strPath).constData(), 0666), 0);
        return strPath;
    }
    // A listening Unix socket, open until this ends.
    QString Socket()
    {
        const QString strPath = m_dir.filePath(QStringLiteral("socket.xMem"));
        m_nSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = {};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", QFile::encodeName(strPath).constData());
        EXPECT_EQ(::bind(m_nSocket, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(m_nSocket, 1), 0);
        return strPath;
    }
    // A character device of the test's own where the system allows it (root),
    // a FIFO otherwise.
    QString Device() const
    {
        const QString strPath = m_dir.filePath(QStringLiteral("null.xMem"));
        if (::mknod(QFile::encodeName(strPath).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0)
            return strPath;
        return Fifo("device-stand-in.xMem");
    }

    // The file type (S_IFIFO, S_IFCHR, ...) of the path itself; 0 when absent.
    static mode_t Type(const QString& strPath)
    {
        struct stat st = {};
        return ::lstat(QFile::encodeName(strPath).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
    }

private:
    QDir m_dir;
    int m_nSocket = -1;
};
