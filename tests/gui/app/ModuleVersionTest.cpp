#include "tests/unit/version/ElfWriter.h"

#include "app/ModuleVersion.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

QString ProgramPath()
{
    return BinaryDir() + QStringLiteral("/app/vaultline");
}

TEST(ModuleVersionTest, TheBuiltProgramCarriesItsVersion)
{
    CModuleVersion ver;
    ASSERT_TRUE(ver.GetFileVersionInfo(ProgramPath()));
    EXPECT_EQ(ver.dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(ver.dwFileVersionLS, 0x00000017u);
    EXPECT_EQ(ver.dwProductVersionLS, 0u);
    EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QStringLiteral("2, 2, 0, 23"));
    EXPECT_EQ(ver.GetValue(QStringLiteral("ProductVersion")), QStringLiteral("2, 2, 0, 0"));
}

TEST(ModuleVersionTest, VersionOptionPrintsTheSameValue)
{
    QProcess proc;
    proc.start(ProgramPath(), {QStringLiteral("--version")});
    ASSERT_TRUE(proc.waitForFinished(30000));
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(proc.readAllStandardOutput()).trimmed(),
              QStringLiteral("vaultline 2, 2, 0, 23"));
}

// A block whose string table is written for code page 1252 and which has no
// translation table: the reader must look in ....04e4.
TEST(ModuleVersionTest, WithoutTranslationTableCodePage1252IsQueried)
{
    QTemporaryDir dir;
    const struct
    {
        const char* pszTable;
        const char* pszExpected;
    } cases[] = {
        {"000004e4", "3, 1, 0, 7"}, // found under code page 1252 (language 0)
        {"040904b0", ""},           // a Unicode table is not what is asked for
    };
    for (const auto& c : cases) {
        VERSIONDATA data{};
        data.fixed.dwSignature = VS_FFI_SIGNATURE;
        data.strStringTable = QString::fromLatin1(c.pszTable);
        data.strings = {{QStringLiteral("FileVersion"), QStringLiteral("3, 1, 0, 7")}};
        const QString strPath = dir.filePath(QString::fromLatin1(c.pszTable));
        ASSERT_TRUE(WriteFile(strPath, MakeElf(VERSION_SECTION_NAME, BuildVersionBlock(data))));

        CModuleVersion ver;
        ASSERT_TRUE(ver.GetFileVersionInfo(strPath)) << c.pszTable;
        EXPECT_EQ(ver.GetValuePath(QStringLiteral("FileVersion")),
                  QStringLiteral("\\StringFileInfo\\000004e4\\FileVersion"));
        EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QString::fromLatin1(c.pszExpected))
            << c.pszTable;
    }
}

TEST(ModuleVersionTest, NoBlockOrWrongSignatureGivesNoValue)
{
    QTemporaryDir dir;
    VERSIONDATA data{};
    data.fixed.dwSignature = 0x12345678u;
    data.strStringTable = QStringLiteral("040904b0");
    const QString strWrong = dir.filePath(QStringLiteral("wrong"));
    const QString strNone = dir.filePath(QStringLiteral("none"));
    ASSERT_TRUE(WriteFile(strWrong, MakeElf(VERSION_SECTION_NAME, BuildVersionBlock(data))));
    ASSERT_TRUE(WriteFile(strNone, MakeElf(".data", QByteArray(64, 'x'))));
    CModuleVersion ver;
    EXPECT_FALSE(ver.GetFileVersionInfo(strWrong));
    EXPECT_FALSE(ver.GetFileVersionInfo(strNone));
    EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QString());
}

} // namespace
