#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/ResourceManagerFactory.h"
#include "platform/visa/SystemResourceManager.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <tuple>

namespace {

// The fake library as the tests built it; the test reads back through the
// same loaded copy that the resource manager calls.
class SystemProviderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TearDown();
        ASSERT_TRUE(m_library.IsLoaded()) << ::dlerror();
        Fake<void()>("FakeVisa_Reset")();
    }
    void TearDown() override
    {
        qunsetenv("VAULTLINE_VISA_PROVIDER");
        qunsetenv("FAKE_VISA_NO_RM");
    }
    template <class F> F* Fake(const char* pszName) const { return m_library.Fake<F>(pszName); }
    int OpenSessions() const { return Fake<int()>("FakeVisa_OpenSessions")(); }
    // All ones when it was never set.
    std::uint64_t Attribute(std::uint32_t attr) const
    {
        return Fake<std::uint64_t(std::uint32_t)>("FakeVisa_Attribute")(attr);
    }

    CFakeLibrary m_library{"VAULTLINE_VISA_LIBRARY", FAKE_VISA_LIBRARY};
};

TEST_F(SystemProviderTest, ProviderChoice)
{
    const char* const pszNone = "/nonexistent/libvisa.so";
    // The library, the provider asked for, whether the library's resource manager fails, the choice.
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        {FAKE_VISA_LIBRARY, nullptr, false, "system"},
        {pszNone, nullptr, false, "builtin"},
        {FAKE_VISA_LIBRARY, nullptr, true, "builtin"}, // a library whose resource manager fails
        {FAKE_VISA_LIBRARY, "builtin", false, "builtin"},
        {FAKE_VISA_LIBRARY, "system", false, "system"},
        {pszNone, "system", false, "none"},
        {pszNone, "BUILTIN", false, "builtin"},
        {"libm.so.6", nullptr, false, "builtin"} // loads, but is no VISA library
    };
    for (const auto& [pszLibrary, pszProvider, bNoRm, pszChosen] : cases) {
        qputenv("VAULTLINE_VISA_LIBRARY", pszLibrary);
        pszProvider ? qputenv("VAULTLINE_VISA_PROVIDER", pszProvider) : qunsetenv("VAULTLINE_VISA_PROVIDER");
        bNoRm ? qputenv("FAKE_VISA_NO_RM", "1") : qunsetenv("FAKE_VISA_NO_RM");
        const std::shared_ptr<IResourceManager> pRm = CreateResourceManager();
        EXPECT_STREQ(!pRm                                                      ? "none"
                     : std::dynamic_pointer_cast<CBuiltinResourceManager>(pRm) ? "builtin"
                                                                               : "system",
                     pszChosen)
            << pszLibrary << " / " << (pszProvider ? pszProvider : "-") << (bNoRm ? " / no RM" : "");
    }
}

TEST_F(SystemProviderTest, SystemLibraryIsPreferredAndServesEverything)
{
    const std::shared_ptr<IResourceManager> pRm = CreateResourceManager();
    ASSERT_TRUE(std::dynamic_pointer_cast<CSystemResourceManager>(pRm));
    // Only the library knows GPIB; every match of the search comes back.
    EXPECT_EQ(pRm->FindRsrc(QStringLiteral("?*::INSTR")),
              (QStringList{QStringLiteral("GPIB0::5::INSTR"), QStringLiteral("ASRL3::INSTR")}));
    {
        const auto pSerial = std::dynamic_pointer_cast<ISerial>(
            pRm->Open(QStringLiteral("ASRL3::INSTR"), Visa::NO_LOCK, 2000, {}));
        ASSERT_TRUE(pSerial);
        ApplyInstrumentLineSettings(*pSerial);
        // Baud rate, data bits, stop bits, parity, flow control.
        EXPECT_EQ(
            QList<std::uint64_t>({Attribute(0x3FFF0021u), Attribute(0x3FFF0022u), Attribute(0x3FFF0024u),
                                  Attribute(0x3FFF0023u), Attribute(0x3FFF0025u)}),
            QList<std::uint64_t>({19200, 8, 20, 0, 1}));
        EXPECT_EQ(OpenSessions(), 1);
    }
    // Releasing the last reference closes the library's session.
    EXPECT_EQ(OpenSessions(), 0);

    const auto pMessage = std::dynamic_pointer_cast<IMessage>(
        pRm->Open(QStringLiteral("GPIB0::5::INSTR"), Visa::NO_LOCK, 2000, {}));
    ASSERT_TRUE(pMessage);
    EXPECT_FALSE(std::dynamic_pointer_cast<ISerial>(pMessage));
    pMessage->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    EXPECT_EQ(pMessage->LockState(), Visa::EXCLUSIVE_LOCK);
    EXPECT_EQ(pMessage->WriteString(QStringLiteral("*IDN?\n")), 6);
    EXPECT_EQ(pMessage->ReadString(256), QStringLiteral("FAKE,VISA-LIB,0,1.0\n"));
    pMessage->UnlockRsrc();
    EXPECT_EQ(pMessage->LockState(), Visa::NO_LOCK);
    // A raw socket has its reads end at the line feed.
    pRm->Open(QStringLiteral("TCPIP0::10.0.0.2::5025::SOCKET"), Visa::NO_LOCK, 2000, {});
    EXPECT_EQ(Attribute(0x3FFF0038u), 1u);
}

TEST_F(SystemProviderTest, FailuresCarryTheLibrarysStatusAndText)
{
    const std::shared_ptr<IResourceManager> pRm = CreateResourceManager();
    const auto openGpib5 = [&] { return pRm->Open(QStringLiteral("GPIB0::5::INSTR"), 0, 2000, {}); };
    const std::pair<std::function<void()>, HRESULT> cases[] = {
        {[&] { pRm->Open(QStringLiteral("GPIB0::9::INSTR"), Visa::NO_LOCK, 2000, {}); },
         Visa::VI_ERROR_RSRC_NFOUND},
        {[&] { pRm->FindRsrc(QStringLiteral("PXI?*")); }, Visa::VI_ERROR_RSRC_NFOUND},
        {[&] { std::dynamic_pointer_cast<IMessage>(openGpib5())->ReadString(256); }, Visa::VI_ERROR_TMO},
        {[&] { openGpib5()->UnlockRsrc(); }, Visa::VI_ERROR_SESN_NLOCKED}};
    for (const auto& [fn, nStatus] : cases) {
        QString strText;
        EXPECT_EQ(StatusOf(fn, &strText), nStatus);
        // The library's own words, not this program's table.
        EXPECT_EQ(strText, QString::asprintf("Fake library status 0x%08X.", static_cast<unsigned>(nStatus)));
    }
    EXPECT_EQ(OpenSessions(), 0);
}

} // namespace
