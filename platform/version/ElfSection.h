#pragma once

#include <QByteArray>
#include <QString>

// Reads the contents of the named section of an ELF file (32 or 64 bit,
// little-endian). False when the file is not such a file, has no section of
// that name, or any offset in it points outside the file.
bool ReadElfSection(const QString& strPath, const char* pszName, QByteArray* pData);
