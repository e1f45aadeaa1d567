// VXI-11 and HiSLIP through the built-in VISA against dxr9k-sim on loopback,
// one test for both transports: the command line's transfers, the
// instrument's own lock between two clients, a silent instrument and one
// that dies mid-transfer.

#include "integration/transfer/PatternFiles.h"
#include "unit/visa/VisaTestSupport.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <thread>

namespace {

struct TRANSPORT
{
    const char* pszName;
    const char* pszOption; // of dxr9k-sim
    int nLines;            // that the simulator prints first
    const char* pszWhere;  // in the texts of the errors
};

class LanPathTest : public PatternFiles<::testing::TestWithParam<TRANSPORT>>
{
protected:
    bool IsVxi11() const { return GetParam().nLines == 2; }
    CSimProcess Start(QStringList args) const
    {
        args.prepend(QStringLiteral("0"));
        args.prepend(QLatin1String(GetParam().pszOption));
        return CSimProcess(args, GetParam().nLines);
    }
    std::shared_ptr<IMessage> Open(const QString& strName)
    {
        return std::dynamic_pointer_cast<IMessage>(m_rm.Open(strName, Visa::NO_LOCK, 2000, QString()));
    }

    CBuiltinResourceManager m_rm;
};

TEST_P(LanPathTest, IdentifyDownloadAndUploadMoveAllMemoriesEqual)
{
    const CSimProcess sim = Start({"--state", Save("seed1.xMem", 1)});
    const RUN id = RunCli({"identify", sim.Line(0)}, sim.Environment());
    EXPECT_EQ(id.nExit, 0) << qPrintable(id.strErr);
    EXPECT_TRUE(id.strOut.contains(QLatin1String("TALVERO"))) << qPrintable(id.strOut);

    const RUN down = RunCli({"download", sim.Line(0), Path("backup.xMem")}, sim.Environment());
    ASSERT_EQ(down.nExit, 0) << qPrintable(down.strErr);
    ExpectSeeds(Path("backup.xMem"), [](int) { return 1; });

    // Behind a LAN/GPIB gateway the instrument has a GPIB address as its device name.
    const QString strUpload = IsVxi11() ? QStringLiteral("TCPIP0::127.0.0.1::gpib0,5::INSTR") : sim.Line(0);
    const RUN up = RunCli({"upload", Save("seed2.xMem", 2), strUpload}, sim.Environment());
    ASSERT_EQ(up.nExit, 0) << qPrintable(up.strErr);
    ASSERT_EQ(RunCli({"download", sim.Line(0), Path("back.xMem")}, sim.Environment()).nExit, 0);
    ExpectSeeds(Path("back.xMem"), [](int) { return 2; });
}

TEST_P(LanPathTest, SecondClientWaitsForTheInstrumentsLockThenGetsTheLockedStatus)
{
    const CSimProcess sim = Start({});
    const std::shared_ptr<IMessage> pFirst = Open(sim.Line(0));
    std::shared_ptr<IMessage> pSecond = Open(sim.Line(0));
    pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());

    QElapsedTimer timer;
    timer.start();
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSecond->LockRsrc(Visa::EXCLUSIVE_LOCK, 500, QString()); }, &strText),
              Visa::VI_ERROR_RSRC_LOCKED);
    EXPECT_GE(timer.elapsed(), 480);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_TRUE(strText.contains(LoadVisaString(IDS_VISA_LOCK_TIMEOUT).arg(sim.Line(0)).arg(500)))
        << qPrintable(strText);
    EXPECT_EQ(pSecond->LockState(), Visa::NO_LOCK);
    // Meanwhile the other client is kept off the instrument at once, and the holder is not.
    timer.restart();
    EXPECT_EQ(StatusOf([&] { pSecond->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_ERROR_RSRC_LOCKED);
    EXPECT_LT(timer.elapsed(), 400);
    pFirst->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_TRUE(pFirst->ReadString(256).startsWith(QLatin1String("TALVERO,")));

    // A lock released while the other waits is taken then.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pFirst->UnlockRsrc();
    });
    timer.restart();
    pSecond->LockRsrc(Visa::EXCLUSIVE_LOCK, 3000, QString());
    release.join();
    EXPECT_GE(timer.elapsed(), 150);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(StatusOf([&] { pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()); }),
              Visa::VI_ERROR_RSRC_LOCKED);

    if (!IsVxi11()) {
        EXPECT_EQ(StatusOf([&] { pFirst->LockRsrc(Visa::SHARED_LOCK, 0, QString()); }),
                  Visa::VI_ERROR_RSRC_LOCKED);
        // Shared locks share with each other, not with the exclusive one.
        pSecond->UnlockRsrc();
        pSecond->LockRsrc(Visa::SHARED_LOCK, 0, QString());
        pFirst->LockRsrc(Visa::SHARED_LOCK, 0, QString());
        EXPECT_EQ(StatusOf([&] { pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()); }),
                  Visa::VI_ERROR_RSRC_LOCKED);
    }
    // Closing a session ends its lock at the instrument.
    pSecond.reset();
    pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 1000, QString());
    EXPECT_EQ(pFirst->LockState(), Visa::EXCLUSIVE_LOCK);
    if (IsVxi11()) {
        // VXI-11 has no shared lock; nested in the exclusive one it keeps
        // that until both are released.
        pFirst->LockRsrc(Visa::SHARED_LOCK, 0, QString());
        pFirst->UnlockRsrc();
        const std::shared_ptr<IMessage> pThird = Open(sim.Line(0));
        EXPECT_EQ(StatusOf([&] { pThird->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()); }),
                  Visa::VI_ERROR_RSRC_LOCKED);
        pFirst->UnlockRsrc();
        EXPECT_EQ(StatusOf([&] { pThird->LockRsrc(Visa::SHARED_LOCK, 0, QString()); }),
                  Visa::VI_ERROR_INV_LOCK_TYPE);
    }
}

TEST_P(LanPathTest, SilentOrKilledInstrumentGivesTimeoutThenConnectionLost)
{
    CSimProcess sim = Start({"--silent-after", "1"});
    const std::shared_ptr<IMessage> pSession = Open(sim.Line(0));
    pSession->SetTimeout(600);
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_TRUE(pSession->ReadString(256).startsWith(QLatin1String("TALVERO,")));
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }), Visa::VI_ERROR_TMO);
    EXPECT_GE(timer.elapsed(), 580);
    EXPECT_LT(timer.elapsed(), 1100);

    sim.Kill(SIGKILL);
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }, &strText), Visa::VI_ERROR_CONN_LOST);
    EXPECT_TRUE(strText.contains(QLatin1String(GetParam().pszWhere))) << qPrintable(strText);
}

TEST_P(LanPathTest, InstrumentKilledMidTransferIsAClearVisaErrorAndNoFile)
{
    const CSimProcess sim = Start({"--log", Path("sim.log")});
    // Memory 20 or so of 100.
    std::thread killer = sim.KillAfter(Path("sim.log"), 500);
    const RUN r = RunCli({"download", sim.Line(0), Path("backup.xMem")}, sim.Environment());
    killer.join();
    EXPECT_EQ(r.nExit, 5);
    EXPECT_TRUE(r.strErr.startsWith(CVisaStatus::Description(Visa::VI_ERROR_CONN_LOST)))
        << qPrintable(r.strErr);
    EXPECT_TRUE(r.strErr.contains(QLatin1String(GetParam().pszWhere))) << qPrintable(r.strErr);
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
}

INSTANTIATE_TEST_SUITE_P(Transports, LanPathTest,
                         ::testing::Values(TRANSPORT{"Vxi11", "--vxi11", 2, "127.0.0.1 (VXI-11 inst0)"},
                                           TRANSPORT{"Hislip", "--hislip", 1, "(HiSLIP hislip0)"}),
                         [](const ::testing::TestParamInfo<TRANSPORT>& transport) {
                             return transport.param.pszName;
                         });

TEST(Vxi11PathTest, NamesThatReachNoInstrumentSayWhy)
{
    const CSimProcess sim({"--vxi11", "0"}, 2);
    CBuiltinResourceManager rm;
    const QByteArray port = qgetenv("VAULTLINE_VXI11_PORTMAPPER");
    // The device name, the portmapper's port, the status.
    const std::tuple<const char*, QByteArray, HRESULT, QString> cases[] = {
        {"TCPIP::127.0.0.1::inst0::INSTR", port, Visa::VI_SUCCESS, QString()},
        {"tcpip0::127.0.0.1::INSTR", port, Visa::VI_SUCCESS, QString()},
        {"TCPIP0::127.0.0.1::gpib0,7,3::INSTR", port, Visa::VI_SUCCESS, QString()},
        {"TCPIP0::127.0.0.1::bogus::INSTR", port, Visa::VI_ERROR_RSRC_NFOUND,
         LoadVisaString(IDS_VISA_LINK_REFUSED).arg("127.0.0.1", "bogus").arg(3)},
        {"TCPIP0::127.0.0.1::inst0::INSTR", "1", Visa::VI_ERROR_MACHINE_NAVAIL, "127.0.0.1:1"},
        {"TCPIP0::127.0.0.1::inst0::INSTR", "port", Visa::VI_ERROR_INV_SETUP,
         LoadVisaString(IDS_VISA_BAD_PORTMAPPER_PORT).arg("port")},
    };
    for (const auto& [pszName, portmapper, nStatus, strDetail] : cases) {
        qputenv("VAULTLINE_VXI11_PORTMAPPER", portmapper);
        QString strText;
        const QString strName = QString::fromLatin1(pszName);
        EXPECT_EQ(StatusOf([&] { rm.Open(strName, Visa::NO_LOCK, 2000, QString()); }, &strText), nStatus)
            << pszName;
        EXPECT_TRUE(strText.contains(strDetail)) << qPrintable(strText);
    }
}

} // namespace
