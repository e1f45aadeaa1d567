#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>

// A minimal ELF64 little-endian file with one data section and the section
// name table: enough for the version reader, which looks only at sections.
inline QByteArray MakeElf(const char* pszSection, const QByteArray& data)
{
    QByteArray names;
    names.append('\0');
    const int nNameOffset = static_cast<int>(names.size());
    names.append(pszSection);
    names.append('\0');
    const int nShstrOffset = static_cast<int>(names.size());
    names.append(".shstrtab");
    names.append('\0');

    auto put = [](QByteArray& out, std::uint64_t n, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
            out.append(static_cast<char>((n >> (8 * i)) & 0xFF));
    };
    const std::uint64_t nDataOffset = 64;
    const std::uint64_t nNamesOffset = nDataOffset + static_cast<std::uint64_t>(data.size());
    const std::uint64_t nShOffset = (nNamesOffset + static_cast<std::uint64_t>(names.size()) + 7) & ~7ull;

    QByteArray elf;
    elf.append("\x7f"
               "ELF",
               4);
    elf.append('\x02'); // 64 bit
    elf.append('\x01'); // little-endian
    elf.append('\x01'); // version
    elf.append(QByteArray(9, '\0'));
    put(elf, 2, 2);  // executable
    put(elf, 62, 2); // x86-64
    put(elf, 1, 4);  // version
    put(elf, 0, 8);  // entry
    put(elf, 0, 8);  // program headers
    put(elf, nShOffset, 8);
    put(elf, 0, 4);  // flags
    put(elf, 64, 2); // header size
    put(elf, 56, 2); // program header entry size
    put(elf, 0, 2);  // program header count
    put(elf, 64, 2); // section header entry size
    put(elf, 3, 2);  // section count
    put(elf, 2, 2);  // section name table index
    elf.append(data);
    elf.append(names);
    while (static_cast<std::uint64_t>(elf.size()) < nShOffset)
        elf.append('\0');
    auto section = [&](std::uint32_t nName, std::uint32_t nType, std::uint64_t nOffset, std::uint64_t nSize) {
        put(elf, nName, 4);
        put(elf, nType, 4);
        put(elf, 0, 8); // flags
        put(elf, 0, 8); // address
        put(elf, nOffset, 8);
        put(elf, nSize, 8);
        put(elf, 0, 4); // link
        put(elf, 0, 4); // info
        put(elf, 1, 8); // alignment
        put(elf, 0, 8); // entry size
    };
    section(0, 0, 0, 0);
    section(static_cast<std::uint32_t>(nNameOffset), 1, nDataOffset, static_cast<std::uint64_t>(data.size()));
    section(static_cast<std::uint32_t>(nShstrOffset), 3, nNamesOffset,
            static_cast<std::uint64_t>(names.size()));
    return elf;
}

inline bool WriteFile(const QString& strPath, const QByteArray& data)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}
