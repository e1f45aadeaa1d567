#pragma once

#include <QByteArray>
#include <QString>

class CXmlDocData;

// The store memories of a memory file as text that people diff and scripts
// read: JSON (one object per memory, one value per line) and CSV (one row per
// memory, one column per value, RFC 4180 quoting). Both carry the memory
// file's field names and its number precision, so that reading back what was
// written gives the same memory file byte for byte.
class CMemoryTextFile
{
public:
    enum EFormat
    {
        FORMAT_JSON,
        FORMAT_CSV,
    };

    // The longest input read, as for memory files.
    static constexpr qint64 MAX_INPUT_SIZE = 32 * 1024 * 1024;

    static QByteArray Write(const CXmlDocData& data, EFormat eFormat);

    // Fills data (reset to the defaults first) from the text. On any fault
    // (syntax, unknown field, wrong type, a memory outside 0-99 or given
    // twice) returns false with a message that names the line; data is then
    // in no defined state and must not be saved.
    static bool Read(const QByteArray& bytes, EFormat eFormat, CXmlDocData& data, QString& strError);
};
