#include "PtySession.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

namespace {

// The lock helper in a process of its own: it reports "locked", unlocks on a
// line of input and reports "unlocked".
class CHelperProcess : public QProcess
{
public:
    explicit CHelperProcess(const QString& strResource)
    {
        start(QStringLiteral(VISA_LOCK_HELPER), {strResource});
    }
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

class LockTest : public PtySessionTest
{
protected:
    static void Lock(const std::shared_ptr<IVisaSession>& p, long nTimeoutMs = 2000)
    {
        p->LockRsrc(Visa::EXCLUSIVE_LOCK, nTimeoutMs, QString());
    }
};

TEST_F(LockTest, SecondProcessWaitsForTheLockTimeoutThenFails)
{
    CHelperProcess helper(m_peer.ResourceName());
    ASSERT_EQ(helper.Line(), QByteArray("locked"));

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([this] { Lock(m_pSession, 500); }), Visa::VI_ERROR_TMO);
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(m_pSession->LockState(), Visa::NO_LOCK);
    // Without the lock, this session is kept off the line meanwhile.
    EXPECT_EQ(StatusOf([this] { m_pSession->WriteString(QStringLiteral("*IDN?\n")); }),
              Visa::VI_ERROR_RSRC_LOCKED);

    // Released within the wait: the lock is taken as soon as it is free.
    helper.write("\n");
    ASSERT_EQ(helper.Line(), QByteArray("unlocked"));
    Lock(m_pSession);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
    m_pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("*IDN?\n"));

    // And now the helper in turn waits its 2000 ms and gives up.
    CHelperProcess second(m_peer.ResourceName());
    EXPECT_TRUE(second.Line().startsWith("error Timeout expired before operation completed."));
}

TEST_F(LockTest, HolderThatDiesReleasesTheLock)
{
    auto pHelper = std::make_unique<CHelperProcess>(m_peer.ResourceName());
    ASSERT_EQ(pHelper->Line(), QByteArray("locked"));
    pHelper.reset(); // killed
    Lock(m_pSession);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, InOneProcessLocksNestKeepOtherSessionsOutAndGoWithTheirSession)
{
    EXPECT_EQ(StatusOf([this] { m_pSession->UnlockRsrc(); }), Visa::VI_ERROR_SESN_NLOCKED);
    EXPECT_EQ(StatusOf([this] { m_pSession->LockRsrc(7, 2000, QString()); }), Visa::VI_ERROR_INV_LOCK_TYPE);
    auto pOther = m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    Lock(pOther);
    Lock(pOther);
    pOther->UnlockRsrc(); // still held once
    EXPECT_EQ(StatusOf([this] { Lock(m_pSession, 100); }), Visa::VI_ERROR_TMO);
    pOther.reset();
    Lock(m_pSession, 100);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
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
