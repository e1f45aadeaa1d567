#include "xmlfile/XmlElement.h"

#include "platform/com/ComError.h"
#include "xmlfile/XmlFile.h"
#include "xmlfile/XmlText.h"

#include <libxml/tree.h>
#include <libxml/xmlmemory.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

const xmlChar* X(const char* psz)
{
    return reinterpret_cast<const xmlChar*>(psz);
}

const char* C(const xmlChar* psz)
{
    return reinterpret_cast<const char*>(psz);
}

// Matches elements by their qualified name, as written in the file ("Memory",
// or "p:Memory" for one with a namespace prefix). In a parsed document every
// name is interned in the document's dictionary, so a name that is not in it
// matches nothing and one that is compares by pointer.
class CNameMatch
{
public:
    CNameMatch(const xmlDoc* pDoc, const char* pszName)
    {
        const char* pszColon = std::strchr(pszName, ':');
        if (pszColon) {
            m_strPrefix.assign(pszName, static_cast<size_t>(pszColon - pszName));
            m_pszLocal = pszColon + 1;
        } else {
            m_pszLocal = pszName;
        }
        if (pDoc && pDoc->dict) {
            m_pInterned = xmlDictExists(pDoc->dict, X(m_pszLocal), -1);
            m_bByPointer = true;
        }
    }

    bool Matches(const xmlNode* p) const
    {
        if (p->type != XML_ELEMENT_NODE)
            return false;
        if (m_bByPointer ? p->name != m_pInterned : std::strcmp(C(p->name), m_pszLocal) != 0)
            return false;
        const xmlChar* pPrefix = p->ns ? p->ns->prefix : nullptr;
        if (m_strPrefix.empty())
            return pPrefix == nullptr;
        return pPrefix && m_strPrefix == C(pPrefix);
    }

    // Nothing in the document can match.
    bool Impossible() const { return m_bByPointer && !m_pInterned; }
    const char* Local() const { return m_pszLocal; }

private:
    std::string m_strPrefix;
    const char* m_pszLocal = nullptr;
    const xmlChar* m_pInterned = nullptr;
    bool m_bByPointer = false;
};

// Next node after p in document order, not leaving the subtree of pTop and
// descending only into elements. Iterative, so nesting depth costs no stack.
xmlNode* NextInSubtree(xmlNode* p, const xmlNode* pTop)
{
    if (p->type == XML_ELEMENT_NODE && p->children)
        return p->children;
    while (p && p != pTop && !p->next)
        p = p->parent;
    if (!p || p == pTop)
        return nullptr;
    return p->next;
}

// The Index attribute read as a decimal integer, or false without one.
bool ReadIndex(xmlNode* pElement, std::int32_t& nIndex)
{
    xmlAttr* pAttr = xmlHasNsProp(pElement, X("Index"), nullptr);
    if (!pAttr)
        return false;
    if (pAttr->children && !pAttr->children->next && pAttr->children->type == XML_TEXT_NODE) {
        nIndex = XmlText::ScanLong(C(pAttr->children->content), 10);
        return true;
    }
    xmlChar* pValue = xmlNodeGetContent(reinterpret_cast<xmlNode*>(pAttr));
    nIndex = XmlText::ScanLong(pValue ? C(pValue) : "", 10);
    xmlFree(pValue);
    return true;
}

void CheckName(const char* pszName)
{
    if (!pszName || xmlValidateName(X(pszName), 0) != 0)
        throw _com_error(E_INVALIDARG, QStringLiteral("'%1' is not a valid element name.")
                                           .arg(QString::fromUtf8(pszName ? pszName : "")));
}

xmlNode* NewElement(xmlDoc* pDoc, xmlNode* pParent, const char* pszName)
{
    CheckName(pszName);
    xmlNode* pNew = xmlNewDocNode(pDoc, nullptr, X(pszName), nullptr);
    if (!pNew)
        throw _com_error(E_OUTOFMEMORY);
    if (!xmlAddChild(pParent, pNew)) {
        xmlFreeNode(pNew);
        throw _com_error(E_FAIL);
    }
    return pNew;
}

} // namespace

CXmlElement* CXmlElementPtr::operator->() const
{
    return m_p ? m_p.get() : &CXmlElement::NullHandle();
}

CXmlElement::CONTENT::~CONTENT()
{
    if (pOwned)
        xmlFree(pOwned);
}

CXmlElement::CXmlElement(CXmlFile* pFile, xmlNode* pElement) : m_pFile(pFile), m_pElement(pElement) {}

CXmlElement& CXmlElement::NullHandle()
{
    // Stateless: every operation on it returns before touching a member.
    static CXmlElement s_Null;
    return s_Null;
}

xmlNode* CXmlElement::Element() const
{
    if (!m_pElement)
        throw _com_error(E_POINTER);
    return m_pElement;
}

xmlNode* CXmlElement::FindNamed(const char* pszName) const
{
    for (const auto& [pszFound, pNode] : m_found) {
        if (std::strcmp(pszFound, pszName) == 0)
            return pNode;
    }
    xmlNode* pTop = Element();
    const CNameMatch match(pTop->doc, pszName);
    if (match.Impossible())
        return nullptr;
    for (xmlNode* p = pTop->children; p; p = NextInSubtree(p, pTop)) {
        if (match.Matches(p))
            return p;
    }
    return nullptr;
}

CXmlElementPtr CXmlElement::FindChild(const char* pszName, int nIndex) const
{
    if (IsNullHandle())
        return CXmlElementPtr();
    if (nIndex < 0 && !m_found.empty()) {
        xmlNode* p = FindNamed(pszName);
        return p ? CXmlElementPtr(std::make_unique<CXmlElement>(m_pFile, p)) : CXmlElementPtr();
    }
    xmlNode* pTop = Element();
    const CNameMatch match(pTop->doc, pszName);
    if (match.Impossible())
        return CXmlElementPtr();
    for (xmlNode* p = pTop->children; p; p = NextInSubtree(p, pTop)) {
        if (!match.Matches(p))
            continue;
        std::int32_t nRead = 0;
        if (nIndex < 0 || (ReadIndex(p, nRead) && nRead == nIndex))
            return CXmlElementPtr(std::make_unique<CXmlElement>(m_pFile, p));
    }
    return CXmlElementPtr();
}

std::vector<CXmlElementPtr> CXmlElement::FindIndexedChildren(const char* pszName, int nCount) const
{
    std::vector<CXmlElementPtr> found(static_cast<size_t>(std::max(nCount, 0)));
    if (IsNullHandle() || nCount <= 0)
        return found;
    xmlNode* pTop = Element();
    const CNameMatch match(pTop->doc, pszName);
    if (match.Impossible())
        return found;
    int nMissing = nCount;
    for (xmlNode* p = pTop->children; p && nMissing > 0; p = NextInSubtree(p, pTop)) {
        std::int32_t nRead = 0;
        if (match.Matches(p) && ReadIndex(p, nRead) && nRead >= 0 && nRead < nCount) {
            CXmlElementPtr& slot = found[static_cast<size_t>(nRead)];
            if (!slot) {
                slot = CXmlElementPtr(std::make_unique<CXmlElement>(m_pFile, p));
                --nMissing;
            }
        }
    }
    return found;
}

void CXmlElement::FindNamesAtOnce(const char* const* ppszNames, size_t nNames)
{
    if (IsNullHandle())
        return;
    m_found.clear();
    xmlNode* pTop = Element();
    std::vector<CNameMatch> matches;
    matches.reserve(nNames);
    size_t nMissing = 0;
    for (size_t i = 0; i < nNames; ++i) {
        m_found.emplace_back(ppszNames[i], nullptr);
        matches.emplace_back(pTop->doc, ppszNames[i]);
        if (!matches.back().Impossible())
            ++nMissing;
    }
    // In a parsed document a node's name is an interned pointer: a sorted list
    // of the wanted ones rejects the other elements in a few comparisons, and
    // a run of junk elements of one name in one.
    const bool bInterned = pTop->doc && pTop->doc->dict;
    std::vector<const xmlChar*> wanted;
    if (bInterned) {
        for (size_t i = 0; i < nNames; ++i)
            wanted.push_back(X(matches[i].Local()));
        for (const xmlChar*& p : wanted)
            p = xmlDictExists(pTop->doc->dict, p, -1);
        std::sort(wanted.begin(), wanted.end());
    }
    const xmlChar* pRejected = nullptr;
    for (xmlNode* p = pTop->children; p && nMissing > 0; p = NextInSubtree(p, pTop)) {
        if (p->type != XML_ELEMENT_NODE)
            continue;
        if (bInterned) {
            if (p->name == pRejected)
                continue;
            if (!std::binary_search(wanted.begin(), wanted.end(), p->name)) {
                pRejected = p->name;
                continue;
            }
        }
        for (size_t i = 0; i < nNames; ++i) {
            if (!m_found[i].second && matches[i].Matches(p)) {
                m_found[i].second = p;
                --nMissing;
            }
        }
    }
}

CXmlElementPtr CXmlElement::CreateChild(const char* pszName, int nIndex)
{
    if (IsNullHandle())
        return CXmlElementPtr();
    xmlNode* pNew = NewElement(m_pFile->Document(), Element(), pszName);
    if (nIndex >= 0 && !xmlNewProp(pNew, X("Index"), X(std::to_string(nIndex).c_str())))
        throw _com_error(E_OUTOFMEMORY);
    return CXmlElementPtr(std::make_unique<CXmlElement>(m_pFile, pNew));
}

bool CXmlElement::GetText(const char* pszName, CONTENT& content) const
{
    if (IsNullHandle())
        return false;
    xmlNode* p = FindNamed(pszName);
    if (!p)
        return false;
    xmlNode* pChild = p->children;
    if (!pChild)
        return true;
    if (!pChild->next && (pChild->type == XML_TEXT_NODE || pChild->type == XML_CDATA_SECTION_NODE)) {
        content.psz = C(pChild->content);
        return true;
    }
    content.pOwned = xmlNodeGetContent(p);
    if (!content.pOwned)
        throw _com_error(E_OUTOFMEMORY);
    content.psz = C(content.pOwned);
    return true;
}

QString CXmlElement::GetString(const char* pszName) const
{
    CONTENT content;
    if (!GetText(pszName, content))
        return QString();
    return XmlText::DecodeLineBreaks(QString::fromUtf8(content.psz));
}

float CXmlElement::GetFloat(const char* pszName, float fDefault) const
{
    CONTENT content;
    return GetText(pszName, content) ? XmlText::ScanFloat(content.psz) : fDefault;
}

bool CXmlElement::GetBool(const char* pszName, bool bDefault) const
{
    CONTENT content;
    if (!GetText(pszName, content))
        return bDefault;
    for (const char* pszWord : {"TRUE", "YES", "ON"}) {
        const size_t n = std::strlen(pszWord);
        if (xmlStrncasecmp(X(content.psz), X(pszWord), static_cast<int>(n)) == 0)
            return true;
    }
    return XmlText::ScanLong(content.psz, 10) != 0;
}

std::int32_t CXmlElement::GetLong(const char* pszName, std::int32_t nDefault) const
{
    CONTENT content;
    if (!GetText(pszName, content))
        return nDefault;
    if (content.psz[0] == '0' && content.psz[1] == 'x')
        return XmlText::ScanLong(content.psz + 2, 16);
    return XmlText::ScanLong(content.psz, 10);
}

std::int16_t CXmlElement::GetShort(const char* pszName, std::int16_t nDefault) const
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(GetLong(pszName, nDefault)));
}

void CXmlElement::AppendValue(const char* pszName, const char* pszText, size_t nLength)
{
    xmlNode* pNew = NewElement(m_pFile->Document(), Element(), pszName);
    if (nLength == 0)
        return;
    xmlNode* pText = xmlNewDocTextLen(pNew->doc, X(pszText), static_cast<int>(nLength));
    if (!pText || !xmlAddChild(pNew, pText)) {
        xmlFreeNode(pText);
        throw _com_error(E_OUTOFMEMORY);
    }
}

void CXmlElement::SetString(const char* pszName, const QString& strValue)
{
    if (IsNullHandle())
        return;
    const QByteArray utf8 = XmlText::ReplaceNonXmlCharacters(XmlText::EncodeLineBreaks(strValue)).toUtf8();
    AppendValue(pszName, utf8.constData(), static_cast<size_t>(utf8.size()));
}

void CXmlElement::SetFloat(const char* pszName, float fValue, std::int16_t nPrecision)
{
    if (IsNullHandle())
        return;
    const std::string str = XmlText::FormatFixed(static_cast<double>(fValue), nPrecision);
    AppendValue(pszName, str.data(), str.size());
}

void CXmlElement::SetBool(const char* pszName, bool bValue, int nStyle)
{
    if (IsNullHandle())
        return;
    static const char* const s_Words[4][2] = {{"0", "1"}, {"OFF", "ON"}, {"NO", "YES"}, {"FALSE", "TRUE"}};
    const char* psz = nStyle >= 0 && nStyle < 4 ? s_Words[nStyle][bValue ? 1 : 0] : "";
    AppendValue(pszName, psz, std::strlen(psz));
}

void CXmlElement::SetShort(const char* pszName, std::int16_t nValue, bool bHex)
{
    if (IsNullHandle())
        return;
    char sz[16];
    // The 16 bits of the value: a negative one widened to 32 bits would come
    // back from the clamped reader as 0x7fffffff.
    const int n = bHex ? std::snprintf(sz, sizeof sz, "0x%04x", unsigned(static_cast<std::uint16_t>(nValue)))
                       : std::snprintf(sz, sizeof sz, "%d", int(nValue));
    AppendValue(pszName, sz, static_cast<size_t>(n));
}
