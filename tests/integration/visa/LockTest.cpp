#include "platform/visa/BuiltinResourceManager.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

namespace {

// The lock helper in a process of its own: it reports "locked", unlocks on a
// line of input and reports "unlocked".
class CHelperProcess
{
public:
    explicit CHelperProcess(const QString& strResource)
    {
        m_process.start(QStringLiteral(VISA_LOCK_HELPER), {strResource});
    }
    ~CHelperProcess()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    QByteArray ReadLine(int nTimeoutMs = 5000)
    {
        if (!m_process.canReadLine())
            m_process.waitForReadyRead(nTimeoutMs);
        return m_process.readLine().trimmed();
    }
    void Tell() { m_process.write("\n"); }

private:
    QProcess m_process;
};

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
    static void Lock(const std::shared_ptr<IVisaSession>& p, long nTimeoutMs = 2000)
    {
        p->LockRsrc(Visa::EXCLUSIVE_LOCK, nTimeoutMs, QString());
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
    QString strText;
    EXPECT_EQ(StatusOf([this] { Lock(m_pSession, 500); }, &strText), Visa::VI_ERROR_TMO);
    EXPECT_TRUE(strText.startsWith(QLatin1String("Timeout expired before operation completed.")));
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
    // Without the lock, this session is kept off the line meanwhile.
    EXPECT_EQ(StatusOf([this] { m_pSession->WriteString(QStringLiteral("*IDN?\n")); }),
              Visa::VI_ERROR_RSRC_LOCKED);

    // Released within the wait: the lock is taken as soon as it is free.
    helper.Tell();
    ASSERT_EQ(helper.ReadLine(), QByteArray("unlocked"));
    Lock(m_pSession);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
    m_pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("*IDN?\n"));

    // And now the helper in turn waits its 2000 ms and gives up.
    CHelperProcess second(m_peer.ResourceName());
    EXPECT_TRUE(second.ReadLine(5000).startsWith("error Timeout expired before operation completed."));
}

TEST_F(LockTest, HolderThatDiesReleasesTheLock)
{
    auto pHelper = std::make_unique<CHelperProcess>(m_peer.ResourceName());
    ASSERT_EQ(pHelper->ReadLine(), QByteArray("locked"));
    pHelper.reset(); // killed
    Lock(m_pSession);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, SessionsOfOneProcessExcludeEachOtherAndReleaseOnDestruction)
{
    auto pOther = m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    Lock(pOther);
    EXPECT_EQ(StatusOf([this] { Lock(m_pSession, 100); }), Visa::VI_ERROR_TMO);
    pOther.reset();
    Lock(m_pSession, 100);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, LocksNestAndUnlockWithoutALockFails)
{
    EXPECT_EQ(StatusOf([this] { m_pSession->UnlockRsrc(); }), Visa::VI_ERROR_SESN_NLOCKED);
    Lock(m_pSession);
    Lock(m_pSession);
    m_pSession->UnlockRsrc();
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
    m_pSession->UnlockRsrc();
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
    EXPECT_EQ(StatusOf([this] { m_pSession->LockRsrc(7, 2000, QString()); }), Visa::VI_ERROR_INV_LOCK_TYPE);
}

TEST_F(LockTest, OpenWithExclusiveAccessHonoursTheOpenTimeout)
{
    Lock(m_pSession);
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
