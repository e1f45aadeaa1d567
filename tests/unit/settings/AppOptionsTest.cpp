#include "app/AppOptions.h"
#include "tests/unit/settings/SettingsFixture.h"

namespace {

using AppOptions = SettingsTest;

void ExpectDefaults(const CAppOptions& options)
{
    EXPECT_EQ(options.m_strIoResourceUp, "GPIB0::1::INSTR");
    EXPECT_EQ(options.m_strIoResourceDn, "GPIB0::2::INSTR");
    EXPECT_EQ(options.m_dwShowValidateMsg, 1u);
}

TEST_F(AppOptions, FirstRunReadsDefaultsAndWritesAllThreeValuesAtExit)
{
    {
        CAppOptions options;
        ExpectDefaults(options);
        EXPECT_FALSE(QFile::exists(FilePath())) << "nothing is written before the end";
    }
    EXPECT_EQ(ReadFile(), KeyLines("IoResource_Dn=GPIB0::2::INSTR\n"
                                   "IoResource_Up=GPIB0::1::INSTR\n"
                                   "ShowValidateMsg=dword:00000001\n"));
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
        QStringLiteral("ASRL/dev/") + QString(nLength - 16, 'x') + QStringLiteral("::INSTR");
    {
        CAppOptions options;
        options.m_strIoResourceDn = strLong;
    }
    CAppOptions next;
    EXPECT_EQ(next.m_strIoResourceDn, nLength <= 127 ? strLong : QStringLiteral("GPIB0::2::INSTR"));
    EXPECT_EQ(next.m_strIoResourceUp, "GPIB0::1::INSTR");
}

INSTANTIATE_TEST_SUITE_P(Boundary, ResourceLength, ::testing::Values(127, 128));

TEST_F(AppOptions, ValuesSetOutsideAreReadAndWrittenBackUnchangedWithTheOtherKeys)
{
    const QByteArray other =
        "Local%20AppWizard-Generated%20Applications\\vaultline\\Recent%20File%20List\\File1=/tmp/a.xMem\n";
    WriteFile(KeyLines("IoResource_Up=GPIB0::7::INSTR\n"
                       "IoResource_Dn=ASRL1::INSTR\n"
                       "ShowValidateMsg=dword:00000000\n") +
              other);
    {
        CAppOptions options;
        EXPECT_EQ(options.m_dwShowValidateMsg, 0u);
        EXPECT_EQ(options.m_strIoResourceUp, "GPIB0::7::INSTR");
        EXPECT_EQ(options.m_strIoResourceDn, "ASRL1::INSTR");
    }
    const QByteArray text = ReadFile();
    for (const char* psz :
         {"Vaultline\\ShowValidateMsg=dword:00000000\n", "Vaultline\\IoResource_Up=GPIB0::7::INSTR\n",
          "Vaultline\\IoResource_Dn=ASRL1::INSTR\n", "Recent%20File%20List\\File1=/tmp/a.xMem"})
        EXPECT_TRUE(text.contains(psz)) << psz;
}

// Whatever state the settings file is in, the program starts with the
// defaults and ends without complaint.
enum EDamage
{
    GARBAGE,
    BAD_VALUES,
    DIRECTORY,
    FOLDER_IS_A_FILE
};

class DamagedSettings : public SettingsTest, public ::testing::WithParamInterface<EDamage>
{
};

TEST_P(DamagedSettings, StartWithDefaultsAndNeverStop)
{
    const QString strFolder = QFileInfo(FilePath()).absolutePath();
    QByteArray garbage("[Software\n\xff\xfe=\n=\n[[]]\x00\x01", 16);
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 131 + 7) & 0xFF);
    switch (GetParam()) {
    case GARBAGE:
        WriteFile(garbage);
        break;
    case BAD_VALUES:
        WriteFile(
            KeyLines("IoResource_Up=hex(1):zz,00\nIoResource_Dn=hex(1\nShowValidateMsg=dword:123456789\n"));
        break;
    case DIRECTORY:
        ASSERT_TRUE(QDir().mkpath(FilePath()));
        break;
    case FOLDER_IS_A_FILE:
        QFile folder(strFolder);
        ASSERT_TRUE(folder.open(QIODevice::WriteOnly));
    }
    {
        CAppOptions options;
        ExpectDefaults(options);
        options.m_strIoResourceUp = QStringLiteral("ASRL2::INSTR");
    }
    // Where the file can be replaced, the next run finds what this one kept.
    EXPECT_TRUE(!QFileInfo(FilePath()).isFile() || CAppOptions().m_strIoResourceUp == "ASRL2::INSTR");
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSettings,
                         ::testing::Values(GARBAGE, BAD_VALUES, DIRECTORY, FOLDER_IS_A_FILE));

} // namespace
