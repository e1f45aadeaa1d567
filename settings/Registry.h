#pragma once

#include "platform/registry/RegApi.h"

#include <QString>

// One registry key opened for one operation: create it on the stack, Open it,
// read or write values, let the destructor close it. Every call keeps the
// registry's result in m_lLastError and returns it; reads that fail hand back
// the caller's default, so a missing or damaged value is never an error to
// the user.
class CRegistry
{
public:
    CRegistry() = default;
    virtual ~CRegistry();

    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Creates or opens strParent\strName (strName alone without a parent)
    // under hRoot with full access. A key opened before is closed first.
    LONG Open(const QString& strName, HKEY hRoot, const QString& strParent = QString(),
              DWORD dwOptions = REG_OPTION_NON_VOLATILE);

    // A text of at most 255 bytes (127 UTF-16 characters), ending at its first
    // NUL; anything longer, missing or unreadable gives strDefault.
    LONG ReadString(const QString& strValueName, QString& strValue, const QString& strDefault);
    // The value's first 4 bytes, whatever its type; a shorter value counts
    // from its low byte up, zero above. Failure gives dwDefault.
    LONG ReadDword(const QString& strValueName, DWORD& dwValue, DWORD dwDefault);

    // REG_SZ of exactly 2 x length bytes: no terminating NUL is written.
    LONG WriteString(const QString& strValueName, const QString& strValue);
    LONG WriteDword(const QString& strValueName, DWORD dwValue);

    HKEY m_hKey = INVALID_HKEY;
    LONG m_lLastError = ERROR_SUCCESS;
    QString m_strKeyPath;
};
