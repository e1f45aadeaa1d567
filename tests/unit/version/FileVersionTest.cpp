#include "platform/version/FileVersion.h"
#include "platform/version/ElfSection.h"
#include "support/FileBytes.h"
#include "tests/unit/version/ElfWriter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <vector>

namespace {

QByteArray SampleBlock()
{
    VERSIONDATA data{};
    data.fixed.dwSignature = VS_FFI_SIGNATURE;
    data.strStringTable = QStringLiteral("040904b0");
    data.strings = {{QStringLiteral("FileVersion"), QStringLiteral("2, 2, 0, 23")},
                    {QStringLiteral("ProductVersion"), QStringLiteral("2, 2, 0, 0")},
                    {QStringLiteral("Comments"), QString()}};
    data.translations = {0x04B00409u};
    return BuildVersionBlock(data);
}

// The value at strPath as text, or "(none)".
QString Query(const QByteArray& block, const char* pszPath)
{
    const void* p = nullptr;
    std::uint32_t nLen = 0;
    if (!VerQueryValueW(block.constData(), QString::fromLatin1(pszPath), &p, &nLen))
        return QStringLiteral("(none)");
    return QString::fromUtf16(static_cast<const char16_t*>(p), nLen > 0 ? nLen - 1 : 0);
}

TEST(FileVersionTest, ParsesFourNumbersOnly)
{
    // clang-format off
    const struct { const char* psz; bool bOk; std::uint32_t dwMS, dwLS; } cases[] = {
        {"2, 2, 0, 23", true, 0x00020002u, 0x00000017u}, {"65535,1,2,3", true, 0xFFFF0001u, 0x00020003u},
        {"2, 2, 0", false, 0, 0}, {"2, 2, 0, 65536", false, 0, 0}, {"2, x, 0, 1", false, 0, 0}, {"", false, 0, 0}};
    // clang-format on
    for (const auto& c : cases) {
        std::uint32_t dwMS = 0, dwLS = 0;
        EXPECT_EQ(ParseVersionNumbers(QString::fromLatin1(c.psz), &dwMS, &dwLS), c.bOk) << c.psz;
        EXPECT_TRUE(!c.bOk || (dwMS == c.dwMS && dwLS == c.dwLS)) << c.psz;
    }
}

// The program's own block and the one without translations are proved where
// the program reads them; here the queries a block answers and refuses.
TEST(FileVersionTest, BlockAnswersTheStandardQueries)
{
    const QByteArray block = SampleBlock();
    const void* p = nullptr;
    std::uint32_t nLen = 0;
    ASSERT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\VarFileInfo\\Translation"), &p, &nLen));
    EXPECT_EQ(QByteArray(static_cast<const char*>(p), static_cast<int>(nLen)),
              QByteArray("\x09\x04\xb0\x04", 4));

    const std::pair<const char*, const char*> queries[] = {
        {"\\StringFileInfo\\040904b0\\FileVersion", "2, 2, 0, 23"},
        {"\\StringFileInfo\\040904B0\\fileversion", "2, 2, 0, 23"}, // keys match in any case
        {"\\StringFileInfo\\040904b0\\ProductVersion", "2, 2, 0, 0"},
        {"\\StringFileInfo\\040904b0\\Comments", ""}, // an empty text still has its terminating zero
        {"\\StringFileInfo\\040904e4\\FileVersion", "(none)"},
        {"\\StringFileInfo\\040904b0\\CompanyName", "(none)"},
        {"\\StringFileInfo\\040904b0", "(none)"}, // a table has no value of its own
        {"\\Nothing", "(none)"}};
    for (const auto& [pszPath, pszValue] : queries)
        EXPECT_EQ(Query(block, pszPath), QString::fromLatin1(pszValue)) << pszPath;
}

// The block comes back whole from an ELF file, into a buffer large enough only;
// other and broken files give nothing.
TEST(FileVersionTest, ReadsTheBlockFromAnElfFileAndNothingFromOthers)
{
    QTemporaryDir dir;
    const QByteArray block = SampleBlock();
    const QByteArray elf = MakeElf(VERSION_SECTION_NAME, block);
    const QString strProgram = dir.filePath(QStringLiteral("program"));
    ASSERT_TRUE(WriteFileBytes(strProgram, elf));
    ASSERT_EQ(GetFileVersionInfoSizeW(strProgram), static_cast<std::uint32_t>(block.size()));
    std::vector<char> whole(block.size());
    ASSERT_TRUE(GetFileVersionInfoW(strProgram, block.size(), whole.data()));
    EXPECT_EQ(QByteArray(whole.data(), block.size()), block);
    EXPECT_FALSE(GetFileVersionInfoW(strProgram, block.size() - 1, whole.data()))
        << "refused rather than overrun";

    QByteArray wrongLength = elf, badSectionTable = elf;
    wrongLength[64] = wrongLength[65] = '\xFF'; // the block claims more than the section holds
    badSectionTable[0x28] = '\xF0';             // section headers beyond the end
    const QByteArray files[] = {
        QByteArray(),    QByteArray(80, 't'), MakeElf(".data", block), elf.left(elf.size() - 40),
        badSectionTable, wrongLength};
    int n = 0;
    for (const QByteArray& data : files) {
        const QString strPath = dir.filePath(QString::number(n++));
        ASSERT_TRUE(WriteFileBytes(strPath, data));
        const std::uint32_t nSize = GetFileVersionInfoSizeW(strPath);
        std::vector<char> buffer(nSize + 16);
        EXPECT_FALSE(nSize != 0 && GetFileVersionInfoW(strPath, nSize, buffer.data())) << "file " << n - 1;
    }
    EXPECT_EQ(GetFileVersionInfoSizeW(dir.filePath(QStringLiteral("missing"))), 0u);

    // A block whose own length cuts it short: the string tables now lie
    // outside it and must not be found, however their nodes read.
    for (const int nLength : {6, 40, 92, 120}) {
        QByteArray cut = block.left(nLength);
        cut[0] = static_cast<char>(nLength & 0xFF);
        cut[1] = static_cast<char>(nLength >> 8);
        EXPECT_EQ(Query(cut, "\\StringFileInfo\\040904b0\\FileVersion"), "(none)") << nLength;
    }
}

} // namespace
