#include "platform/version/ModuleVersion.h"

#include <cstring>

namespace {
// Western European (Windows): what a block without translation table is
// taken to be written in.
constexpr std::uint16_t CP_WINDOWS_1252 = 1252;
} // namespace

CModuleVersion::CModuleVersion() : VS_FIXEDFILEINFO(), m_translation{0, CP_WINDOWS_1252} {}

CModuleVersion::~CModuleVersion() = default;

bool CModuleVersion::GetFileVersionInfo(const QString& strPath)
{
    m_translation.wCodePage = CP_WINDOWS_1252;
    *static_cast<VS_FIXEDFILEINFO*>(this) = VS_FIXEDFILEINFO();
    m_pVersionInfo.reset();

    const std::uint32_t nSize = GetFileVersionInfoSizeW(strPath);
    if (nSize == 0)
        return false;
    m_pVersionInfo.reset(new unsigned char[nSize]());
    if (!GetFileVersionInfoW(strPath, nSize, m_pVersionInfo.get())) {
        m_pVersionInfo.reset();
        return false;
    }

    const void* pFixed = nullptr;
    std::uint32_t nLen = 0;
    if (!VerQueryValueW(m_pVersionInfo.get(), QStringLiteral("\\"), &pFixed, &nLen) ||
        nLen < sizeof(VS_FIXEDFILEINFO))
        return false;
    std::memcpy(static_cast<VS_FIXEDFILEINFO*>(this), pFixed, sizeof(VS_FIXEDFILEINFO));

    const void* pTranslation = nullptr;
    if (VerQueryValueW(m_pVersionInfo.get(), QStringLiteral("\\VarFileInfo\\Translation"), &pTranslation,
                       &nLen) &&
        nLen >= 4) {
        std::uint32_t dw = 0;
        std::memcpy(&dw, pTranslation, sizeof dw);
        m_translation.wLanguage = static_cast<std::uint16_t>(dw & 0xFFFF);
        m_translation.wCodePage = static_cast<std::uint16_t>(dw >> 16);
    }
    return dwSignature == VS_FFI_SIGNATURE;
}

QString CModuleVersion::GetFileVersionNumbers() const
{
    if (dwSignature != VS_FFI_SIGNATURE)
        return QString();
    return QStringLiteral("%1.%2.%3.%4")
        .arg(dwFileVersionMS >> 16)
        .arg(dwFileVersionMS & 0xFFFF)
        .arg(dwFileVersionLS >> 16)
        .arg(dwFileVersionLS & 0xFFFF);
}

QString CModuleVersion::GetValuePath(const QString& strName) const
{
    return QStringLiteral("\\StringFileInfo\\%1%2\\%3")
        .arg(m_translation.wLanguage, 4, 16, QLatin1Char('0'))
        .arg(m_translation.wCodePage, 4, 16, QLatin1Char('0'))
        .arg(strName);
}

QString CModuleVersion::GetValue(const QString& strName) const
{
    if (!m_pVersionInfo)
        return QString();
    const void* pValue = nullptr;
    std::uint32_t nLen = 0;
    if (!VerQueryValueW(m_pVersionInfo.get(), GetValuePath(strName), &pValue, &nLen))
        return QString();
    // The length counts characters with the terminating zero; the text ends at
    // the first zero whatever the length says.
    QString str;
    const auto* p = static_cast<const unsigned char*>(pValue);
    for (std::uint32_t i = 0; i < nLen; ++i) {
        const auto ch = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (ch == 0)
            break;
        str.append(QChar(ch));
    }
    return str;
}
