#include "settings/Registry.h"

#include <QVector>

namespace {

// The size of the buffer string values are read into: a value longer than
// this does not fit and reads as missing.
constexpr DWORD STRING_BUFFER_BYTES = 255;

} // namespace

CRegistry::~CRegistry()
{
    RegCloseKey(m_hKey);
}

LONG CRegistry::Open(const QString& strName, HKEY hRoot, const QString& strParent, DWORD dwOptions)
{
    if (m_hKey != INVALID_HKEY) {
        RegCloseKey(m_hKey);
        m_hKey = INVALID_HKEY;
    }
    m_strKeyPath = strParent.isEmpty() ? strName : strParent + QLatin1Char('\\') + strName;
    HKEY hKey = INVALID_HKEY;
    m_lLastError = RegCreateKeyExW(hRoot, m_strKeyPath, dwOptions, KEY_ALL_ACCESS, &hKey, nullptr);
    if (m_lLastError == ERROR_SUCCESS)
        m_hKey = hKey;
    return m_lLastError;
}

LONG CRegistry::ReadString(const QString& strValueName, QString& strValue, const QString& strDefault)
{
    BYTE buffer[STRING_BUFFER_BYTES];
    DWORD cbData = sizeof(buffer);
    m_lLastError = RegQueryValueExW(m_hKey, strValueName, nullptr, buffer, &cbData);
    if (m_lLastError != ERROR_SUCCESS) {
        strValue = strDefault;
        return m_lLastError;
    }
    // Whole code units only: an odd last byte is dropped.
    QString str;
    for (DWORD i = 0; i + 1 < cbData; i += 2) {
        const char16_t c = static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
        if (c == 0)
            break;
        str.append(QChar(c));
    }
    strValue = str;
    return m_lLastError;
}

LONG CRegistry::ReadDword(const QString& strValueName, DWORD& dwValue, DWORD dwDefault)
{
    BYTE buffer[sizeof(DWORD)] = {};
    DWORD cbData = sizeof(buffer);
    m_lLastError = RegQueryValueExW(m_hKey, strValueName, nullptr, buffer, &cbData);
    if (m_lLastError != ERROR_SUCCESS) {
        dwValue = dwDefault;
        return m_lLastError;
    }
    dwValue = static_cast<DWORD>(buffer[0]) | (static_cast<DWORD>(buffer[1]) << 8) |
              (static_cast<DWORD>(buffer[2]) << 16) | (static_cast<DWORD>(buffer[3]) << 24);
    return m_lLastError;
}

LONG CRegistry::WriteString(const QString& strValueName, const QString& strValue)
{
    QVector<BYTE> data;
    data.reserve(strValue.size() * 2);
    for (QChar c : strValue) {
        data.append(static_cast<BYTE>(c.unicode() & 0xFF));
        data.append(static_cast<BYTE>(c.unicode() >> 8));
    }
    m_lLastError =
        RegSetValueExW(m_hKey, strValueName, REG_SZ, data.constData(), static_cast<DWORD>(data.size()));
    return m_lLastError;
}

LONG CRegistry::WriteDword(const QString& strValueName, DWORD dwValue)
{
    const BYTE data[sizeof(DWORD)] = {
        static_cast<BYTE>(dwValue & 0xFF), static_cast<BYTE>((dwValue >> 8) & 0xFF),
        static_cast<BYTE>((dwValue >> 16) & 0xFF), static_cast<BYTE>((dwValue >> 24) & 0xFF)};
    m_lLastError = RegSetValueExW(m_hKey, strValueName, REG_DWORD, data, sizeof(data));
    return m_lLastError;
}
