#include "xmlfile/XmlFile.h"

#include "platform/com/ComError.h"
#include "platform/file/RegularFile.h"

#include <QFileInfo>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

#include <mutex>

namespace {

// External entities and DTDs are never fetched, from the network or from
// disk: a memory file that names one gets nothing, so a file cannot make the
// program read /etc/passwd into a memo (XXE) or wait on a remote server.
xmlParserInputPtr RefuseExternalEntity(const char*, const char*, xmlParserCtxtPtr)
{
    return nullptr;
}

void InitLibrary()
{
    static std::once_flag s_Once;
    std::call_once(s_Once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternalEntity);
    });
}

// Internal entities are substituted so that texts read whole, as any DOM
// shows them; the parser's own amplification check stops entity bombs. The
// default limits (no XML_PARSE_HUGE) cap nesting at 256 levels and a single
// text at 10 MB.
constexpr int PARSE_OPTIONS =
    XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

xmlDoc* NewDocument()
{
    InitLibrary();
    xmlDoc* pDoc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    // Element names interned once, as in a parsed document, rather than
    // copied for each of the 6,000 elements of a memory file.
    if (pDoc)
        pDoc->dict = xmlDictCreate();
    return pDoc;
}

} // namespace

CXmlFile::CXmlFile(QString strPath) : m_strPath(std::move(strPath)), m_pDoc(NewDocument()) {}

CXmlFile::~CXmlFile()
{
    if (m_pDoc)
        xmlFreeDoc(m_pDoc);
}

xmlDoc* CXmlFile::Document() const
{
    if (!m_pDoc)
        throw _com_error(E_POINTER);
    return m_pDoc;
}

void CXmlFile::ReplaceDocument(xmlDoc* pDoc)
{
    if (m_pDoc)
        xmlFreeDoc(m_pDoc);
    m_pDoc = pDoc;
}

bool CXmlFile::Load()
{
    // Refused unread when it is plainly too large; a file that grows while it
    // is read stops the read one piece beyond the limit.
    const bool bTooLarge = QFileInfo(m_strPath).size() > MAX_FILE_SIZE;
    QByteArray bytes;
    QString strReason;
    bool bLonger = false;
    if (bTooLarge || !RegularFile::Read(m_strPath, MAX_FILE_SIZE, bytes, strReason, bLonger) || bLonger) {
        ReplaceDocument(NewDocument());
        m_strLastError =
            bTooLarge || bLonger
                ? QStringLiteral("The file is larger than %1 MB.").arg(MAX_FILE_SIZE / (1024 * 1024))
                : strReason;
        return false;
    }
    return LoadFromBytes(bytes);
}

bool CXmlFile::LoadFromBytes(const QByteArray& bytes)
{
    InitLibrary();
    m_strLastError.clear();
    if (bytes.size() > MAX_FILE_SIZE) {
        ReplaceDocument(NewDocument());
        m_strLastError = QStringLiteral("The file is too large.");
        return false;
    }
    xmlParserCtxt* pCtxt = xmlNewParserCtxt();
    if (!pCtxt)
        throw _com_error(E_OUTOFMEMORY);
    xmlDoc* pDoc = xmlCtxtReadMemory(pCtxt, bytes.constData(), static_cast<int>(bytes.size()), nullptr,
                                     nullptr, PARSE_OPTIONS);
    // A recoverable error (an undeclared entity, an unbound namespace prefix)
    // still gives a tree; only a well-formed document counts as loaded.
    if (pDoc && (!pCtxt->wellFormed || !pCtxt->nsWellFormed)) {
        xmlFreeDoc(pDoc);
        pDoc = nullptr;
    }
    if (!pDoc) {
        const xmlError* pError = xmlCtxtGetLastError(pCtxt);
        m_strLastError = pError && pError->message ? QStringLiteral("line %1: %2")
                                                         .arg(pError->line)
                                                         .arg(QString::fromUtf8(pError->message).trimmed())
                                                   : QStringLiteral("not well-formed XML");
        xmlFreeParserCtxt(pCtxt);
        ReplaceDocument(NewDocument());
        return false;
    }
    xmlFreeParserCtxt(pCtxt);
    ReplaceDocument(pDoc);
    return true;
}

QByteArray CXmlFile::ToBytes() const
{
    xmlChar* pBuffer = nullptr;
    int nSize = 0;
    xmlDocDumpMemoryEnc(Document(), &pBuffer, &nSize, "UTF-8");
    if (!pBuffer)
        throw _com_error(E_OUTOFMEMORY);
    QByteArray bytes(reinterpret_cast<const char*>(pBuffer), nSize);
    xmlFree(pBuffer);
    return bytes;
}

bool CXmlFile::Save()
{
    m_strLastError.clear();
    const QByteArray bytes = ToBytes();
    // A temporary file beside the target, flushed and renamed over it; never
    // over anything but a regular file (see RegularFile::Save).
    if (!RegularFile::Save(m_strPath, bytes, m_strLastError))
        return false;
    m_strLastError.clear();
    return true;
}

CXmlElementPtr CXmlFile::FindRoot(const char* pszName)
{
    xmlDoc* pDoc = Document();
    xmlNode* pTop = reinterpret_cast<xmlNode*>(pDoc);
    CXmlElement top(this, pTop);
    return top.FindChild(pszName, -1);
}

CXmlElementPtr CXmlFile::CreateRoot(const char* pszName)
{
    xmlDoc* pDoc = Document();
    if (xmlDocGetRootElement(pDoc))
        throw _com_error(E_FAIL, QStringLiteral("Only one top level element is allowed in an XML document."));
    if (!pszName || xmlValidateName(reinterpret_cast<const xmlChar*>(pszName), 0) != 0)
        throw _com_error(E_INVALIDARG, QStringLiteral("'%1' is not a valid element name.")
                                           .arg(QString::fromUtf8(pszName ? pszName : "")));
    xmlNode* pRoot = xmlNewDocNode(pDoc, nullptr, reinterpret_cast<const xmlChar*>(pszName), nullptr);
    if (!pRoot)
        throw _com_error(E_OUTOFMEMORY);
    xmlDocSetRootElement(pDoc, pRoot);
    return CXmlElementPtr(std::make_unique<CXmlElement>(this, pRoot));
}
