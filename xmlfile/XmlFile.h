#pragma once

#include "xmlfile/XmlElement.h"

#include <QByteArray>
#include <QString>

struct _xmlDoc;

// One XML file and its document tree, made for one load or one save. Loading
// reads the whole file before it returns; it refuses what is not well-formed
// XML, never reads external entities or DTDs nor touches the network, and
// bounds entity expansion, nesting depth and file size, so a hostile file
// fails to load instead of exhausting the machine; only regular files are
// read or written (a FIFO or a device is refused at once, never waited on or
// replaced). Saving replaces the file atomically: the old file stays whole
// when the save fails (in a read-only folder see RegularFile::Save).
class CXmlFile
{
public:
    // Files above this size are refused: a memory file is about 150 KB.
    static constexpr qint64 MAX_FILE_SIZE = 32 * 1024 * 1024;

    explicit CXmlFile(QString strPath);
    CXmlFile(const CXmlFile&) = delete;
    CXmlFile& operator=(const CXmlFile&) = delete;
    virtual ~CXmlFile();

    // Parses the file at the path into the document; false when it is missing,
    // unreadable, too large or not well-formed (the document is then empty).
    virtual bool Load();
    // Writes the document to the path as UTF-8; false when that fails.
    virtual bool Save();

    // The same as Load and Save, on bytes in memory.
    bool LoadFromBytes(const QByteArray& bytes);
    QByteArray ToBytes() const;

    // What the parser or the file system said about the last failed Load or
    // Save, for messages; empty after success.
    QString GetLastError() const { return m_strLastError; }
    const QString& GetPath() const { return m_strPath; }

    // The first element of that name anywhere in the document; null when none.
    CXmlElementPtr FindRoot(const char* pszName);
    // Creates the document's root element; a document has only one.
    CXmlElementPtr CreateRoot(const char* pszName);

private:
    friend class CXmlElement;
    // The document, or _com_error E_POINTER when it could not be created.
    _xmlDoc* Document() const;
    void ReplaceDocument(_xmlDoc* pDoc);

    QString m_strPath;
    _xmlDoc* m_pDoc = nullptr;
    QString m_strLastError;
};
