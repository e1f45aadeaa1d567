#pragma once

#include "platform/visa/BuiltinResourceManager.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

// Bytes from fd up to and including the first line feed, or what arrived in time.
inline QByteArray ReadLineFrom(int fd, int nTimeoutMs = 3000)
{
    QByteArray line;
    char c = 0;
    pollfd pfd{fd, POLLIN, 0};
    while (!line.endsWith('\n') && ::poll(&pfd, 1, nTimeoutMs) > 0 && ::read(fd, &c, 1) == 1)
        line.append(c);
    return line;
}

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

    bool IsOpen() const { return m_fdMaster >= 0; }
    QString SlavePath() const { return m_strSlave; }
    QString ResourceName() const { return QStringLiteral("ASRL%1::INSTR").arg(m_strSlave); }
    void Send(const QByteArray& bytes) const { (void)!::write(m_fdMaster, bytes.constData(), bytes.size()); }
    QByteArray ReceiveLine() const { return ReadLineFrom(m_fdMaster); }
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

// The lock helper in a process of its own: it reports "locked", unlocks on a
// line of input and reports "unlocked"; or reports "error", the status and text.
class CHelperProcess : public QProcess
{
public:
    explicit CHelperProcess(const QStringList& args) { start(QStringLiteral(VISA_LOCK_HELPER), args); }
    ~CHelperProcess() override
    {
        kill();
        waitForFinished();
    }
    QByteArray Line()
    {
        if (!canReadLine())
            waitForReadyRead(5000);
        return readLine().trimmed();
    }
};

// A session of the built-in VISA on the slave of a fresh pseudo-terminal.
class PtySessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.IsOpen());
        m_pSession = std::dynamic_pointer_cast<IMessage>(
            m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString()));
        ASSERT_TRUE(m_pSession);
        m_pSession->SetTimeout(3000);
    }
    QString Read() { return m_pSession->ReadString(256); }

    CPtyPeer m_peer;
    CBuiltinResourceManager m_rm;
    std::shared_ptr<IMessage> m_pSession;
};
