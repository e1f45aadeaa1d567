// GPIB through a stand-in for linux-gpib's library: the exact calls the
// session makes, how it reads, what its failures say, and the message when
// the library is not there.

#include "unit/visa/VisaTestSupport.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/GpibSession.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

class GpibSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_library.IsLoaded()) << ::dlerror();
        Fake<void()>("FakeGpib_Reset")();
    }
    template <class F> F* Fake(const char* pszName) const { return m_library.Fake<F>(pszName); }
    QString Log() const { return QString::fromLatin1(Fake<const char*()>("FakeGpib_Log")()); }
    void SetReply(const char* pszReply) const { Fake<void(const char*)>("FakeGpib_SetReply")(pszReply); }
    std::shared_ptr<IMessage> Open(const QString& strName)
    {
        return std::dynamic_pointer_cast<IMessage>(m_rm.Open(strName, Visa::NO_LOCK, 2000, QString()));
    }

    CFakeLibrary m_library{"VAULTLINE_GPIB_LIBRARY", FAKE_GPIB_LIBRARY};
    CBuiltinResourceManager m_rm;
};

TEST_F(GpibSessionTest, OpenWriteReadAndCloseMakeExactlyTheseCalls)
{
    std::shared_ptr<IMessage> pSession = Open("GPIB0::5::INSTR");
    ASSERT_TRUE(pSession);
    pSession->SetTimeout(3000);
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    SetReply("TALVERO,DXR-9K,TV123456,1.05\n");
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("TALVERO,DXR-9K,TV123456,1.05\n"));
    pSession.reset();
    // 2 s opens with code 12 (3 s); 3 s keeps that code but is given anew.
    // EOI with the last byte written; reads end at EOI or at the line feed.
    EXPECT_EQ(Log(),
              QStringLiteral("ibdev(0,5,0x0,12,1,0x40a);ibtmo(16,12);ibwrt(16,\"*IDN?\n\",6);ibrd(16,256);"
                             "ibloc(16);ibonl(16,0);"));

    Fake<void()>("FakeGpib_Reset")();
    pSession = Open("GPIB1::7::2::INSTR");
    pSession.reset();
    EXPECT_TRUE(Log().startsWith(QStringLiteral("ibdev(1,7,0x62,12,1,0x40a);"))) << qPrintable(Log());
}

TEST_F(GpibSessionTest, ReadsEndAtTheLineFeedAtEoiAtTheCountOrAtTheTimeout)
{
    const std::shared_ptr<IMessage> pSession = Open("GPIB0::5::INSTR");
    SetReply("1.5\n2.5");
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("1.5\n"));
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("2.5")); // EOI without a line feed
    SetReply("ABCDEFGH\n");
    EXPECT_EQ(pSession->ReadString(3), QStringLiteral("ABC"));
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("DEFGH\n"));
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }, &strText), Visa::VI_ERROR_TMO);
}

TEST_F(GpibSessionTest, FailuresCarryTheVisaStatusAndWhatLinuxGpibSaid)
{
    // The name, the status, the text.
    const std::tuple<const char*, HRESULT, unsigned> cases[] = {
        {"GPIB0::7::INSTR", static_cast<HRESULT>(0xBFFF005Fu), IDS_VISA_GPIB_NO_LISTENER}, // no listener at 7
        {"GPIB3::5::INSTR", Visa::VI_ERROR_INTF_NUM_NCONFIG, IDS_VISA_GPIB_NO_BOARD},      // no board 3
    };
    for (const auto& [pszName, nStatus, nText] : cases) {
        QString strText;
        const QString strName = QString::fromLatin1(pszName);
        EXPECT_EQ(StatusOf([&] { Open(strName)->WriteString(QStringLiteral("*IDN?\n")); }, &strText), nStatus)
            << pszName;
        EXPECT_TRUE(strText.contains(LoadVisaString(nText))) << qPrintable(strText);
        EXPECT_TRUE(strText.contains(QString::fromLatin1(pszName))) << qPrintable(strText);
    }
}

TEST_F(GpibSessionTest, WithoutLinuxGpibTheNameSaysWhatIsNeededAndNothingIsListed)
{
    QTemporaryDir dev;
    QFile(dev.filePath("gpib0")).open(QIODevice::WriteOnly);
    EXPECT_EQ(CGpibSession::List(dev.path()), QStringList({"GPIB0::5::INSTR", "GPIB0::12::2::INSTR"}));
    EXPECT_TRUE(Log().contains(QStringLiteral("FindLstn(0,30 pads,31);"))) << qPrintable(Log());
    EXPECT_TRUE(CGpibSession::List(dev.filePath("none")).isEmpty());

    qputenv("VAULTLINE_GPIB_LIBRARY", "/nonexistent/libgpib.so.0");
    EXPECT_TRUE(CGpibSession::List(dev.path()).isEmpty());
    QString strText;
    EXPECT_EQ(StatusOf([&] { Open("GPIB0::1::INSTR"); }, &strText), Visa::VI_ERROR_LIBRARY_NFOUND);
    EXPECT_TRUE(strText.contains(QLatin1String("GPIB0::1::INSTR needs linux-gpib"))) << qPrintable(strText);
}

TEST(GpibTimeoutTest, VisaTimeoutsBecomeTheShortestGpibTimeoutNotShorter)
{
    const std::pair<long, int> cases[] = {
        {0, 1},     {1, 5},     {2, 6},        {3, 6},        {2000, 12},
        {3000, 12}, {3001, 13}, {1000000, 17}, {2000000, 17}, {Visa::TMO_INFINITE, 0}};
    for (const auto& [nMs, nCode] : cases)
        EXPECT_EQ(CGpibSession::TimeoutCode(nMs), nCode) << nMs;
}

} // namespace
