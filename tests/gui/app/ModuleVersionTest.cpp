#include "tests/unit/version/ElfWriter.h"

#include "platform/version/ModuleVersion.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <tuple>

namespace {

// The version block of the built program, and what --version prints of it.
TEST(ModuleVersionTest, TheBuiltProgramCarriesItsVersionAndPrintsIt)
{
    const QString strProgram = BinaryDir() + QStringLiteral("/app/vaultline");
    CModuleVersion ver;
    ASSERT_TRUE(ver.GetFileVersionInfo(strProgram));
    EXPECT_EQ(ver.dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(ver.dwFileVersionLS, 0x00000017u);
    EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QStringLiteral("2, 2, 0, 23"));
    EXPECT_EQ(ver.GetValue(QStringLiteral("ProductVersion")), QStringLiteral("2, 2, 0, 0"));

    QProcess proc;
    proc.start(strProgram, {QStringLiteral("--version")});
    ASSERT_TRUE(proc.waitForFinished(30000));
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_EQ(proc.readAllStandardOutput().trimmed(), QByteArray("vaultline 2, 2, 0, 23"));
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
        ASSERT_TRUE(WriteFile(strPath, MakeElf(VERSION_SECTION_NAME, BuildVersionBlock(data))));

        CModuleVersion ver;
        EXPECT_EQ(ver.GetFileVersionInfo(strPath), pszExpected != nullptr) << n;
        EXPECT_EQ(ver.GetValue(QStringLiteral("FileVersion")), QString::fromLatin1(pszExpected)) << n;
    }
}

} // namespace
