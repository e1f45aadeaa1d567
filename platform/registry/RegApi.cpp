#include "platform/registry/RegApi.h"

#include "platform/file/FileStrings.h"
#include "platform/file/RegularFile.h"
#include "platform/registry/RegistryStrings.h"

#include <QByteArray>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

// A settings file is a few KB; one beyond this is read only this far.
constexpr qint64 MAX_SETTINGS_FILE_SIZE = 1024 * 1024;

struct OPENKEY
{
    QString strGroup; // '/'-separated, as QSettings addresses groups
    // The beginning of an oversized settings file, which QSettings reads in
    // its place; nothing is written then, so the user's file stays as it is.
    std::unique_ptr<QTemporaryFile> pSnapshot;
    std::unique_ptr<QSettings> pSettings;
};

// The first MAX_SETTINGS_FILE_SIZE bytes of the file up to a line end, in a
// temporary file; null when that cannot be made.
std::unique_ptr<QTemporaryFile> Snapshot(const QString& strFile)
{
    QByteArray bytes;
    QString strReason;
    bool bLonger = false;
    auto pSnapshot = std::make_unique<QTemporaryFile>();
    if (!RegularFile::Read(strFile, MAX_SETTINGS_FILE_SIZE, bytes, strReason, bLonger) || !pSnapshot->open())
        return nullptr;
    bytes.truncate(bytes.lastIndexOf('\n') + 1);
    if (pSnapshot->write(bytes) != bytes.size() || !pSnapshot->flush())
        return nullptr;
    return pSnapshot;
}

struct KEYTABLE
{
    std::mutex mutex;
    std::map<HKEY, OPENKEY> keys;
    HKEY hNext = 1;
};

KEYTABLE& Keys()
{
    static KEYTABLE table;
    return table;
}

OPENKEY* FindKey(HKEY hKey)
{
    auto it = Keys().keys.find(hKey);
    return it == Keys().keys.end() ? nullptr : &it->second;
}

// "Software\Talvero\App" -> "Software/Talvero/App"; empty parts dropped.
QString GroupPath(const QString& strSubKey)
{
    QStringList parts =
        QString(strSubKey).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'));
    parts.removeAll(QString());
    return parts.join(QLatin1Char('/'));
}

QString ValueKey(const OPENKEY& key, const QString& strValueName)
{
    // A slash would reach into a sub-key; registry value names may hold one.
    QString strName = strValueName;
    strName.replace(QLatin1Char('/'), QLatin1String("%2F"));
    strName.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    if (strName.isEmpty())
        strName = QStringLiteral("@"); // the key's default value, as export files name it
    return key.strGroup.isEmpty() ? strName : key.strGroup + QLatin1Char('/') + strName;
}

QByteArray Utf16Bytes(const QString& str)
{
    QByteArray bytes;
    bytes.reserve(str.size() * 2);
    for (QChar c : str) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

bool StartsWithTypeTag(const QString& str)
{
    return str.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive) ||
           str.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive) ||
           str.startsWith(QLatin1String("hex("), Qt::CaseInsensitive);
}

bool ParseHexBytes(const QString& strList, QByteArray& bytes)
{
    bytes.clear();
    const QString strTrimmed = strList.trimmed();
    if (strTrimmed.isEmpty())
        return true;
    for (const QString& strPart : strTrimmed.split(QLatin1Char(','))) {
        const QString strByte = strPart.trimmed();
        bool bOk = false;
        const uint n = strByte.toUInt(&bOk, 16);
        if (!bOk || strByte.size() > 2 || n > 0xFF)
            return false;
        bytes.append(static_cast<char>(n));
    }
    return true;
}

// The stored text of a value to its registry type and bytes.
bool Decode(const QVariant& var, DWORD& dwType, QByteArray& bytes)
{
    if (var.typeId() == QMetaType::QByteArray) {
        dwType = REG_BINARY;
        bytes = var.toByteArray();
        return true;
    }
    // An unquoted text with commas comes back from the INI parser as a list.
    const QString str =
        var.typeId() == QMetaType::QStringList ? var.toStringList().join(QLatin1Char(',')) : var.toString();

    if (str.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString strHex = str.mid(6).trimmed();
        bool bOk = false;
        const uint n = strHex.toUInt(&bOk, 16);
        if (!bOk || strHex.isEmpty() || strHex.size() > 8)
            return false;
        dwType = REG_DWORD;
        bytes.resize(4);
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        return true;
    }
    if (str.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
        dwType = REG_BINARY;
        return ParseHexBytes(str.mid(4), bytes);
    }
    if (str.startsWith(QLatin1String("hex("), Qt::CaseInsensitive)) {
        const int nClose = str.indexOf(QLatin1String("):"));
        if (nClose < 0)
            return false;
        bool bOk = false;
        const uint nType = str.mid(4, nClose - 4).toUInt(&bOk, 16);
        if (!bOk)
            return false;
        dwType = nType;
        return ParseHexBytes(str.mid(nClose + 2), bytes);
    }
    dwType = REG_SZ;
    bytes = Utf16Bytes(str);
    return true;
}

QString HexList(const QByteArray& bytes)
{
    QStringList parts;
    for (char c : bytes)
        parts.append(
            QStringLiteral("%1").arg(static_cast<uint>(static_cast<BYTE>(c)), 2, 16, QLatin1Char('0')));
    return parts.join(QLatin1Char(','));
}

QString Encode(DWORD dwType, const QByteArray& bytes)
{
    if (dwType == REG_DWORD && bytes.size() == 4) {
        DWORD dw = 0;
        for (int i = 3; i >= 0; --i)
            dw = (dw << 8) | static_cast<BYTE>(bytes[i]);
        return QStringLiteral("dword:%1").arg(dw, 8, 16, QLatin1Char('0'));
    }
    if (dwType == REG_SZ && bytes.size() % 2 == 0) {
        QString str;
        str.reserve(bytes.size() / 2);
        bool bPlain = true;
        for (int i = 0; i < bytes.size(); i += 2) {
            const char16_t c =
                static_cast<char16_t>(static_cast<BYTE>(bytes[i]) | (static_cast<BYTE>(bytes[i + 1]) << 8));
            if (c == 0) {
                bPlain = false;
                break;
            }
            str.append(QChar(c));
        }
        if (bPlain && !StartsWithTypeTag(str))
            return str;
    }
    if (dwType == REG_BINARY)
        return QStringLiteral("hex:") + HexList(bytes);
    return QStringLiteral("hex(%1):").arg(dwType, 0, 16) + HexList(bytes);
}

} // namespace

QString RegistryFilePath()
{
    const QString strConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (strConfig.isEmpty())
        return QString();
    return strConfig + QStringLiteral("/vaultline/registry.ini");
}

LONG RegCreateKeyExW(HKEY hKey, const QString& strSubKey, DWORD dwOptions, REGSAM samDesired, HKEY* phkResult,
                     DWORD* pdwDisposition)
{
    if (!phkResult || dwOptions != REG_OPTION_NON_VOLATILE)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(Keys().mutex);

    QString strGroup;
    if (hKey == HKEY_CURRENT_USER) {
        strGroup = GroupPath(strSubKey);
    } else if (const OPENKEY* pParent = FindKey(hKey)) {
        strGroup = GroupPath(pParent->strGroup + QLatin1Char('/') + strSubKey);
    } else {
        return ERROR_INVALID_HANDLE;
    }

    const QString strFile = RegistryFilePath();
    if (strFile.isEmpty())
        return ERROR_ACCESS_DENIED;
    // QSettings would wait for ever on a FIFO, read a device without end and
    // replace either with a file when it writes: anything but a regular file
    // is left alone, and the program runs on its defaults.
    const QString strNotRegular = RegularFile::NotRegularReason(strFile);
    if (!strNotRegular.isEmpty()) {
        RegularFile::WarnOnce(LoadFileString(IDS_FILE_WARN_NOT_READ).arg(strFile, strNotRegular));
        return ERROR_ACCESS_DENIED;
    }
    std::unique_ptr<QTemporaryFile> pSnapshot;
    if (QFileInfo(strFile).size() > MAX_SETTINGS_FILE_SIZE) {
        pSnapshot = Snapshot(strFile);
        if (!pSnapshot)
            return ERROR_ACCESS_DENIED;
        RegularFile::WarnOnce(
            LoadRegistryString(IDS_REG_WARN_SETTINGS_TOO_LARGE).arg(strFile).arg(MAX_SETTINGS_FILE_SIZE));
    }
    auto pSettings =
        std::make_unique<QSettings>(pSnapshot ? pSnapshot->fileName() : strFile, QSettings::IniFormat);
    // A format error only means part of the file could not be parsed: what
    // could be read stays readable, and the next write replaces the file.
    if (pSettings->status() == QSettings::AccessError)
        return ERROR_ACCESS_DENIED;
    if ((samDesired & KEY_SET_VALUE) && !pSettings->isWritable())
        return ERROR_ACCESS_DENIED;

    if (pdwDisposition) {
        pSettings->beginGroup(strGroup);
        const bool bExists = !pSettings->allKeys().isEmpty();
        pSettings->endGroup();
        *pdwDisposition = bExists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    }

    const HKEY hNew = Keys().hNext++;
    Keys().keys.emplace(hNew, OPENKEY{strGroup, std::move(pSnapshot), std::move(pSettings)});
    *phkResult = hNew;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY hKey, const QString& strValueName, DWORD* pdwType, BYTE* pData, DWORD* pcbData)
{
    std::lock_guard<std::mutex> lock(Keys().mutex);
    OPENKEY* pKey = FindKey(hKey);
    if (!pKey)
        return ERROR_INVALID_HANDLE;
    if (pData && !pcbData)
        return ERROR_INVALID_PARAMETER;

    const QVariant var = pKey->pSettings->value(ValueKey(*pKey, strValueName));
    if (!var.isValid())
        return ERROR_FILE_NOT_FOUND;
    DWORD dwType = REG_NONE;
    QByteArray bytes;
    if (!Decode(var, dwType, bytes))
        return ERROR_INVALID_DATA;

    if (pdwType)
        *pdwType = dwType;
    const DWORD cbNeeded = static_cast<DWORD>(bytes.size());
    if (pcbData) {
        const DWORD cbBuffer = *pcbData;
        *pcbData = cbNeeded;
        if (pData) {
            if (cbNeeded > cbBuffer)
                return ERROR_MORE_DATA;
            if (cbNeeded > 0)
                std::memcpy(pData, bytes.constData(), cbNeeded);
        }
    }
    return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY hKey, const QString& strValueName, DWORD dwType, const BYTE* pData, DWORD cbData)
{
    std::lock_guard<std::mutex> lock(Keys().mutex);
    OPENKEY* pKey = FindKey(hKey);
    if (!pKey)
        return ERROR_INVALID_HANDLE;
    if (!pData && cbData > 0)
        return ERROR_INVALID_PARAMETER;
    if (pKey->pSnapshot || !pKey->pSettings->isWritable())
        return ERROR_ACCESS_DENIED;

    const QByteArray bytes = cbData > 0
                                 ? QByteArray(reinterpret_cast<const char*>(pData), static_cast<int>(cbData))
                                 : QByteArray();
    pKey->pSettings->setValue(ValueKey(*pKey, strValueName), Encode(dwType, bytes));
    pKey->pSettings->sync();
    return pKey->pSettings->status() == QSettings::AccessError ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey)
{
    std::lock_guard<std::mutex> lock(Keys().mutex);
    auto it = Keys().keys.find(hKey);
    if (it == Keys().keys.end())
        return ERROR_INVALID_HANDLE;
    Keys().keys.erase(it);
    return ERROR_SUCCESS;
}
