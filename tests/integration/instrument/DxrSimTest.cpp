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

    void Open(CSimProcess& sim)
    {
        ASSERT_TRUE(sim.Resource().startsWith(QStringLiteral("ASRL/dev/"))) << qPrintable(sim.Resource());
        m_pRm = CreateResourceManager();
        ASSERT_TRUE(m_pRm);
        m_dxr.Open(m_pRm, sim.Resource());
    }

    std::shared_ptr<IResourceManager> m_pRm;
    CDxr m_dxr;
};

// Values that survive four decimals exactly, different in every field of
// every memory.
STOREMEM Pattern(int nMemory)
{
    STOREMEM mem;
    float f = static_cast<float>(nMemory) + 0.0625f;
    auto next = [&f] { return f += 0.125f; };
    for (ABCMEM& abc : mem.Abc) {
        for (float* p : {&abc.Curr_H, &abc.Curr_M, &abc.Curr_L, &abc.Pow_H, &abc.Pow_M, &abc.Pow_L,
                         &abc.Cond_H, &abc.Cond_M, &abc.Cond_L, &abc.Volt_H, &abc.Volt_M, &abc.Volt_L})
            *p = next();
    }
    for (float* p :
         {&mem.Curr, &mem.CurrProtect, &mem.Pow, &mem.PowProtect, &mem.Volt, &mem.VoltProtect, &mem.Cond,
          &mem.SoftStartTime, &mem.SlewRate, &mem.PulseFreq, &mem.PulseDuty, &mem.InputTime})
        *p = -next();
    static const char* const s_modes[] = {"CC", "CR", "CV", "CP"};
    static const char* const s_ranges[] = {"LOW", "MED", "HIGH"};
    mem.Mode = QLatin1String(s_modes[nMemory % 4]);
    mem.Crange = QLatin1String(s_ranges[nMemory % 3]);
    mem.Vrange = QLatin1String(s_ranges[(nMemory + 1) % 3]);
    mem.CurrProtectAction = nMemory % 2 ? QStringLiteral("LIMIT") : QStringLiteral("TRIP");
    mem.PowProtectAction = nMemory % 2 ? QStringLiteral("TRIP") : QStringLiteral("LIMIT");
    mem.CountTime = nMemory % 2;
    mem.Response = nMemory - 50;
    mem.Memo = nMemory % 10 == 0 ? QString() : QStringLiteral("Mem %1 \"q\" ;,").arg(nMemory);
    return mem;
}

void ExpectEqual(const STOREMEM& a, const STOREMEM& b, int nMemory)
{
    SCOPED_TRACE(nMemory);
    for (int i = 0; i < 3; ++i) {
        for (auto f : {&ABCMEM::Curr_H, &ABCMEM::Curr_M, &ABCMEM::Curr_L, &ABCMEM::Pow_H, &ABCMEM::Pow_M,
                       &ABCMEM::Pow_L, &ABCMEM::Cond_H, &ABCMEM::Cond_M, &ABCMEM::Cond_L, &ABCMEM::Volt_H,
                       &ABCMEM::Volt_M, &ABCMEM::Volt_L})
            EXPECT_EQ(a.Abc[i].*f, b.Abc[i].*f);
    }
    for (auto f : {&STOREMEM::Curr, &STOREMEM::CurrProtect, &STOREMEM::Pow, &STOREMEM::PowProtect,
                   &STOREMEM::Volt, &STOREMEM::VoltProtect, &STOREMEM::Cond, &STOREMEM::SoftStartTime,
                   &STOREMEM::SlewRate, &STOREMEM::PulseFreq, &STOREMEM::PulseDuty, &STOREMEM::InputTime})
        EXPECT_EQ(a.*f, b.*f);
    for (auto f : {&STOREMEM::Memo, &STOREMEM::Mode, &STOREMEM::Crange, &STOREMEM::Vrange,
                   &STOREMEM::CurrProtectAction, &STOREMEM::PowProtectAction})
        EXPECT_EQ(a.*f, b.*f);
    EXPECT_EQ(a.CountTime, b.CountTime);
    EXPECT_EQ(a.Response, b.Response);
}

TEST_F(DxrSimTest, Identify)
{
    CSimProcess sim;
    Open(sim);
    EXPECT_EQ(m_dxr.m_wVersion, 0x0105);
    QString str[4];
    m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
    EXPECT_EQ(QStringList({str[0], str[1], str[2], str[3]}),
              QStringList({QStringLiteral("TALVERO"), QStringLiteral("DXR-9K"), QStringLiteral("91K20473"),
                           QStringLiteral("1.05")}));
}

TEST_F(DxrSimTest, OtherIdentificationIsNotIdentified)
{
    CSimProcess sim({QStringLiteral("--idn"), QStringLiteral("Talvero,DXR-9K,91K20473,1.05")});
    Open(sim);
    EXPECT_EQ(m_dxr.m_wVersion, 0);
}

TEST_F(DxrSimTest, AllMemoriesWrittenReadBackEqual)
{
    CSimProcess sim;
    Open(sim);
    for (int n = 0; n < 100; ++n) {
        m_dxr.SelectStoreMemory(n);
        m_dxr.WriteStoreMemory(Pattern(n));
    }
    for (int n = 99; n >= 0; --n) {
        STOREMEM mem;
        m_dxr.SelectStoreMemory(n);
        m_dxr.ReadStoreMemory(mem);
        ExpectEqual(mem, Pattern(n), n);
    }
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
    ASSERT_TRUE(QFile::exists(strState));

    CSimProcess sim({QStringLiteral("--state"), strState});
    CDxr dxr;
    std::shared_ptr<IResourceManager> pRm = CreateResourceManager();
    dxr.Open(pRm, sim.Resource());
    for (int n : {0, 42, 99, 50}) {
        STOREMEM mem;
        dxr.SelectStoreMemory(n);
        dxr.ReadStoreMemory(mem);
        ExpectEqual(mem, n == 50 ? STOREMEM() : Pattern(n), n);
    }
}

TEST_F(DxrSimTest, AStateFileThatCannotBeReadIsLeftAlone)
{
    QTemporaryDir dir;
    const QString strState = dir.filePath(QStringLiteral("notes.xMem"));
    QFile file(strState);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a memory file");
    file.close();
    CSimProcess sim({QStringLiteral("--state"), strState});
    EXPECT_TRUE(sim.Resource().isEmpty());
    EXPECT_EQ(sim.Stop(), 1);
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
        EXPECT_EQ(e.GetCount(), 2);
        EXPECT_EQ(e.m_errors[0].nCode, -109); // VOLT without its range keyword
        EXPECT_EQ(e.m_errors[1].nCode, -104); // SLEW nan
    }
    // Nothing left over for the next operation.
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(1));
}

TEST_F(DxrSimTest, AnOverflowingQueueEndsInQueueOverflow)
{
    QStringList options;
    for (int i = 0; i < 40; ++i)
        options << QStringLiteral("--queue-error") << QStringLiteral("-100");
    CSimProcess sim(options);
    Open(sim);
    try {
        QString str[4];
        m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        ASSERT_EQ(e.GetCount(), 30);
        EXPECT_EQ(e.m_errors[0].nCode, -100);
        EXPECT_EQ(e.m_errors[30 - 1].nCode, -350);
        EXPECT_EQ(e.m_errors[30 - 1].GetMessage(), QStringLiteral("\"Queue overflow\""));
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
        QString str[4];
        m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
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
    // Ten queries (161 bytes) and their replies (at least 269 bytes), then
    // the error query (10) and its reply (13): at 19200 baud, 11 bits per
    // character, no less than 453 / 1745.45 s.
    EXPECT_GE(timer.elapsed(), 453 * 1000 * 11 / 19200 - 10);
    EXPECT_EQ(mem.Crange, QStringLiteral("HIGH"));
}

} // namespace
