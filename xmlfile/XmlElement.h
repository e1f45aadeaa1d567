#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

struct _xmlNode;
class CXmlFile;
class CXmlElement;

// The caller's ownership of one element handle, or the null handle that a
// failed lookup gives. The null handle can still be used through ->: its
// getters return their defaults, its setters do nothing and its FindChild
// gives the null handle again, which is how missing parts of a file turn into
// defaults without a test at every step.
class CXmlElementPtr
{
public:
    CXmlElementPtr() = default;
    explicit CXmlElementPtr(std::unique_ptr<CXmlElement> p) : m_p(std::move(p)) {}

    explicit operator bool() const { return m_p != nullptr; }
    CXmlElement* operator->() const;
    CXmlElement& operator*() const { return *operator->(); }
    CXmlElement* get() const { return m_p.get(); }

private:
    std::unique_ptr<CXmlElement> m_p;
};

// A handle on one element of a CXmlFile's document. The file must outlive
// the handle. Every value lives in a child element of its own, named by the
// caller; a lookup by name finds the first descendant of that name in
// document order, wherever it sits below this element.
//
// Failures inside the document (an element name that XML does not allow, no
// memory, a document that could not be created) raise _com_error.
class CXmlElement
{
public:
    CXmlElement(CXmlFile* pFile, _xmlNode* pElement);
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;
    ~CXmlElement() = default;

    // The null handle's stand-in (see CXmlElementPtr).
    static CXmlElement& NullHandle();
    bool IsNullHandle() const { return m_pFile == nullptr; }

    // The first descendant called pszName; with nIndex >= 0 the first whose
    // Index attribute reads as nIndex (leading blanks and a sign allowed,
    // reading stops at the first non-digit, no digits read as 0). Elements
    // without Index never match a non-negative index.
    CXmlElementPtr FindChild(const char* pszName, int nIndex) const;
    // The first match for each index 0..nCount-1, as FindChild would give
    // them, found in one walk over the descendants instead of one per index.
    std::vector<CXmlElementPtr> FindIndexedChildren(const char* pszName, int nCount) const;
    // Finds the first descendant of each of these names in one walk of this
    // element; later lookups of those names on this handle (the getters,
    // FindChild with index -1) take the result instead of a walk each, so a
    // record's values cost one walk of its element whatever the shape of the
    // file (nested or shuffled elements included). The names must outlive
    // the handle.
    void FindNamesAtOnce(const char* const* ppszNames, size_t nNames);
    // Appends a new element as the last child; with nIndex >= 0 it carries
    // the attribute Index with nIndex in decimal.
    CXmlElementPtr CreateChild(const char* pszName, int nIndex);

    // Getters: the default when the handle is null or there is no such
    // element; otherwise the element's text content converted.
    // The text, with each backslash-n turned into a carriage-return/line-feed pair.
    QString GetString(const char* pszName) const;
    // A decimal number; a text that does not start with one gives NaN.
    float GetFloat(const char* pszName, float fDefault) const;
    // True for a text starting with TRUE, YES or ON in any case, or whose
    // leading decimal integer is not 0.
    bool GetBool(const char* pszName, bool bDefault) const;
    // Decimal, or hexadecimal after a leading lower-case "0x"; clamped to 32 bits.
    std::int32_t GetLong(const char* pszName, std::int32_t nDefault) const;
    // GetLong's low 16 bits as a signed value.
    std::int16_t GetShort(const char* pszName, std::int16_t nDefault) const;

    // Setters: each appends a new child element holding the value as text.
    // A carriage-return/line-feed pair is stored as backslash-n; characters
    // that XML cannot hold become U+FFFD.
    void SetString(const char* pszName, const QString& strValue);
    // "%0.*f" at nPrecision, or "NAN".
    void SetFloat(const char* pszName, float fValue, std::int16_t nPrecision);
    // Style 0 "1"/"0", 1 "ON"/"OFF", 2 "YES"/"NO", 3 "TRUE"/"FALSE"; any
    // other style an empty text.
    void SetBool(const char* pszName, bool bValue, int nStyle);
    // "%d", or with bHex "0x%04x" of the value sign-extended to 32 bits.
    void SetShort(const char* pszName, std::int16_t nValue, bool bHex);

private:
    CXmlElement() = default;

    _xmlNode* Element() const;
    _xmlNode* FindNamed(const char* pszName) const;
    // Text content in UTF-8: borrowed from the document when the element holds
    // a single text node, copied otherwise.
    struct CONTENT
    {
        const char* psz = "";
        unsigned char* pOwned = nullptr;
        CONTENT() = default;
        CONTENT(const CONTENT&) = delete;
        CONTENT& operator=(const CONTENT&) = delete;
        ~CONTENT();
    };
    // The named element's text content, or false when the handle is null or
    // there is no such element.
    bool GetText(const char* pszName, CONTENT& content) const;
    void AppendValue(const char* pszName, const char* pszText, size_t nLength);

    CXmlFile* m_pFile = nullptr;
    _xmlNode* m_pElement = nullptr;
    // What FindNamesAtOnce found: each name with its first match, or null.
    std::vector<std::pair<const char*, _xmlNode*>> m_found;
};
