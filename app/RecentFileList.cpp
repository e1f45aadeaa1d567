#include "app/RecentFileList.h"

#include "platform/registry/RegApi.h"

#include <QFileInfo>

CRecentFileList::CRecentFileList(const QString& strSection, int nSize)
    : m_strSection(strSection), m_nSize(nSize)
{
}

namespace {

// Paths may be longer than the 255 bytes the program's own settings are read
// with, so the list reads its values at their full size.
QString ReadText(HKEY hKey, const QString& strName)
{
    DWORD dwType = REG_NONE;
    DWORD cbData = 0;
    if (RegQueryValueExW(hKey, strName, &dwType, nullptr, &cbData) != ERROR_SUCCESS || dwType != REG_SZ)
        return QString();
    QByteArray data(static_cast<qsizetype>(cbData), '\0');
    if (RegQueryValueExW(hKey, strName, &dwType, reinterpret_cast<BYTE*>(data.data()), &cbData) !=
        ERROR_SUCCESS)
        return QString();
    QString str = QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()), cbData / 2);
    const int nNul = str.indexOf(QChar(0));
    return nNul >= 0 ? str.left(nNul) : str;
}

} // namespace

void CRecentFileList::ReadList()
{
    m_Files.clear();
    HKEY hKey = INVALID_HKEY;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_strSection, REG_OPTION_NON_VOLATILE, KEY_READ, &hKey, nullptr) !=
        ERROR_SUCCESS)
        return;
    for (int i = 1; i <= m_nSize; ++i) {
        const QString strPath = ReadText(hKey, QStringLiteral("File%1").arg(i));
        if (!strPath.isEmpty() && !m_Files.contains(strPath))
            m_Files.append(strPath);
    }
    RegCloseKey(hKey);
}

void CRecentFileList::WriteList() const
{
    HKEY hKey = INVALID_HKEY;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, m_strSection, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return;
    for (int i = 1; i <= m_nSize; ++i) {
        const QString strPath = m_Files.value(i - 1);
        RegSetValueExW(hKey, QStringLiteral("File%1").arg(i), REG_SZ,
                       reinterpret_cast<const BYTE*>(strPath.utf16()),
                       static_cast<DWORD>(strPath.size() * 2));
    }
    RegCloseKey(hKey);
}

void CRecentFileList::Add(const QString& strPath)
{
    const QString strAbsolute = QFileInfo(strPath).absoluteFilePath();
    m_Files.removeAll(strAbsolute);
    m_Files.prepend(strAbsolute);
    while (m_Files.size() > m_nSize)
        m_Files.removeLast();
}
