#include "platform/version/ElfSection.h"

#include <QFile>
#include <cstdint>
#include <cstring>

namespace {

// The largest section read: a version block is a few hundred bytes, and a
// corrupt header must not make us allocate gigabytes.
constexpr std::uint64_t MAX_SECTION_SIZE = 1 << 20;

std::uint64_t ReadLE(const QByteArray& data, std::uint64_t nOffset, int nBytes, bool* pbOk)
{
    if (nOffset + static_cast<std::uint64_t>(nBytes) > static_cast<std::uint64_t>(data.size())) {
        *pbOk = false;
        return 0;
    }
    std::uint64_t n = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(data[static_cast<qsizetype>(nOffset) + i]);
    return n;
}

} // namespace

bool ReadElfSection(const QString& strPath, const char* pszName, QByteArray* pData)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Section headers and names sit at the end of the file, the version
    // section anywhere: map the file rather than read it whole.
    const qint64 nFileSize = file.size();
    uchar* pMap = file.map(0, nFileSize);
    if (!pMap || nFileSize < 52)
        return false;
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(pMap), nFileSize);

    if (std::memcmp(data.constData(),
                    "\x7f"
                    "ELF",
                    4) != 0)
        return false;
    const bool b64 = data[4] == 2;
    if ((data[4] != 1 && data[4] != 2) || data[5] != 1) // class, little-endian
        return false;

    bool bOk = true;
    const std::uint64_t nShOff = ReadLE(data, b64 ? 0x28 : 0x20, b64 ? 8 : 4, &bOk);
    const std::uint64_t nShEntSize = ReadLE(data, b64 ? 0x3A : 0x2E, 2, &bOk);
    const std::uint64_t nShNum = ReadLE(data, b64 ? 0x3C : 0x30, 2, &bOk);
    const std::uint64_t nShStrNdx = ReadLE(data, b64 ? 0x3E : 0x32, 2, &bOk);
    if (!bOk || nShEntSize < (b64 ? 64u : 40u) || nShStrNdx >= nShNum)
        return false;

    auto section = [&](std::uint64_t nIndex, std::uint64_t* pnName, std::uint64_t* pnOffset,
                       std::uint64_t* pnSize) {
        const std::uint64_t nBase = nShOff + nIndex * nShEntSize;
        *pnName = ReadLE(data, nBase, 4, &bOk);
        *pnOffset = ReadLE(data, nBase + (b64 ? 0x18 : 0x10), b64 ? 8 : 4, &bOk);
        *pnSize = ReadLE(data, nBase + (b64 ? 0x20 : 0x14), b64 ? 8 : 4, &bOk);
        return bOk && *pnOffset <= static_cast<std::uint64_t>(nFileSize) &&
               *pnSize <= static_cast<std::uint64_t>(nFileSize) - *pnOffset;
    };

    std::uint64_t nName = 0, nStrOffset = 0, nStrSize = 0;
    if (!section(nShStrNdx, &nName, &nStrOffset, &nStrSize))
        return false;
    const size_t nNameLen = std::strlen(pszName);
    for (std::uint64_t i = 1; i < nShNum; ++i) {
        std::uint64_t nOffset = 0, nSize = 0;
        if (!section(i, &nName, &nOffset, &nSize))
            return false;
        if (nName >= nStrSize || nStrSize - nName < nNameLen + 1)
            continue;
        const char* pszSection = data.constData() + nStrOffset + nName;
        if (std::memcmp(pszSection, pszName, nNameLen + 1) != 0)
            continue;
        if (nSize > MAX_SECTION_SIZE)
            return false;
        *pData = QByteArray(data.constData() + nOffset, static_cast<qsizetype>(nSize));
        return true;
    }
    return false;
}
