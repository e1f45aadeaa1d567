#include "xmlfile/XmlFile.h"

#include "platform/com/ComError.h"
#include "platform/file/RegularFile.h"

#include <QFile>

#include <unistd.h>

#include "xmlfile/XmlText.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlmemory.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

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

// What KeepOnlyIndexed asks for, applied while the tree is being built: the
// element callbacks of libxml2's own tree builder, wrapped. Which element of
// an index is kept is decided at its start tag, that is in document order,
// as FindIndexedChildren chooses; whether it goes is decided at its end tag,
// once its subtree is known not to hold a kept one. Nothing inside a kept
// element is dropped, since lookups search its whole subtree.
class CPruning
{
public:
    CPruning(const std::string& strRoot, const std::string& strName, int nCount)
        : m_strRoot(strRoot), m_strName(strName), m_Seen(static_cast<size_t>(std::max(nCount, 0)))
    {
    }

    // The parser's reset at the start of a read clears the context's own
    // pointer for applications, so the callbacks find this object through
    // the thread instead, for as long as it lives.
    void Install(xmlParserCtxt* pCtxt)
    {
        t_pActive = this;
        pCtxt->sax->startElementNs = &CPruning::OnStart;
        pCtxt->sax->endElementNs = &CPruning::OnEnd;
    }
    ~CPruning() { t_pActive = nullptr; }
    CPruning(const CPruning&) = delete;
    CPruning& operator=(const CPruning&) = delete;

private:
    struct FRAME
    {
        xmlNode* pNode = nullptr; // the element when this one may be dropped
        bool bKeptSelf = false;   // the first element of its index
        bool bKeep = false;       // kept itself, or holds a kept element
        bool bInsideKept = false;
    };

    static CPruning& Of(void*) { return *t_pActive; }
    static thread_local CPruning* t_pActive;

    static bool Named(const xmlChar* pszLocal, const xmlChar* pszPrefix, const std::string& strName)
    {
        return !pszPrefix && xmlStrEqual(pszLocal, reinterpret_cast<const xmlChar*>(strName.c_str()));
    }

    // The Index attribute as CXmlElement reads it: decimal, leading blanks
    // and a sign allowed; false without one.
    static bool ReadIndex(xmlNode* pElement, std::int32_t& nIndex)
    {
        xmlChar* pValue = xmlGetNoNsProp(pElement, reinterpret_cast<const xmlChar*>("Index"));
        if (!pValue)
            return false;
        nIndex = XmlText::ScanLong(reinterpret_cast<const char*>(pValue), 10);
        xmlFree(pValue);
        return true;
    }

    static void OnStart(void* pCtx, const xmlChar* pszLocal, const xmlChar* pszPrefix, const xmlChar* pszUri,
                        int nNamespaces, const xmlChar** ppNamespaces, int nAttributes, int nDefaulted,
                        const xmlChar** ppAttributes)
    {
        auto* pCtxt = static_cast<xmlParserCtxt*>(pCtx);
        xmlNode* pParent = pCtxt->node;
        xmlSAX2StartElementNs(pCtx, pszLocal, pszPrefix, pszUri, nNamespaces, ppNamespaces, nAttributes,
                              nDefaulted, ppAttributes);
        CPruning& self = Of(pCtx);
        const FRAME parent = self.m_Stack.empty() ? FRAME() : self.m_Stack.back();
        FRAME frame;
        frame.bInsideKept = parent.bInsideKept || parent.bKeptSelf;
        const bool bInsideRoot = self.m_nRootDepth > 0;
        if (bInsideRoot) {
            ++self.m_nRootDepth;
        } else if (!self.m_bRootSeen && Named(pszLocal, pszPrefix, self.m_strRoot)) {
            self.m_bRootSeen = true;
            self.m_nRootDepth = 1;
        }
        // A node that could not be built leaves the parent current: never drop that.
        xmlNode* pNode = pCtxt->node != pParent ? pCtxt->node : nullptr;
        if (pNode && bInsideRoot && !frame.bInsideKept && Named(pszLocal, pszPrefix, self.m_strName)) {
            frame.pNode = pNode;
            std::int32_t nIndex = -1;
            if (ReadIndex(pNode, nIndex) && nIndex >= 0 && static_cast<size_t>(nIndex) < self.m_Seen.size() &&
                !self.m_Seen[static_cast<size_t>(nIndex)]) {
                self.m_Seen[static_cast<size_t>(nIndex)] = true;
                frame.bKeptSelf = frame.bKeep = true;
            }
        }
        self.m_Stack.push_back(frame);
    }

    static void OnEnd(void* pCtx, const xmlChar* pszLocal, const xmlChar* pszPrefix, const xmlChar* pszUri)
    {
        xmlSAX2EndElementNs(pCtx, pszLocal, pszPrefix, pszUri);
        CPruning& self = Of(pCtx);
        if (self.m_Stack.empty())
            return;
        if (self.m_nRootDepth > 0)
            --self.m_nRootDepth;
        const FRAME frame = self.m_Stack.back();
        self.m_Stack.pop_back();
        if (frame.bKeep) {
            if (!self.m_Stack.empty())
                self.m_Stack.back().bKeep = true;
        } else if (frame.pNode) {
            // The tree builder appends the next text to the last child when
            // that is a text node, with lengths it kept for another node: the
            // text before the dropped element (never read, being outside
            // every kept element) goes with it, so that the next text starts
            // a node of its own.
            xmlNode* pBefore = frame.pNode->prev;
            if (pBefore && pBefore->type == XML_TEXT_NODE) {
                xmlUnlinkNode(pBefore);
                xmlFreeNode(pBefore);
            }
            xmlUnlinkNode(frame.pNode);
            xmlFreeNode(frame.pNode);
        }
    }

    std::string m_strRoot;
    std::string m_strName;
    std::vector<bool> m_Seen;
    std::vector<FRAME> m_Stack;
    int m_nRootDepth = 0; // levels inside the first root element, while in it
    bool m_bRootSeen = false;
};

thread_local CPruning* CPruning::t_pActive = nullptr;

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
    // Refused unread when it is not a regular file (a FIFO would block for
    // ever, a device read without end) or plainly too large.
    QString strReason;
    const int fd = RegularFile::OpenForReading(m_strPath, strReason);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        ReplaceDocument(NewDocument());
        m_strLastError = fd < 0 ? strReason : file.errorString();
        return false;
    }
    if (file.size() > MAX_FILE_SIZE) {
        ReplaceDocument(NewDocument());
        m_strLastError = QStringLiteral("The file is larger than %1 MB.").arg(MAX_FILE_SIZE / (1024 * 1024));
        return false;
    }
    // The parser reads the file in pieces as it goes, so the file is never
    // held whole beside its tree; the count stops a file that grows one piece
    // beyond the limit.
    struct READER
    {
        QFile* pFile;
        qint64 nTotal = 0;
        bool bFailed = false;
        bool bTooLarge = false;
    } reader{&file};
    const auto read = [](void* pContext, char* pBuffer, int nLength) -> int {
        auto* pReader = static_cast<READER*>(pContext);
        const qint64 nRead = pReader->pFile->read(pBuffer, nLength);
        if (nRead < 0) {
            pReader->bFailed = true;
            return -1;
        }
        pReader->nTotal += nRead;
        if (pReader->nTotal > MAX_FILE_SIZE) {
            pReader->bTooLarge = true;
            return -1;
        }
        return static_cast<int>(nRead);
    };
    const auto close = [](void*) { return 0; };
    InitLibrary();
    m_strLastError.clear();
    const bool bOk = Parse([&](xmlParserCtxt* pCtxt) {
        return xmlCtxtReadIO(pCtxt, read, close, &reader, nullptr, nullptr, PARSE_OPTIONS);
    });
    if (reader.bFailed || reader.bTooLarge) {
        ReplaceDocument(NewDocument());
        m_strLastError =
            reader.bFailed
                ? file.errorString()
                : QStringLiteral("The file is larger than %1 MB.").arg(MAX_FILE_SIZE / (1024 * 1024));
        return false;
    }
    return bOk;
}

void CXmlFile::KeepOnlyIndexed(const char* pszRoot, const char* pszName, int nCount)
{
    m_strKeepRoot = pszRoot;
    m_strKeepName = pszName;
    m_nKeepCount = nCount;
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
    return Parse([&](xmlParserCtxt* pCtxt) {
        return xmlCtxtReadMemory(pCtxt, bytes.constData(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                 PARSE_OPTIONS);
    });
}

bool CXmlFile::Parse(const std::function<xmlDoc*(xmlParserCtxt*)>& fnRead)
{
    xmlParserCtxt* pCtxt = xmlNewParserCtxt();
    if (!pCtxt)
        throw _com_error(E_OUTOFMEMORY);
    std::unique_ptr<CPruning> pPruning;
    if (m_nKeepCount >= 0) {
        pPruning = std::make_unique<CPruning>(m_strKeepRoot, m_strKeepName, m_nKeepCount);
        pPruning->Install(pCtxt);
    }
    xmlDoc* pDoc = fnRead(pCtxt);
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
