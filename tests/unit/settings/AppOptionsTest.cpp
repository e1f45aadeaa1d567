#include "app/AppOptions.h"
#include "tests/unit/settings/SettingsFixture.h"

namespace {

using AppOptions = SettingsTest;

TEST_F(AppOptions, FirstRunReadsDefaultsAndWritesAllThreeValuesAtExit)
{
    {
        CAppOptions options;
        EXPECT_EQ(options.m_strIoResourceUp, "GPIB0::1::INSTR");
        EXPECT_EQ(options.m_strIoResourceDn, "GPIB0::2::INSTR");
        EXPECT_EQ(options.m_dwShowValidateMsg, 1u);
        EXPECT_FALSE(QFile::exists(FilePath())) << "nothing is written before the end";
    }
    const QByteArray text = ReadFile();
    EXPECT_TRUE(text.contains("[Software]"));
    EXPECT_TRUE(text.contains("Talvero\\Dxr9kStdApps\\Vaultline\\IoResource_Up=GPIB0::1::INSTR\n"));
    EXPECT_TRUE(text.contains("Talvero\\Dxr9kStdApps\\Vaultline\\IoResource_Dn=GPIB0::2::INSTR\n"));
    EXPECT_TRUE(text.contains("Talvero\\Dxr9kStdApps\\Vaultline\\ShowValidateMsg=dword:00000001\n"));

    DWORD dwType = 0, cbData = 0;
    ASSERT_EQ(QueryValue(QStringLiteral("IoResource_Up"), dwType, cbData), ERROR_SUCCESS);
    EXPECT_EQ(dwType, REG_SZ);
    EXPECT_EQ(cbData, 2u * 15u) << "UTF-16 code units, no terminating NUL";
    ASSERT_EQ(QueryValue(QStringLiteral("ShowValidateMsg"), dwType, cbData), ERROR_SUCCESS);
    EXPECT_EQ(dwType, REG_DWORD);
    EXPECT_EQ(cbData, 4u);
}

// A resource is read into 255 bytes: 127 UTF-16 characters fit, 128 do not,
// and the next run falls back to the default.
class ResourceLength : public SettingsTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ResourceLength, ReadsBackWholeOnlyWithinTheBuffer)
{
    const int nLength = GetParam();
    const QString strLong =
        QStringLiteral("ASRL/dev/") + QString(nLength - 16, QLatin1Char('x')) + QStringLiteral("::INSTR");
    ASSERT_EQ(strLong.size(), nLength);
    {
        CAppOptions options;
        options.m_strIoResourceDn = strLong;
    }
    DWORD dwType = 0, cbData = 0;
    ASSERT_EQ(QueryValue(QStringLiteral("IoResource_Dn"), dwType, cbData), ERROR_SUCCESS);
    EXPECT_EQ(cbData, static_cast<DWORD>(2 * nLength));

    CAppOptions next;
    if (2 * nLength <= 255)
        EXPECT_EQ(next.m_strIoResourceDn, strLong);
    else
        EXPECT_EQ(next.m_strIoResourceDn, "GPIB0::2::INSTR");
    EXPECT_EQ(next.m_strIoResourceUp, "GPIB0::1::INSTR");
}

INSTANTIATE_TEST_SUITE_P(Boundary, ResourceLength, ::testing::Values(126, 127, 128, 200));

TEST_F(AppOptions, FlagSetToZeroOutsideIsReadAndWrittenBackUnchanged)
{
    WriteFile(KeyLines("IoResource_Up=GPIB0::7::INSTR\n"
                       "IoResource_Dn=ASRL1::INSTR\n"
                       "ShowValidateMsg=dword:00000000\n"));
    {
        CAppOptions options;
        EXPECT_EQ(options.m_dwShowValidateMsg, 0u);
        EXPECT_EQ(options.m_strIoResourceUp, "GPIB0::7::INSTR");
        EXPECT_EQ(options.m_strIoResourceDn, "ASRL1::INSTR");
    }
    const QByteArray text = ReadFile();
    EXPECT_TRUE(text.contains("Vaultline\\ShowValidateMsg=dword:00000000\n")) << text.constData();
    EXPECT_TRUE(text.contains("Vaultline\\IoResource_Up=GPIB0::7::INSTR\n"));
    EXPECT_TRUE(text.contains("Vaultline\\IoResource_Dn=ASRL1::INSTR\n"));
}

TEST_F(AppOptions, OtherKeysInTheFileSurviveTheWriteBack)
{
    WriteFile(
        "[Software]\n"
        "Local%20AppWizard-Generated%20Applications\\vaultline\\Recent%20File%20List\\File1=/tmp/a.xMem\n");
    {
        CAppOptions options;
    }
    EXPECT_TRUE(ReadFile().contains("Recent%20File%20List\\File1=/tmp/a.xMem"));
}

// Whatever state the settings file is in, the program starts with the
// defaults and ends without complaint.
struct BADFILE
{
    const char* pszName;
    void (*pfnMake)(const QString& strFile);
};

void PrintTo(const BADFILE& c, std::ostream* os)
{
    *os << c.pszName;
}

void MakeGarbage(const QString& strFile)
{
    QFile f(strFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.append(static_cast<char>((i * 131 + 7) & 0xFF));
    f.write("[Software\n\xff\xfe=\n=\n[[]]\x00\x01", 16);
    f.write(bytes);
}

void MakeDirectory(const QString& strFile)
{
    ASSERT_TRUE(QDir().mkpath(strFile));
}

void MakeFolderAFile(const QString& strFile)
{
    QDir().rmdir(QFileInfo(strFile).absolutePath());
    QFile f(QFileInfo(strFile).absolutePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

void MakeBadValues(const QString& strFile)
{
    QFile f(strFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(KeyLines("IoResource_Up=hex(1):zz,00\n"
                     "IoResource_Dn=hex(1\n"
                     "ShowValidateMsg=dword:123456789\n"));
}

class DamagedSettings : public SettingsTest, public ::testing::WithParamInterface<BADFILE>
{
};

TEST_P(DamagedSettings, StartWithDefaultsAndNeverStop)
{
    QDir().mkpath(QFileInfo(FilePath()).absolutePath());
    GetParam().pfnMake(FilePath());
    {
        CAppOptions options;
        EXPECT_EQ(options.m_strIoResourceUp, "GPIB0::1::INSTR");
        EXPECT_EQ(options.m_strIoResourceDn, "GPIB0::2::INSTR");
        EXPECT_EQ(options.m_dwShowValidateMsg, 1u);
        options.m_strIoResourceUp = QStringLiteral("ASRL2::INSTR");
    }
    // Where the file can be replaced, the next run finds what this one kept.
    if (QFileInfo(FilePath()).isFile()) {
        CAppOptions next;
        EXPECT_EQ(next.m_strIoResourceUp, "ASRL2::INSTR");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSettings,
                         ::testing::Values(BADFILE{"Garbage", MakeGarbage},
                                           BADFILE{"Directory", MakeDirectory},
                                           BADFILE{"FolderIsAFile", MakeFolderAFile},
                                           BADFILE{"MalformedValues", MakeBadValues}),
                         [](const auto& row) { return std::string(row.param.pszName); });

} // namespace
