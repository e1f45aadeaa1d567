#include "tests/unit/version/ElfWriter.h"

#include "platform/version/ElfSection.h"
#include "platform/version/FileVersion.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstring>
#include <vector>

namespace {

VERSIONDATA SampleData(bool bTranslation)
{
    VERSIONDATA data{};
    data.fixed.dwSignature = VS_FFI_SIGNATURE;
    data.fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    data.fixed.dwFileType = VFT_APP;
    EXPECT_TRUE(ParseVersionNumbers(QStringLiteral("2, 2, 0, 23"), &data.fixed.dwFileVersionMS,
                                    &data.fixed.dwFileVersionLS));
    data.strStringTable = bTranslation ? QStringLiteral("040904b0") : QStringLiteral("000004e4");
    data.strings = {{QStringLiteral("FileVersion"), QStringLiteral("2, 2, 0, 23")},
                    {QStringLiteral("ProductVersion"), QStringLiteral("2, 2, 0, 0")},
                    {QStringLiteral("Comments"), QString()}};
    if (bTranslation)
        data.translations = {0x04B00409u};
    return data;
}

QString StringAt(const void* p, std::uint32_t nLen)
{
    return QString::fromUtf16(static_cast<const char16_t*>(p), nLen > 0 ? nLen - 1 : 0);
}

TEST(FileVersionTest, ParsesFourNumbersOnly)
{
    struct CASE
    {
        const char* psz;
        bool bOk;
        std::uint32_t dwMS, dwLS;
    };
    const CASE cases[] = {
        {"2, 2, 0, 23", true, 0x00020002u, 0x00000017u},
        {"2.2.0.0", true, 0x00020002u, 0u},
        {"65535,1,2,3", true, 0xFFFF0001u, 0x00020003u},
        {"2, 2, 0", false, 0, 0},
        {"2, 2, 0, 65536", false, 0, 0},
        {"2, x, 0, 1", false, 0, 0},
        {"", false, 0, 0},
    };
    for (const CASE& c : cases) {
        std::uint32_t dwMS = 0, dwLS = 0;
        EXPECT_EQ(ParseVersionNumbers(QString::fromLatin1(c.psz), &dwMS, &dwLS), c.bOk) << c.psz;
        if (c.bOk) {
            EXPECT_EQ(dwMS, c.dwMS) << c.psz;
            EXPECT_EQ(dwLS, c.dwLS) << c.psz;
        }
    }
}

TEST(FileVersionTest, BlockLayoutAnswersTheStandardQueries)
{
    const QByteArray block = BuildVersionBlock(SampleData(true));
    // Root node: its length, the 52-byte fixed part, binary type, and the key.
    ASSERT_GE(block.size(), 92);
    EXPECT_EQ(static_cast<unsigned char>(block[0]) | (static_cast<unsigned char>(block[1]) << 8),
              block.size());
    EXPECT_EQ(block[2], 52);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(block.constData() + 6), 15),
              QStringLiteral("VS_VERSION_INFO"));
    std::uint32_t dwSignature = 0;
    std::memcpy(&dwSignature, block.constData() + 40, 4); // 6 + 32 key bytes, aligned to 40
    EXPECT_EQ(dwSignature, VS_FFI_SIGNATURE);

    const void* p = nullptr;
    std::uint32_t nLen = 0;
    ASSERT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\"), &p, &nLen));
    EXPECT_EQ(nLen, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, p, sizeof fixed);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(fixed.dwFileVersionLS, 23u);

    ASSERT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\VarFileInfo\\Translation"), &p, &nLen));
    EXPECT_EQ(nLen, 4u);
    std::uint32_t dwTranslation = 0;
    std::memcpy(&dwTranslation, p, 4);
    EXPECT_EQ(dwTranslation, 0x04B00409u);

    struct QUERY
    {
        const char* pszPath;
        bool bFound;
        const char* pszValue;
    };
    const QUERY queries[] = {
        {"\\StringFileInfo\\040904b0\\FileVersion", true, "2, 2, 0, 23"},
        {"\\StringFileInfo\\040904B0\\fileversion", true, "2, 2, 0, 23"}, // keys match in any case
        {"\\StringFileInfo\\040904b0\\ProductVersion", true, "2, 2, 0, 0"},
        {"\\StringFileInfo\\040904e4\\FileVersion", false, ""},
        {"\\StringFileInfo\\040904b0\\CompanyName", false, ""},
        {"\\StringFileInfo\\040904b0", false, ""}, // a table has no value of its own
        {"\\Nothing", false, ""},
    };
    for (const QUERY& q : queries) {
        const bool bFound = VerQueryValueW(block.constData(), QString::fromLatin1(q.pszPath), &p, &nLen);
        EXPECT_EQ(bFound, q.bFound) << q.pszPath;
        if (bFound && q.bFound) {
            EXPECT_EQ(StringAt(p, nLen), QString::fromLatin1(q.pszValue)) << q.pszPath;
        }
    }
    // An empty text still has its terminating zero.
    ASSERT_TRUE(
        VerQueryValueW(block.constData(), QStringLiteral("\\StringFileInfo\\040904b0\\Comments"), &p, &nLen));
    EXPECT_EQ(nLen, 1u);
}

TEST(FileVersionTest, BlockWithoutTranslationHasNoTable)
{
    const QByteArray block = BuildVersionBlock(SampleData(false));
    const void* p = nullptr;
    std::uint32_t nLen = 0;
    EXPECT_FALSE(VerQueryValueW(block.constData(), QStringLiteral("\\VarFileInfo\\Translation"), &p, &nLen));
    EXPECT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\StringFileInfo\\000004e4\\FileVersion"),
                               &p, &nLen));
}

TEST(FileVersionTest, ReadsTheBlockBackFromAnElfFile)
{
    QTemporaryDir dir;
    const QByteArray block = BuildVersionBlock(SampleData(true));
    const QString strPath = dir.filePath(QStringLiteral("program"));
    ASSERT_TRUE(WriteFile(strPath, MakeElf(VERSION_SECTION_NAME, block)));

    const std::uint32_t nSize = GetFileVersionInfoSizeW(strPath);
    ASSERT_EQ(nSize, static_cast<std::uint32_t>(block.size()));
    std::vector<unsigned char> buffer(nSize);
    ASSERT_TRUE(GetFileVersionInfoW(strPath, nSize, buffer.data()));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buffer.data()), nSize), block);
    // A buffer smaller than the block is refused rather than overrun.
    EXPECT_FALSE(GetFileVersionInfoW(strPath, nSize - 1, buffer.data()));
}

TEST(FileVersionTest, FilesWithoutABlockOrBrokenOnesGiveNothing)
{
    QTemporaryDir dir;
    const QByteArray block = BuildVersionBlock(SampleData(true));
    const QByteArray elf = MakeElf(VERSION_SECTION_NAME, block);
    struct CASE
    {
        const char* pszName;
        QByteArray data;
    };
    QByteArray wrongLength = MakeElf(VERSION_SECTION_NAME, block);
    wrongLength[64] = static_cast<char>(0xFF); // the block claims more than the section holds
    wrongLength[65] = static_cast<char>(0xFF);
    QByteArray badSectionTable = elf;
    badSectionTable[0x28] = static_cast<char>(0xF0); // section headers beyond the end
    const CASE cases[] = {
        {"empty", QByteArray()},
        {"text", QByteArray("just some text that is long enough to look at the header of it, really")},
        {"other section", MakeElf(".data", block)},
        {"truncated", elf.left(elf.size() - 40)},
        {"bad section table", badSectionTable},
        {"block longer than section", wrongLength},
    };
    for (const CASE& c : cases) {
        const QString strPath = dir.filePath(QString::fromLatin1(c.pszName));
        ASSERT_TRUE(WriteFile(strPath, c.data));
        const std::uint32_t nSize = GetFileVersionInfoSizeW(strPath);
        std::vector<unsigned char> buffer(nSize + 16);
        const bool bRead = nSize != 0 && GetFileVersionInfoW(strPath, nSize, buffer.data());
        EXPECT_FALSE(bRead) << c.pszName;
    }
    EXPECT_EQ(GetFileVersionInfoSizeW(dir.filePath(QStringLiteral("missing"))), 0u);
}

TEST(FileVersionTest, QueriesStayInsideADamagedBlock)
{
    QByteArray block = BuildVersionBlock(SampleData(true));
    // Cut the block short by rewriting its own length: the string tables now
    // lie outside it and must not be found, however their nodes read.
    for (const int nLength : {6, 40, 92, 120}) {
        QByteArray cut = block.left(nLength);
        cut[0] = static_cast<char>(nLength & 0xFF);
        cut[1] = static_cast<char>(nLength >> 8);
        const void* p = nullptr;
        std::uint32_t nLen = 0;
        EXPECT_FALSE(VerQueryValueW(cut.constData(),
                                    QStringLiteral("\\StringFileInfo\\040904b0\\FileVersion"), &p, &nLen))
            << nLength;
    }
}

} // namespace
