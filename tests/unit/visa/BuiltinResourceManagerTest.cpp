#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/UsbtmcSession.h"
#include "platform/visa/VisaStatus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

HRESULT StatusOf(const std::function<void()>& fn, QString* pstrText = nullptr)
{
    try {
        fn();
    } catch (const _com_error& e) {
        if (pstrText)
            *pstrText = e.Description();
        return e.Error();
    }
    return Visa::VI_SUCCESS;
}

// Each case starts with no configured resources of its own.
class BuiltinResourceManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qunsetenv("VAULTLINE_VISA_RESOURCES");
        QFile::remove(CBuiltinResourceManager::ResourcesFilePath());
    }
    void TearDown() override { SetUp(); }

    static void WriteResourcesFile(const QByteArray& content)
    {
        const QString strPath = CBuiltinResourceManager::ResourcesFilePath();
        QDir().mkpath(QFileInfo(strPath).path());
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    CBuiltinResourceManager m_rm;
};

TEST_F(BuiltinResourceManagerTest, ResourcesFileLivesInTheUsersConfigFolder)
{
    EXPECT_EQ(CBuiltinResourceManager::ResourcesFilePath(),
              QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
                  .filePath(QStringLiteral("Talvero/vaultline-resources")));
}

TEST_F(BuiltinResourceManagerTest, ConfiguredInstrumentsAreListedButNeverSockets)
{
    WriteResourcesFile(
        "# the bench simulator\nASRL/dev/pts/77::INSTR\n\n  TCPIP0::127.0.0.1::5025::SOCKET  \n");
    qputenv("VAULTLINE_VISA_RESOURCES",
            "GPIB0::9::INSTR; ;not a name;asrl/dev/pts/77::instr;USB0::0x1::0x2::S::INSTR");
    const QStringList found = m_rm.FindRsrc(QStringLiteral("?*::INSTR"));
    EXPECT_TRUE(found.contains(QStringLiteral("ASRL/dev/pts/77::INSTR")));
    EXPECT_TRUE(found.contains(QStringLiteral("GPIB0::9::INSTR")));
    EXPECT_TRUE(found.contains(QStringLiteral("USB0::0x1::0x2::S::INSTR")));
    // The same resource spelt twice is listed once; names that cannot be
    // opened are not listed at all.
    EXPECT_FALSE(found.contains(QStringLiteral("asrl/dev/pts/77::instr")));
    EXPECT_FALSE(found.contains(QStringLiteral("not a name")));
    for (const QString& strName : found)
        EXPECT_FALSE(strName.endsWith(QLatin1String("SOCKET"), Qt::CaseInsensitive)) << qPrintable(strName);

    EXPECT_EQ(m_rm.FindRsrc(QStringLiteral("TCPIP?*")),
              QStringList{QStringLiteral("TCPIP0::127.0.0.1::5025::SOCKET")});
    EXPECT_EQ(m_rm.FindRsrc(QStringLiteral("GPIB?*|USB?*")),
              (QStringList{QStringLiteral("GPIB0::9::INSTR"), QStringLiteral("USB0::0x1::0x2::S::INSTR")}));
}

TEST_F(BuiltinResourceManagerTest, NoMatchIsVisasResourceNotFound)
{
    QString strText;
    EXPECT_EQ(StatusOf([&] { m_rm.FindRsrc(QStringLiteral("PXI?*")); }, &strText),
              Visa::VI_ERROR_RSRC_NFOUND);
    EXPECT_TRUE(strText.startsWith(CVisaStatus::Description(Visa::VI_ERROR_RSRC_NFOUND)))
        << qPrintable(strText);
    EXPECT_EQ(StatusOf([&] { m_rm.FindRsrc(QStringLiteral("[")); }), Visa::VI_ERROR_INV_EXPR);
}

TEST_F(BuiltinResourceManagerTest, OpenRefusesWhatItCannotReach)
{
    const struct
    {
        const char* pszName;
        HRESULT nStatus;
    } cases[] = {
        {"ASRL1::SOCKET", Visa::VI_ERROR_INV_RSRC_NAME},
        {"nonsense", Visa::VI_ERROR_INV_RSRC_NAME},
        {"GPIB0::1::INSTR", Visa::VI_ERROR_RSRC_NFOUND},
        {"TCPIP0::127.0.0.1::inst0::INSTR", Visa::VI_ERROR_RSRC_NFOUND},
        {"ASRL0::INSTR", Visa::VI_ERROR_RSRC_NFOUND},
        {"ASRL/dev/vaultline-no-such-port::INSTR", Visa::VI_ERROR_RSRC_NFOUND},
        {"USB0::0xFFFE::0x0001::NOPE::INSTR", Visa::VI_ERROR_RSRC_NFOUND},
    };
    for (const auto& c : cases) {
        QString strText;
        EXPECT_EQ(StatusOf([&] { m_rm.Open(QString::fromUtf8(c.pszName), Visa::NO_LOCK, 2000, QString()); },
                           &strText),
                  c.nStatus)
            << c.pszName << ": " << qPrintable(strText);
        EXPECT_FALSE(strText.isEmpty());
    }
}

TEST_F(BuiltinResourceManagerTest, MissingDeviceIsNamedInTheMessage)
{
    QString strText;
    StatusOf([&] { m_rm.Open(QStringLiteral("ASRL/dev/ttyUSB97::INSTR"), Visa::NO_LOCK, 2000, QString()); },
             &strText);
    EXPECT_TRUE(strText.contains(QLatin1String("/dev/ttyUSB97"))) << qPrintable(strText);
}

// A sysfs tree as the usbtmc driver leaves it: the class entry points at the
// USB interface, whose parent device holds the identifiers.
class UsbtmcNamingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        AddDevice(QStringLiteral("usbtmc0"), QStringLiteral("1-1"), "1ab1", "0588", "DS1ZA1234", "00");
        AddDevice(QStringLiteral("usbtmc1"), QStringLiteral("1-2"), "0957", "1755", nullptr, "01");
    }

    void AddDevice(const QString& strNode, const QString& strPort, const char* pszVendor,
                   const char* pszProduct, const char* pszSerial, const char* pszInterface)
    {
        const QString strDevice = m_dir.filePath(QStringLiteral("sys/devices/usb1/") + strPort);
        const QString strInterface = strDevice + QLatin1Char('/') + strPort + QStringLiteral(":1.0");
        QDir().mkpath(strInterface);
        WriteFile(strDevice + QStringLiteral("/idVendor"), pszVendor);
        WriteFile(strDevice + QStringLiteral("/idProduct"), pszProduct);
        if (pszSerial)
            WriteFile(strDevice + QStringLiteral("/serial"), pszSerial);
        WriteFile(strInterface + QStringLiteral("/bInterfaceNumber"), pszInterface);
        const QString strClass = m_dir.filePath(QStringLiteral("sys/class/usbmisc/") + strNode);
        QDir().mkpath(strClass);
        QFile::link(strInterface, strClass + QStringLiteral("/device"));
    }

    static void WriteFile(const QString& strPath, const char* pszContent)
    {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pszContent);
        file.write("\n");
    }

    QString SysRoot() const { return m_dir.filePath(QStringLiteral("sys")); }

    QTemporaryDir m_dir;
};

TEST_F(UsbtmcNamingTest, DevicesAreNamedFromTheirIdentifiers)
{
    const QList<CUsbtmcSession::USBTMCDEVICE> devices =
        CUsbtmcSession::List(SysRoot(), QStringLiteral("/dev"));
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices.at(0).strResourceName, QStringLiteral("USB0::0x1AB1::0x0588::DS1ZA1234::INSTR"));
    EXPECT_EQ(devices.at(0).strDevicePath, QStringLiteral("/dev/usbtmc0"));
    EXPECT_EQ(devices.at(1).strResourceName, QStringLiteral("USB0::0x0957::0x1755::NONE::1::INSTR"));
}

TEST_F(UsbtmcNamingTest, NamesFindTheirDeviceNodeInAnySpelling)
{
    EXPECT_EQ(CUsbtmcSession::DevicePathOf(CResourceName::Parse(QStringLiteral("usb::6833::1416::ds1za1234")),
                                           SysRoot(), QStringLiteral("/dev")),
              QStringLiteral("/dev/usbtmc0"));
    EXPECT_EQ(CUsbtmcSession::DevicePathOf(
                  CResourceName::Parse(QStringLiteral("USB0::0x1AB1::0x0588::DS1ZA1234::0::INSTR")),
                  SysRoot(), QStringLiteral("/dev")),
              QStringLiteral("/dev/usbtmc0"));
    QString strText;
    EXPECT_EQ(StatusOf(
                  [&] {
                      CUsbtmcSession::DevicePathOf(
                          CResourceName::Parse(QStringLiteral("USB0::0x1AB1::0x0588::OTHER::INSTR")),
                          SysRoot(), QStringLiteral("/dev"));
                  },
                  &strText),
              Visa::VI_ERROR_RSRC_NFOUND);
    // The message lists what is attached, so that a typo shows.
    EXPECT_TRUE(strText.contains(QLatin1String("USB0::0x1AB1::0x0588::DS1ZA1234::INSTR")))
        << qPrintable(strText);
}

TEST(VisaStatusTest, FailuresCarryVisasOwnTextThenTheCause)
{
    try {
        CVisaStatus::Throw(Visa::VI_ERROR_CONN_LOST, QStringLiteral("The device /dev/pts/3 went away."));
        FAIL();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_CONN_LOST);
        EXPECT_EQ(e.Description(),
                  QStringLiteral("The connection for the given session has been lost. The device "
                                 "/dev/pts/3 went away."));
    }
    EXPECT_EQ(CVisaStatus::Description(Visa::VI_ERROR_TMO),
              QStringLiteral("Timeout expired before operation completed."));
    EXPECT_EQ(CVisaStatus::Description(static_cast<HRESULT>(0xBFFF7777u)),
              QStringLiteral("Unknown VISA status 0xbfff7777."));
}

} // namespace
