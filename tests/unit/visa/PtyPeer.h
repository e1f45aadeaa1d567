#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

// The far end of a pseudo-terminal: the test plays the instrument on the
// master side while the code under test opens the slave as a serial line.
class CPtyPeer
{
public:
    CPtyPeer()
    {
        int fdSlave = -1;
        char szName[256] = {};
        if (::openpty(&m_fdMaster, &fdSlave, szName, nullptr, nullptr) == 0) {
            m_strSlave = QString::fromLocal8Bit(szName);
            // Only the session under test keeps the slave open, so that
            // closing the master really hangs the line up.
            ::close(fdSlave);
        }
    }
    ~CPtyPeer() { CloseMaster(); }
    CPtyPeer(const CPtyPeer&) = delete;
    CPtyPeer& operator=(const CPtyPeer&) = delete;

    bool IsOpen() const { return m_fdMaster >= 0; }
    QString SlavePath() const { return m_strSlave; }
    QString ResourceName() const { return QStringLiteral("ASRL%1::INSTR").arg(m_strSlave); }
    int MasterFd() const { return m_fdMaster; }

    void Send(const QByteArray& bytes) const
    {
        qint64 nSent = 0;
        while (nSent < bytes.size()) {
            const ssize_t n =
                ::write(m_fdMaster, bytes.constData() + nSent, static_cast<size_t>(bytes.size() - nSent));
            if (n <= 0)
                return;
            nSent += n;
        }
    }

    // What the session sent, up to and including the first line feed, or
    // what arrived within the time.
    QByteArray ReceiveLine(int nTimeoutMs = 2000) const
    {
        QByteArray line;
        while (!line.endsWith('\n')) {
            pollfd pfd{m_fdMaster, POLLIN, 0};
            if (::poll(&pfd, 1, nTimeoutMs) <= 0)
                break;
            char c = 0;
            if (::read(m_fdMaster, &c, 1) != 1)
                break;
            line.append(c);
        }
        return line;
    }

    void CloseMaster()
    {
        if (m_fdMaster >= 0)
            ::close(m_fdMaster);
        m_fdMaster = -1;
    }

private:
    int m_fdMaster = -1;
    QString m_strSlave;
};
