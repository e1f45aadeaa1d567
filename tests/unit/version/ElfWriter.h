#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstring>

// A minimal ELF64 little-endian file with one data section and the section
// name table: enough for the version reader, which looks only at sections.
inline QByteArray MakeElf(const char* pszSection, const QByteArray& data)
{
    const QByteArray names = QByteArray(1, '\0') + pszSection + '\0' + ".shstrtab" + '\0';
    const std::uint64_t nNamesOffset = 64 + static_cast<std::uint64_t>(data.size());
    const std::uint64_t nShOffset = (nNamesOffset + static_cast<std::uint64_t>(names.size()) + 7) & ~7ull;
    // "\x7f" "ELF", 64 bit, little-endian, version 1, padding.
    QByteArray elf = QByteArray::fromHex("7f454c46020101") + QByteArray(9, '\0');
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
    elf += data + names;
    elf.append(QByteArray(static_cast<int>(nShOffset) - elf.size(), '\0'));
    // Per section: name, type, flags, address, offset, size, link, info, alignment, entry size.
    const std::uint64_t sections[3][4] = {
        {0, 0, 0, 0},
        {1, 1, 64, static_cast<std::uint64_t>(data.size())},
        {2 + std::strlen(pszSection), 3, nNamesOffset, static_cast<std::uint64_t>(names.size())}};
    for (const auto& s : sections)
        put({{s[0], 4}, {s[1], 4}, {0, 8}, {0, 8}, {s[2], 8}, {s[3], 8}, {0, 4}, {0, 4}, {1, 8}, {0, 8}});
    return elf;
}
