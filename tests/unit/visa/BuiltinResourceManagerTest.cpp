#include "platform/visa/BuiltinResourceManager.h"
#include "platform/file/RegularFile.h"
#include "platform/visa/UsbtmcSession.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <tuple>

namespace {

void WriteFile(const QString& strPath, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(strPath).path());
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Each case starts with no configured resources of its own.
class BuiltinResourceManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qunsetenv("VAULTLINE_VISA_RESOURCES");
        QFile::remove(NewPath());
        QFile::remove(CBuiltinResourceManager::EarlierResourcesFilePath());
    }
    static QString NewPath() { return RegularFile::ConfigFolder() + QStringLiteral("/vaultline-resources"); }
    void TearDown() override { SetUp(); }

    CBuiltinResourceManager m_rm;
};

TEST_F(BuiltinResourceManagerTest, ConfiguredInstrumentsAreListedButNeverSockets)
{
    WriteFile(CBuiltinResourceManager::ResourcesFilePath(),
              "# the bench simulator\nASRL/dev/pts/77::INSTR\n\n  TCPIP0::127.0.0.1::5025::SOCKET  \n");
    qputenv("VAULTLINE_VISA_RESOURCES",
            "GPIB0::9::INSTR; ;not a name;asrl/dev/pts/77::instr;USB0::0x1::0x2::S::INSTR");
    // The same resource spelt twice is listed once; names that cannot be
    // opened are not listed at all.
    const QStringList found = m_rm.FindRsrc(QStringLiteral("?*::INSTR"));
    for (const char* pszName : {"ASRL/dev/pts/77::INSTR", "GPIB0::9::INSTR", "USB0::0x1::0x2::S::INSTR"})
        EXPECT_EQ(found.count(QLatin1String(pszName)), 1) << pszName;
    for (const QString& strName : found)
        EXPECT_TRUE(strName.endsWith(QLatin1String("::INSTR"))) << qPrintable(strName);
    EXPECT_EQ(m_rm.FindRsrc(QStringLiteral("TCPIP?*")),
              QStringList{QStringLiteral("TCPIP0::127.0.0.1::5025::SOCKET")});
    EXPECT_EQ(StatusOf([&] { m_rm.FindRsrc(QStringLiteral("PXI?*")); }), Visa::VI_ERROR_RSRC_NFOUND);
}

// The configured names are bounded: a file or variable beyond the bounds
// gives its first names, the rest ignored.
TEST_F(BuiltinResourceManagerTest, ConfiguredNamesStopAtTheirBounds)
{
    QByteArray many;
    for (int i = 0; i < 1500; ++i)
        many += "ASRL/dev/pts/" + QByteArray::number(i) + "::INSTR\n";
    WriteFile(CBuiltinResourceManager::ResourcesFilePath(), many);
    qputenv("VAULTLINE_VISA_RESOURCES", "GPIB0::9::INSTR");
    QStringList names = CBuiltinResourceManager::ConfiguredResources();
    ASSERT_EQ(names.size(), CBuiltinResourceManager::MAX_CONFIGURED_RESOURCES);
    EXPECT_EQ(names.last(), QStringLiteral("ASRL/dev/pts/999::INSTR"));

    // A line cut at the size bound is no name; the variable still counts.
    QByteArray huge =
        "ASRL/dev/pts/1::INSTR\n" + QByteArray(CBuiltinResourceManager::MAX_RESOURCES_FILE_SIZE, 'x');
    WriteFile(CBuiltinResourceManager::ResourcesFilePath(), huge + "\nASRL/dev/pts/2::INSTR\n");
    names = CBuiltinResourceManager::ConfiguredResources();
    EXPECT_EQ(names, (QStringList{"ASRL/dev/pts/1::INSTR", "GPIB0::9::INSTR"}));
}

// The names live in the configuration folder beside the settings; a file at
// the place earlier versions used is read until one exists there, so nothing
// a user configured is lost.
TEST_F(BuiltinResourceManagerTest, TheEarlierResourcesFileIsReadUntilTheNewOneExists)
{
    const QString strEarlier = CBuiltinResourceManager::EarlierResourcesFilePath();
    ASSERT_EQ(QFileInfo(NewPath()).absolutePath(),
              QFileInfo(qEnvironmentVariable("XDG_CONFIG_HOME") + "/vaultline").absoluteFilePath());
    ASSERT_NE(strEarlier, NewPath());
    const struct
    {
        const char* pszEarlier; // null: no such file
        const char* pszNew;
        bool bNewRead;
        QStringList names;
    } cases[] = {
        {nullptr, nullptr, true, {}},
        {"ASRL/dev/pts/1::INSTR\n", nullptr, false, {"ASRL/dev/pts/1::INSTR"}},
        {"ASRL/dev/pts/1::INSTR\n", "ASRL/dev/pts/2::INSTR\n", true, {"ASRL/dev/pts/2::INSTR"}},
        {"ASRL/dev/pts/1::INSTR\n", "", true, {}}, // an emptied new file counts too
        {nullptr, "# bench\nASRL/dev/pts/3::INSTR\n", true, {"ASRL/dev/pts/3::INSTR"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        ++n;
        SetUp();
        if (c.pszEarlier)
            WriteFile(strEarlier, c.pszEarlier);
        if (c.pszNew)
            WriteFile(NewPath(), c.pszNew);
        EXPECT_EQ(CBuiltinResourceManager::ResourcesFilePath(), c.bNewRead ? NewPath() : strEarlier) << n;
        EXPECT_EQ(CBuiltinResourceManager::ConfiguredResources(), c.names) << n;
        // The earlier file is only ever read, never moved or changed.
        EXPECT_EQ(QFileInfo::exists(strEarlier), c.pszEarlier != nullptr) << n;
    }
}

TEST_F(BuiltinResourceManagerTest, OpenRefusesWhatItCannotReachAndSaysWhat)
{
    // The name, the status and what the text names.
    const std::tuple<const char*, HRESULT, const char*> cases[] = {
        {"VXI0::1::INSTR", Visa::VI_ERROR_RSRC_NFOUND, "VXI0::1::INSTR needs a VISA library"},
        {"ASRL0::INSTR", Visa::VI_ERROR_RSRC_NFOUND, ""},
        {"ASRL/dev/null::INSTR", Visa::VI_ERROR_RSRC_NFOUND, ""}, // no serial line
        {"USB0::0xFFFE::0x0001::NOPE::INSTR", Visa::VI_ERROR_RSRC_NFOUND, ""},
        {"TCPIP0::127.0.0.1::1::SOCKET", Visa::VI_ERROR_MACHINE_NAVAIL, "127.0.0.1:1"} // nothing listens
    };
    for (const auto& [pszName, nStatus, pszNamed] : cases) {
        QString strText;
        const QString strName = QString::fromUtf8(pszName);
        EXPECT_EQ(StatusOf([&] { m_rm.Open(strName, Visa::NO_LOCK, 2000, QString()); }, &strText), nStatus)
            << pszName << ": " << qPrintable(strText);
        EXPECT_TRUE(strText.contains(QLatin1String(pszNamed))) << qPrintable(strText);
    }
}

// A sysfs tree as the usbtmc driver leaves it: the class entry points at the
// USB interface, whose parent device holds the identifiers.
TEST(UsbtmcNamingTest, DevicesAreNamedFromSysfsAndFoundInAnySpelling)
{
    QTemporaryDir dir;
    const QString strSys = dir.filePath(QStringLiteral("sys"));
    // Port, then idVendor, idProduct and serial (none: empty) of the device, then bInterfaceNumber.
    const char* const devices[][5] = {{"1-1", "1ab1", "0588", "DS1ZA1234", "00"},
                                      {"1-2", "0957", "1755", "", "01"}};
    for (int i = 0; i < 2; ++i) {
        const QString strDevice = strSys + "/devices/usb1/" + devices[i][0];
        const QString strInterface = strDevice + '/' + devices[i][0] + ":1.0";
        for (int n : {1, 2, 3}) {
            if (*devices[i][n])
                WriteFile(strDevice + '/' + QStringList{"", "idVendor", "idProduct", "serial"}[n],
                          QByteArray(devices[i][n]) + '\n');
        }
        WriteFile(strInterface + "/bInterfaceNumber", QByteArray(devices[i][4]) + '\n');
        const QString strClass = strSys + QStringLiteral("/class/usbmisc/usbtmc%1").arg(i);
        QDir().mkpath(strClass);
        QFile::link(strInterface, strClass + "/device");
    }
    const QList<CUsbtmcSession::USBTMCDEVICE> found = CUsbtmcSession::List(strSys, QStringLiteral("/dev"));
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(found.at(0).strResourceName, QStringLiteral("USB0::0x1AB1::0x0588::DS1ZA1234::INSTR"));
    EXPECT_EQ(found.at(0).strDevicePath, QStringLiteral("/dev/usbtmc0"));
    EXPECT_EQ(found.at(1).strResourceName, QStringLiteral("USB0::0x0957::0x1755::NONE::1::INSTR"));

    const auto devicePathOf = [&](const char* pszName) {
        return CUsbtmcSession::DevicePathOf(CResourceName::Parse(QString::fromUtf8(pszName)), strSys,
                                            QStringLiteral("/dev"));
    };
    EXPECT_EQ(devicePathOf("usb::6833::1416::ds1za1234"), QStringLiteral("/dev/usbtmc0"));
    EXPECT_EQ(devicePathOf("USB0::0x1AB1::0x0588::DS1ZA1234::0::INSTR"), QStringLiteral("/dev/usbtmc0"));
    QString strText;
    EXPECT_EQ(StatusOf([&] { devicePathOf("USB0::0x1AB1::0x0588::OTHER::INSTR"); }, &strText),
              Visa::VI_ERROR_RSRC_NFOUND);
    // The message lists what is attached, so that a typo shows.
    EXPECT_TRUE(strText.contains(QLatin1String("USB0::0x1AB1::0x0588::DS1ZA1234::INSTR")))
        << qPrintable(strText);
}

} // namespace
