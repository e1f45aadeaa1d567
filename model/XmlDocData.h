#pragma once

#include "model/StoreMemContainer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class CXmlFile;

// The 100 store memories of one document, with their memory file. Load and
// Save work on the records already held and never add or remove any.
class CXmlDocData
{
public:
    static constexpr int MEMORY_COUNT = 100;

    CXmlDocData() = default;
    virtual ~CXmlDocData() = default;

    // Save when bSave, otherwise Load; the result of that call.
    virtual bool Serialize(bool bSave, const QString& strPath);
    // Reads a memory file into the held records; false when the file cannot be
    // read or has no Memories element (the records are then untouched).
    virtual bool Load(const QString& strPath);
    // Writes the held records as a memory file; false when it cannot be written,
    // in which case an existing file at strPath is left as it was.
    virtual bool Save(const QString& strPath);

    // Load from the bytes of a memory file, with the same rules.
    bool LoadFromBytes(const QByteArray& bytes);
    // The memory file that Save writes, as bytes; raises _com_error on a
    // failure inside the document.
    QByteArray ToBytes() const;

    // One line for each text of memories nFirst..nLast that holds characters a
    // memory file cannot carry (which memory, which value, which characters),
    // for instance control characters of a memo read from an instrument; empty
    // when every text can be saved as it is.
    static QStringList NonXmlCharacters(const CStoreMemContainer& memories, int nFirst, int nLast);

    // Empties the container and adds 100 default records, record i being store
    // memory i.
    void Reset();

    CStoreMemContainer& GetContainer() { return m_Container; }
    const CStoreMemContainer& GetContainer() const { return m_Container; }

    // Why the last Load or Save failed (the parser's or the file system's
    // words), for a detail line under the message; empty after success.
    QString GetLastError() const { return m_strLastError; }

private:
    bool Read(CXmlFile& file, const std::function<bool()>& parse);
    void Write(CXmlFile& file) const;

    CStoreMemContainer m_Container;
    QString m_strLastError;
};
