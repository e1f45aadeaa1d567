// The driver against the simulated instrument over the real serial path: a
// pseudo-terminal opened by the built-in VISA with the instrument's settings.

#include "SimProcess.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "platform/visa/ResourceManagerFactory.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

class DxrSimTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { qputenv("VAULTLINE_VISA_PROVIDER", "builtin"); }

    void Open(CSimProcess& sim, CDxr& dxr)
    {
        ASSERT_TRUE(sim.Resource().startsWith(QStringLiteral("ASRL/dev/"))) << qPrintable(sim.Resource());
        std::shared_ptr<IResourceManager> pRm = CreateResourceManager();
        ASSERT_TRUE(pRm);
        dxr.Open(pRm, sim.Resource());
    }
    void Open(CSimProcess& sim) { Open(sim, m_dxr); }

    QStringList Identity(CDxr& dxr)
    {
        QString str[4];
        dxr.GetIdentity(str[0], str[1], str[2], str[3]);
        return {str[0], str[1], str[2], str[3]};
    }

    QString Read(CDxr& dxr, int nMemory)
    {
        STOREMEM mem;
        dxr.SelectStoreMemory(nMemory);
        dxr.ReadStoreMemory(mem);
        return Describe(mem);
    }

    CDxr m_dxr;
};

TEST_F(DxrSimTest, Identify)
{
    CSimProcess sim;
    Open(sim);
    EXPECT_EQ(m_dxr.m_wVersion, 0x0105);
    EXPECT_EQ(Identity(m_dxr), QString("TALVERO,DXR-9K,91K20473,1.05").split(','));
}

TEST_F(DxrSimTest, AllMemoriesWrittenReadBackEqual)
{
    CSimProcess sim;
    Open(sim);
    for (int n = 0; n < 100; ++n) {
        m_dxr.SelectStoreMemory(n);
        m_dxr.WriteStoreMemory(Pattern(n));
    }
    for (int n = 99; n >= 0; --n)
        EXPECT_EQ(Read(m_dxr, n), Describe(Pattern(n))) << n;
    EXPECT_EQ(m_dxr.GetSession()->LockState(), Visa::NO_LOCK);
}

TEST_F(DxrSimTest, TheStateFileKeepsTheMemoriesBetweenRuns)
{
    QTemporaryDir dir;
    const QString strState = dir.filePath(QStringLiteral("state.xMem"));
    {
        CSimProcess sim({QStringLiteral("--state"), strState});
        Open(sim);
        for (int n : {0, 42, 99}) {
            m_dxr.SelectStoreMemory(n);
            m_dxr.WriteStoreMemory(Pattern(n));
        }
        EXPECT_EQ(sim.Stop(), 0);
    }
    CSimProcess sim({QStringLiteral("--state"), strState});
    CDxr dxr;
    Open(sim, dxr);
    for (int n : {0, 42, 99, 50})
        EXPECT_EQ(Read(dxr, n), Describe(n == 50 ? STOREMEM() : Pattern(n))) << n;

    // A state file that is no memory file is neither used nor overwritten.
    const QString strNotes = dir.filePath(QStringLiteral("notes.xMem"));
    QFile file(strNotes);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a memory file");
    file.close();
    CSimProcess bad({QStringLiteral("--state"), strNotes});
    EXPECT_TRUE(bad.Resource().isEmpty());
    EXPECT_EQ(bad.Stop(), 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a memory file"));
}

TEST_F(DxrSimTest, InstrumentErrorsSurfaceAsScpiException)
{
    CSimProcess sim;
    Open(sim);
    try {
        m_dxr.SelectStoreMemory(100);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        EXPECT_EQ(e.GetReport(), QStringLiteral("SCPI Error(s)\n\n(-222) \"Data out of range\"\n"));
    }
    // A NaN (an empty value in a memory file) is no number to the instrument.
    STOREMEM mem;
    mem.SlewRate = std::numeric_limits<float>::quiet_NaN();
    mem.Vrange = QString();
    try {
        m_dxr.WriteStoreMemory(mem);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        ASSERT_EQ(e.GetCount(), 2);
        EXPECT_EQ(e.m_errors[0].nCode, -109); // VOLT without its range keyword
        EXPECT_EQ(e.m_errors[1].nCode, -104); // SLEW nan
    }
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(1)); // nothing left over

    QStringList options;
    for (int i = 0; i < 40; ++i)
        options << QStringLiteral("--queue-error") << QStringLiteral("-100");
    CSimProcess full(options);
    CDxr dxr;
    Open(full, dxr);
    try {
        Identity(dxr);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        ASSERT_EQ(e.GetCount(), 30);
        EXPECT_EQ(e.m_errors[0].nCode, -100);
        EXPECT_EQ(e.m_errors[29].nCode, -350);
        EXPECT_EQ(e.m_errors[29].GetMessage(), QStringLiteral("\"Queue overflow\""));
    }
}

TEST_F(DxrSimTest, ASilentInstrumentIsAVisaTimeout)
{
    // Open's *IDN? and GetIdentity's *IDN? are answered, the error query is not.
    CSimProcess sim({QStringLiteral("--silent-after"), QStringLiteral("2")});
    Open(sim);
    QElapsedTimer timer;
    timer.start();
    try {
        Identity(m_dxr);
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_TMO);
        EXPECT_FALSE(e.Description().isEmpty());
    }
    EXPECT_GE(timer.elapsed(), CDxr::IO_TIMEOUT_MS - 100);
    // The failure left the bracket with its lock held; the transfer releases it.
    EXPECT_EQ(m_dxr.GetSession()->LockState(), Visa::EXCLUSIVE_LOCK);
    m_dxr.GetSession()->UnlockRsrc();
    EXPECT_EQ(m_dxr.GetSession()->LockState(), Visa::NO_LOCK);
}

TEST_F(DxrSimTest, TheLineRateLimitHoldsExchangesToTheBaudRate)
{
    CSimProcess sim({QStringLiteral("--baud"), QStringLiteral("19200")});
    Open(sim);
    QElapsedTimer timer;
    timer.start();
    STOREMEM mem;
    m_dxr.ReadStoreMemory(mem);
    // Ten queries (161 bytes), their replies (at least 269), the error query
    // and its reply (23): 453 characters of 11 bits at 19200 baud.
    EXPECT_GE(timer.elapsed(), 453 * 1000 * 11 / 19200 - 10);
    EXPECT_EQ(mem.Crange, QStringLiteral("HIGH"));
}

} // namespace
