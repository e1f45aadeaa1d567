#include "platform/visa/BuiltinResourceManager.h"
#include "unit/visa/PtyPeer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <csignal>
#include <sys/wait.h>

namespace {

// The lock helper in a process of its own, talked to through pipes.
class CHelperProcess
{
public:
    explicit CHelperProcess(const QString& strResource)
    {
        int toChild[2];
        int fromChild[2];
        if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0)
            return;
        const QByteArray resource = strResource.toLocal8Bit();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(toChild[0], 0);
            ::dup2(fromChild[1], 1);
            ::close(toChild[1]);
            ::close(fromChild[0]);
            ::execl(VISA_LOCK_HELPER, VISA_LOCK_HELPER, resource.constData(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(toChild[0]);
        ::close(fromChild[1]);
        m_fdIn = toChild[1];
        m_fdOut = fromChild[0];
    }
    ~CHelperProcess()
    {
        if (m_fdIn >= 0)
            ::close(m_fdIn);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_fdOut >= 0)
            ::close(m_fdOut);
    }
    CHelperProcess(const CHelperProcess&) = delete;
    CHelperProcess& operator=(const CHelperProcess&) = delete;

    QByteArray ReadLine(int nTimeoutMs = 5000) const
    {
        QByteArray line;
        while (!line.endsWith('\n')) {
            pollfd pfd{m_fdOut, POLLIN, 0};
            if (::poll(&pfd, 1, nTimeoutMs) <= 0)
                break;
            char c = 0;
            if (::read(m_fdOut, &c, 1) != 1)
                break;
            line.append(c);
        }
        return line.trimmed();
    }
    void Tell() const { (void)!::write(m_fdIn, "\n", 1); }
    void Kill()
    {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_fdIn = -1;
    int m_fdOut = -1;
};

HRESULT StatusOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return Visa::VI_SUCCESS;
}

class LockTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.IsOpen());
        m_pSession = std::dynamic_pointer_cast<IMessage>(
            m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString()));
        ASSERT_TRUE(m_pSession);
        m_pSession->SetTimeout(1000);
    }

    CPtyPeer m_peer;
    CBuiltinResourceManager m_rm;
    std::shared_ptr<IMessage> m_pSession;
};

TEST_F(LockTest, SecondProcessWaitsForTheLockTimeoutThenFails)
{
    CHelperProcess helper(m_peer.ResourceName());
    ASSERT_EQ(helper.ReadLine(), QByteArray("locked"));

    QElapsedTimer timer;
    timer.start();
    try {
        m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 500, QString());
        FAIL() << "took a lock that another process holds";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_TMO);
        EXPECT_TRUE(e.Description().startsWith(QLatin1String("Timeout expired before operation completed.")));
    }
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
    // Without the lock, this session is kept off the line meanwhile.
    EXPECT_EQ(StatusOf([this] { m_pSession->WriteString(QStringLiteral("*IDN?\n")); }),
              Visa::VI_ERROR_RSRC_LOCKED);

    // Released within the wait: the lock is taken as soon as it is free.
    helper.Tell();
    ASSERT_EQ(helper.ReadLine(), QByteArray("unlocked"));
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
    m_pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("*IDN?\n"));
    m_pSession->UnlockRsrc();
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
}

TEST_F(LockTest, HolderThatDiesReleasesTheLock)
{
    CHelperProcess helper(m_peer.ResourceName());
    ASSERT_EQ(helper.ReadLine(), QByteArray("locked"));
    helper.Kill();
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, HeldLockKeepsTheOtherProcessOut)
{
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    CHelperProcess helper(m_peer.ResourceName());
    // The helper waits its 2000 ms and gives up.
    EXPECT_TRUE(helper.ReadLine(5000).startsWith("error Timeout expired before operation completed."));
}

TEST_F(LockTest, SessionsOfOneProcessExcludeEachOtherAndReleaseOnDestruction)
{
    auto pOther = m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    pOther->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    EXPECT_EQ(StatusOf([this] { m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 100, QString()); }),
              Visa::VI_ERROR_TMO);
    pOther.reset();
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 100, QString());
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, LocksNestAndUnlockWithoutALockFails)
{
    EXPECT_EQ(StatusOf([this] { m_pSession->UnlockRsrc(); }), Visa::VI_ERROR_SESN_NLOCKED);
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    m_pSession->UnlockRsrc();
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
    m_pSession->UnlockRsrc();
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
    EXPECT_EQ(StatusOf([this] { m_pSession->LockRsrc(7, 2000, QString()); }), Visa::VI_ERROR_INV_LOCK_TYPE);
}

TEST_F(LockTest, SharedLocksShareAndKeepExclusiveOut)
{
    auto pOther = m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    EXPECT_FALSE(pOther->LockRsrc(Visa::SHARED_LOCK, 100, QStringLiteral("bench")).isEmpty());
    m_pSession->LockRsrc(Visa::SHARED_LOCK, 100, QStringLiteral("bench"));
    EXPECT_EQ(m_pSession->LockState(), Visa::SHARED_LOCK);
    auto pThird = m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    EXPECT_EQ(StatusOf([&] { pThird->LockRsrc(Visa::EXCLUSIVE_LOCK, 100, QString()); }), Visa::VI_ERROR_TMO);
}

TEST_F(LockTest, OpenWithExclusiveAccessHonoursTheOpenTimeout)
{
    m_pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([this] { m_rm.Open(m_peer.ResourceName(), Visa::EXCLUSIVE_LOCK, 300, QString()); }),
              Visa::VI_ERROR_TMO);
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_LT(timer.elapsed(), 1300);
    EXPECT_EQ(StatusOf([this] { m_rm.Open(m_peer.ResourceName(), 0x40, 300, QString()); }),
              Visa::VI_ERROR_INV_ACC_MODE);
}

} // namespace
