#include "platform/version/FileVersion.h"
#include "platform/version/ElfSection.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// A minimal ELF64 little-endian file with one data section and the section
// name table: enough for the version reader, which looks only at sections.
QByteArray MakeElf(const char* pszSection, const QByteArray& data)
{
    const QByteArray names = QByteArray(1, '\0') + pszSection + '\0' + ".shstrtab" + '\0';
    const std::uint64_t nNamesOffset = 64 + static_cast<std::uint64_t>(data.size());
    const std::uint64_t nShOffset = (nNamesOffset + static_cast<std::uint64_t>(names.size()) + 7) & ~7ull;
    QByteArray elf("\x7f"
                   "ELF\x02\x01\x01",
                   7); // 64 bit, little-endian, version 1
    elf.append(QByteArray(9, '\0'));
    auto put = [&elf](std::initializer_list<std::pair<std::uint64_t, int>> fields) {
        for (const auto& [n, nBytes] : fields)
            for (int i = 0; i < nBytes; ++i)
                elf.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    };
    // Executable, x86-64, version, entry, program headers, section headers,
    // flags, sizes of header, program header, count, section header, count, name table index.
    // clang-format off
    put({{2, 2}, {62, 2}, {1, 4}, {0, 8}, {0, 8}, {nShOffset, 8}, {0, 4}, {64, 2}, {56, 2}, {0, 2}, {64, 2}, {3, 2}, {2, 2}});
    // clang-format on
    elf.append(data);
    elf.append(names);
    elf.append(QByteArray(static_cast<int>(nShOffset) - elf.size(), '\0'));
    // Name, type, flags, address, offset, size, link, info, alignment, entry size.
    auto section = [&put](std::uint64_t nName, std::uint64_t nType, std::uint64_t nOffset,
                          std::uint64_t nSize) {
        // clang-format off
        put({{nName, 4}, {nType, 4}, {0, 8}, {0, 8}, {nOffset, 8}, {nSize, 8}, {0, 4}, {0, 4}, {1, 8}, {0, 8}});
        // clang-format on
    };
    section(0, 0, 0, 0);
    section(1, 1, 64, static_cast<std::uint64_t>(data.size()));
    section(2 + std::strlen(pszSection), 3, nNamesOffset, static_cast<std::uint64_t>(names.size()));
    return elf;
}

bool WriteFile(const QString& strPath, const QByteArray& data)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

QByteArray SampleBlock(bool bTranslation)
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
    const struct
    {
        const char* psz;
        bool bOk;
        std::uint32_t dwMS, dwLS;
    } cases[] = {{"2, 2, 0, 23", true, 0x00020002u, 0x00000017u},
                 {"65535,1,2,3", true, 0xFFFF0001u, 0x00020003u},
                 {"2, 2, 0", false, 0, 0},
                 {"2, 2, 0, 65536", false, 0, 0},
                 {"2, x, 0, 1", false, 0, 0},
                 {"", false, 0, 0}};
    for (const auto& c : cases) {
        std::uint32_t dwMS = 0, dwLS = 0;
        EXPECT_EQ(ParseVersionNumbers(QString::fromLatin1(c.psz), &dwMS, &dwLS), c.bOk) << c.psz;
        EXPECT_TRUE(!c.bOk || (dwMS == c.dwMS && dwLS == c.dwLS)) << c.psz;
    }
}

TEST(FileVersionTest, BlockLayoutAnswersTheStandardQueries)
{
    const QByteArray block = SampleBlock(true);
    // Root node: its length, the 52-byte fixed part, and the key; the fixed part aligned to 40.
    ASSERT_GE(block.size(), 92);
    EXPECT_EQ(static_cast<unsigned char>(block[0]) | (static_cast<unsigned char>(block[1]) << 8),
              block.size());
    EXPECT_EQ(block[2], 52);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(block.constData() + 6), 15),
              "VS_VERSION_INFO");
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, block.constData() + 40, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);

    const void* p = nullptr;
    std::uint32_t nLen = 0;
    ASSERT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\"), &p, &nLen));
    EXPECT_EQ(nLen, sizeof(VS_FIXEDFILEINFO));
    std::memcpy(&fixed, p, sizeof fixed);
    EXPECT_TRUE(fixed.dwFileVersionMS == 0x00020002u && fixed.dwFileVersionLS == 23u);
    ASSERT_TRUE(VerQueryValueW(block.constData(), QStringLiteral("\\VarFileInfo\\Translation"), &p, &nLen));
    ASSERT_EQ(nLen, 4u);
    std::uint32_t dwTranslation = 0;
    std::memcpy(&dwTranslation, p, 4);
    EXPECT_EQ(dwTranslation, 0x04B00409u);

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

    const QByteArray neutral = SampleBlock(false);
    EXPECT_EQ(Query(neutral, "\\VarFileInfo\\Translation"), "(none)");
    EXPECT_EQ(Query(neutral, "\\StringFileInfo\\000004e4\\FileVersion"), "2, 2, 0, 23");
}

TEST(FileVersionTest, ReadsTheBlockBackFromAnElfFileIntoABufferLargeEnough)
{
    QTemporaryDir dir;
    const QByteArray block = SampleBlock(true);
    const QString strPath = dir.filePath(QStringLiteral("program"));
    ASSERT_TRUE(WriteFile(strPath, MakeElf(VERSION_SECTION_NAME, block)));
    const std::uint32_t nSize = GetFileVersionInfoSizeW(strPath);
    ASSERT_EQ(nSize, static_cast<std::uint32_t>(block.size()));
    std::vector<char> buffer(nSize);
    ASSERT_TRUE(GetFileVersionInfoW(strPath, nSize, buffer.data()));
    EXPECT_EQ(QByteArray(buffer.data(), nSize), block);
    EXPECT_FALSE(GetFileVersionInfoW(strPath, nSize - 1, buffer.data())) << "refused rather than overrun";
}

TEST(FileVersionTest, FilesWithoutABlockOrBrokenOnesGiveNothing)
{
    QTemporaryDir dir;
    const QByteArray block = SampleBlock(true);
    const QByteArray elf = MakeElf(VERSION_SECTION_NAME, block);
    QByteArray wrongLength = elf;
    wrongLength[64] = wrongLength[65] =
        static_cast<char>(0xFF); // the block claims more than the section holds
    QByteArray badSectionTable = elf;
    badSectionTable[0x28] = static_cast<char>(0xF0); // section headers beyond the end
    const QByteArray files[] = {
        QByteArray(),
        QByteArray("just some text that is long enough to look at the header of it, really"),
        MakeElf(".data", block),
        elf.left(elf.size() - 40),
        badSectionTable,
        wrongLength};
    int n = 0;
    for (const QByteArray& data : files) {
        const QString strPath = dir.filePath(QString::number(n++));
        ASSERT_TRUE(WriteFile(strPath, data));
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
