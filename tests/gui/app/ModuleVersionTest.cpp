#include "support/FileBytes.h"
#include "tests/unit/version/ElfWriter.h"

#include "platform/version/ModuleVersion.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <tuple>

namespace {

// The version the build defines ("2.2.0.23") in the block's text form
// ("2, 2, 0, 23"); the product version leaves out the build number.
QString BlockText(bool bProduct)
{
    QStringList numbers = QStringLiteral(VAULTLINE_VERSION).split(QLatin1Char('.'));
    if (bProduct && numbers.size() == 4)
        numbers[3] = QStringLiteral("0");
    return numbers.join(QStringLiteral(", "));
}

// The version block of the built program states the build's version.
TEST(ModuleVersionTest, TheBuiltProgramCarriesTheBuildsVersion)
{
    std::uint32_t dwMS = 0, dwLS = 0;
    ASSERT_TRUE(ParseVersionNumbers(QStringLiteral(VAULTLINE_VERSION), &dwMS, &dwLS));
    CModuleVersion ver;
    ASSERT_TRUE(ver.GetFileVersionInfo(BinaryDir() + QStringLiteral("/app/vaultline")));
    EXPECT_EQ(ver.dwFileVersionMS, dwMS);
    EXPECT_EQ(ver.dwFileVersionLS, dwLS);
    EXPECT_EQ(ver.GetFileVersionNumbers(), QStringLiteral(VAULTLINE_VERSION));
    EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), BlockText(false));
    EXPECT_EQ(ver.GetValue(QStringLiteral("ProductVersion")), BlockText(true));
}

// The three programs print the same version in the same form.
TEST(ModuleVersionTest, EveryProgramPrintsTheBuildsVersion)
{
    const char* const programs[][2] = {
        {"/app/vaultline", "vaultline"},
        {"/cli/vaultline-cli", "vaultline-cli"},
        {"/sim/dxr9k-sim", "dxr9k-sim"},
    };
    for (const auto& [pszPath, pszName] : programs) {
        QProcess proc;
        proc.start(BinaryDir() + QLatin1String(pszPath), {QStringLiteral("--version")});
        ASSERT_TRUE(proc.waitForFinished(30000)) << pszName;
        EXPECT_EQ(proc.exitCode(), 0) << pszName;
        EXPECT_EQ(proc.readAllStandardOutput().trimmed(), QByteArray(pszName) + ' ' + VAULTLINE_VERSION);
    }
}

// Without a translation table the reader looks in the code page 1252 table
// (....04e4); a Unicode table gives no value, and a wrong signature no block.
TEST(ModuleVersionTest, WithoutTranslationTableCodePage1252IsQueried)
{
    QTemporaryDir dir;
    const std::tuple<const char*, std::uint32_t, const char*> cases[] = {
        // table, signature, FileVersion read (null: no block found)
        {"000004e4", VS_FFI_SIGNATURE, "3, 1, 0, 7"},
        {"040904b0", VS_FFI_SIGNATURE, ""},
        {"040904b0", 0x12345678u, nullptr},
    };
    int n = 0;
    for (const auto& [pszTable, dwSignature, pszExpected] : cases) {
        VERSIONDATA data{};
        data.fixed.dwSignature = dwSignature;
        data.strStringTable = QString::fromLatin1(pszTable);
        data.strings = {{QStringLiteral("FileVersion"), QStringLiteral("3, 1, 0, 7")}};
        const QString strPath = dir.filePath(QString::number(n++));
        ASSERT_TRUE(WriteFileBytes(strPath, MakeElf(VERSION_SECTION_NAME, BuildVersionBlock(data))));

        CModuleVersion ver;
        EXPECT_EQ(ver.GetFileVersionInfo(strPath), pszExpected != nullptr) << n;
        EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QString::fromLatin1(pszExpected)) << n;
        // No block, no version to print.
        EXPECT_EQ(ver.GetFileVersionNumbers().isEmpty(), pszExpected == nullptr) << n;
    }
}

} // namespace
