#include "PtySession.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

namespace {

using LockTest = PtySessionTest;

void Lock(const std::shared_ptr<IVisaSession>& p, long nTimeoutMs = 2000)
{
    p->LockRsrc(Visa::EXCLUSIVE_LOCK, nTimeoutMs, QString());
}

TEST_F(LockTest, SecondProcessWaitsForTheLockTimeoutThenFailsAndAHolderThatDiesReleasesIt)
{
    CHelperProcess helper({m_peer.ResourceName()});
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

    // A holder killed with the lock held leaves it free.
    m_pSession->UnlockRsrc();
    auto pHelper = std::make_unique<CHelperProcess>(QStringList{m_peer.ResourceName()});
    ASSERT_EQ(pHelper->Line(), QByteArray("locked"));
    pHelper.reset();
    Lock(m_pSession);
    EXPECT_EQ(m_pSession->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST_F(LockTest, InOneProcessLocksNestKeepOtherSessionsAndOpensOutAndGoWithTheirSession)
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

    // Opening with exclusive access waits the open timeout for the lock.
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
