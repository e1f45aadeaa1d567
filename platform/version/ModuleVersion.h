#pragma once

#include "platform/version/FileVersion.h"

#include <QString>
#include <cstdint>
#include <memory>

// Reads the version block of a program file: its fixed part (this object's
// own first thirteen fields) and its string values by name, in the block's
// first language and code page.
class CModuleVersion : public VS_FIXEDFILEINFO
{
public:
    struct TRANSLATION
    {
        std::uint16_t wLanguage;
        std::uint16_t wCodePage;
    };

    CModuleVersion();
    virtual ~CModuleVersion();
    CModuleVersion(const CModuleVersion&) = delete;
    CModuleVersion& operator=(const CModuleVersion&) = delete;

    // Loads the block of strPath; true when it was read and its fixed part
    // carries the standard signature.
    bool GetFileVersionInfo(const QString& strPath);
    // A string value ("FileVersion"); empty when there is none.
    QString GetValue(const QString& strName) const;
    // The file version of the fixed part in dotted form ("2.2.0.23"), as the
    // other programs print theirs; empty when no block was read.
    QString GetFileVersionNumbers() const;

    // The query path of a string value, e.g. \StringFileInfo\040904b0\FileVersion.
    QString GetValuePath(const QString& strName) const;

private:
    std::unique_ptr<unsigned char[]> m_pVersionInfo;
    TRANSLATION m_translation;
};
