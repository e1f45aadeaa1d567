#pragma once

#include "xmlfile/XmlElement.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>

struct _xmlDoc;
struct _xmlParserCtxt;

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

    // Declares, before a load, that only FindRoot(pszRoot) and
    // FindIndexedChildren(pszName, nCount) on it will be read (with lookups
    // inside what they find). Every other pszName element inside that root
    // is then dropped as soon as it has been parsed, so a file of 10,000
    // memories costs the memory of nCount of them while it loads.
    void KeepOnlyIndexed(const char* pszRoot, const char* pszName, int nCount);
    QByteArray ToBytes() const;

    // What the parser or the file system said about the last failed Load or
    // Save, for messages; empty after success.
    QString GetLastError() const { return m_strLastError; }

    // The first element of that name anywhere in the document; null when none.
    CXmlElementPtr FindRoot(const char* pszName);
    // Creates the document's root element; a document has only one.
    CXmlElementPtr CreateRoot(const char* pszName);

private:
    friend class CXmlElement;
    // The document, or _com_error E_POINTER when it could not be created.
    _xmlDoc* Document() const;
    void ReplaceDocument(_xmlDoc* pDoc);
    // Runs fnRead on a new parser context (with the pruning of
    // KeepOnlyIndexed installed) and takes its document when well-formed.
    bool Parse(const std::function<_xmlDoc*(_xmlParserCtxt*)>& fnRead);

    QString m_strPath;
    _xmlDoc* m_pDoc = nullptr;
    QString m_strLastError;
    std::string m_strKeepRoot;
    std::string m_strKeepName;
    int m_nKeepCount = -1;
};
