#include "platform/version/FileVersion.h"

#include "platform/version/ElfSection.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <cstring>

namespace {

constexpr std::uint16_t VERSION_TYPE_BINARY = 0;
constexpr std::uint16_t VERSION_TYPE_TEXT = 1;

size_t Align4(size_t n)
{
    return (n + 3) & ~size_t(3);
}

void Pad4(QByteArray& out)
{
    while (out.size() % 4)
        out.append('\0');
}

void AppendWord(QByteArray& out, std::uint16_t w)
{
    out.append(static_cast<char>(w & 0xFF));
    out.append(static_cast<char>(w >> 8));
}

void AppendUtf16z(QByteArray& out, const QString& str)
{
    for (const QChar ch : str)
        AppendWord(out, ch.unicode());
    AppendWord(out, 0);
}

// One node: length, value length, type, key, value, children; every part
// starts on a 32-bit boundary of the block.
QByteArray Node(const QString& strKey, std::uint16_t wType, const QByteArray& value,
                std::uint16_t wValueLength, const std::vector<QByteArray>& children)
{
    QByteArray out;
    AppendWord(out, 0);
    AppendWord(out, wValueLength);
    AppendWord(out, wType);
    AppendUtf16z(out, strKey);
    Pad4(out);
    out.append(value);
    for (const QByteArray& child : children) {
        Pad4(out);
        out.append(child);
    }
    const auto wLength = static_cast<std::uint16_t>(out.size());
    out[0] = static_cast<char>(wLength & 0xFF);
    out[1] = static_cast<char>(wLength >> 8);
    return out;
}

QByteArray TextValue(const QString& str)
{
    QByteArray out;
    AppendUtf16z(out, str);
    return out;
}

std::uint16_t ReadWord(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct NODE
{
    size_t nEnd; // offset just past the node
    std::uint16_t wValueLength;
    std::uint16_t wType;
    QString strKey;
    size_t nValue; // offset of the value
    size_t nValueBytes;
    size_t nChildren; // offset of the first child
};

// Reads the node at nOffset of a block of nSize bytes; false when any part
// of it would lie outside the block or outside its parent (nLimit).
bool ReadNode(const unsigned char* pBlock, size_t nLimit, size_t nOffset, NODE* pNode)
{
    if (nOffset + 6 > nLimit)
        return false;
    const std::uint16_t wLength = ReadWord(pBlock + nOffset);
    if (wLength < 6 || nOffset + wLength > nLimit)
        return false;
    pNode->nEnd = nOffset + wLength;
    pNode->wValueLength = ReadWord(pBlock + nOffset + 2);
    pNode->wType = ReadWord(pBlock + nOffset + 4);
    pNode->strKey.clear();
    size_t nPos = nOffset + 6;
    for (;;) {
        if (nPos + 2 > pNode->nEnd)
            return false;
        const std::uint16_t ch = ReadWord(pBlock + nPos);
        nPos += 2;
        if (ch == 0)
            break;
        pNode->strKey.append(QChar(ch));
    }
    pNode->nValue = Align4(nPos);
    pNode->nValueBytes =
        pNode->wType == VERSION_TYPE_TEXT ? size_t(pNode->wValueLength) * 2 : pNode->wValueLength;
    if (pNode->nValue + pNode->nValueBytes > pNode->nEnd) {
        // A node without value may end right after its key.
        if (pNode->nValueBytes != 0)
            return false;
        pNode->nValue = pNode->nEnd;
    }
    pNode->nChildren = Align4(pNode->nValue + pNode->nValueBytes);
    return true;
}

bool FindChild(const unsigned char* pBlock, const NODE& parent, const QString& strKey, NODE* pChild)
{
    for (size_t nOffset = parent.nChildren; nOffset + 6 <= parent.nEnd;) {
        if (!ReadNode(pBlock, parent.nEnd, nOffset, pChild))
            return false;
        if (pChild->strKey.compare(strKey, Qt::CaseInsensitive) == 0)
            return true;
        nOffset = Align4(pChild->nEnd);
    }
    return false;
}

} // namespace

bool ParseVersionNumbers(const QString& strVersion, std::uint32_t* pdwMS, std::uint32_t* pdwLS)
{
    const QStringList parts = strVersion.split(QRegularExpression(QStringLiteral("[,.]")));
    if (parts.size() != 4)
        return false;
    std::uint32_t n[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool bOk = false;
        const uint nValue = parts[i].trimmed().toUInt(&bOk);
        if (!bOk || nValue > 0xFFFF)
            return false;
        n[i] = nValue;
    }
    *pdwMS = (n[0] << 16) | n[1];
    *pdwLS = (n[2] << 16) | n[3];
    return true;
}

QByteArray BuildVersionBlock(const VERSIONDATA& data)
{
    std::vector<QByteArray> strings;
    for (const auto& [strKey, strValue] : data.strings)
        strings.push_back(Node(strKey, VERSION_TYPE_TEXT, TextValue(strValue),
                               static_cast<std::uint16_t>(strValue.size() + 1), {}));
    std::vector<QByteArray> sections;
    sections.push_back(Node(QStringLiteral("StringFileInfo"), VERSION_TYPE_TEXT, {}, 0,
                            {Node(data.strStringTable, VERSION_TYPE_TEXT, {}, 0, strings)}));
    if (!data.translations.empty()) {
        QByteArray table;
        for (const std::uint32_t dw : data.translations) {
            AppendWord(table, static_cast<std::uint16_t>(dw & 0xFFFF));
            AppendWord(table, static_cast<std::uint16_t>(dw >> 16));
        }
        sections.push_back(Node(QStringLiteral("VarFileInfo"), VERSION_TYPE_TEXT, {}, 0,
                                {Node(QStringLiteral("Translation"), VERSION_TYPE_BINARY, table,
                                      static_cast<std::uint16_t>(table.size()), {})}));
    }
    QByteArray fixed;
    const std::uint32_t* pdw = &data.fixed.dwSignature;
    for (size_t i = 0; i < sizeof(VS_FIXEDFILEINFO) / 4; ++i) {
        AppendWord(fixed, static_cast<std::uint16_t>(pdw[i] & 0xFFFF));
        AppendWord(fixed, static_cast<std::uint16_t>(pdw[i] >> 16));
    }
    return Node(QStringLiteral("VS_VERSION_INFO"), VERSION_TYPE_BINARY, fixed,
                static_cast<std::uint16_t>(fixed.size()), sections);
}

std::uint32_t GetFileVersionInfoSizeW(const QString& strPath)
{
    QByteArray block;
    if (!ReadElfSection(strPath, VERSION_SECTION_NAME, &block))
        return 0;
    return static_cast<std::uint32_t>(block.size());
}

bool GetFileVersionInfoW(const QString& strPath, std::uint32_t nSize, void* pData)
{
    QByteArray block;
    if (!pData || !ReadElfSection(strPath, VERSION_SECTION_NAME, &block) || block.size() < 6)
        return false;
    const auto* pBytes = reinterpret_cast<const unsigned char*>(block.constData());
    const std::uint16_t wLength = ReadWord(pBytes);
    // The block's own length must fit both the section and the caller's
    // buffer, so that queries never read past either.
    if (wLength < 6 || wLength > block.size() || wLength > nSize)
        return false;
    std::memcpy(pData, block.constData(), wLength);
    return true;
}

bool VerQueryValueW(const void* pBlock, const QString& strSubBlock, const void** ppBuffer,
                    std::uint32_t* puLen)
{
    if (!pBlock || !ppBuffer || !puLen)
        return false;
    const auto* pBytes = static_cast<const unsigned char*>(pBlock);
    NODE node;
    if (!ReadNode(pBytes, ReadWord(pBytes), 0, &node))
        return false;
    const QStringList parts = strSubBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& strPart : parts) {
        NODE child;
        if (!FindChild(pBytes, node, strPart, &child))
            return false;
        node = child;
    }
    if (node.nValueBytes == 0)
        return false;
    *ppBuffer = pBytes + node.nValue;
    *puLen = node.wValueLength;
    return true;
}

QString GetModuleFileNameW()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
