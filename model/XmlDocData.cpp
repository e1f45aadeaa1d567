#include "model/XmlDocData.h"

#include "model/StoreMemFields.h"

#include "platform/com/ComError.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "xmlfile/XmlFile.h"
#include "xmlfile/XmlText.h"

#include <iterator>

namespace {

// The element names looked up inside a Memory element and inside an A, B or
// C memory, each list found in one walk of that element.
struct LOOKUPNAMES
{
    const char* memory[STOREMEM_FIELD_COUNT + 3];
    const char* abc[ABCMEM_FIELD_COUNT];
};

const LOOKUPNAMES& LookupNames()
{
    static const LOOKUPNAMES s_Names = [] {
        LOOKUPNAMES names{};
        for (int i = 0; i < STOREMEM_FIELD_COUNT; ++i)
            names.memory[i] = g_StoreMemFields[i].pszName;
        for (int i = 0; i < 3; ++i)
            names.memory[STOREMEM_FIELD_COUNT + i] = g_AbcMemNames[i];
        for (int i = 0; i < ABCMEM_FIELD_COUNT; ++i)
            names.abc[i] = g_AbcMemFields[i].pszName;
        return names;
    }();
    return s_Names;
}

void ReadRecord(const CXmlElementPtr& pMemory, STOREMEM& m)
{
    const LOOKUPNAMES& names = LookupNames();
    pMemory->FindNamesAtOnce(names.memory, std::size(names.memory));
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        switch (f.kind) {
        case FIELD_TEXT:
            m.*f.pText = pMemory->GetString(f.pszName);
            break;
        case FIELD_FLOAT:
            m.*f.pFloat = pMemory->GetFloat(f.pszName, 0);
            break;
        case FIELD_COUNTTIME:
            m.*f.pInt = pMemory->GetBool(f.pszName, false) ? 1 : 0;
            break;
        case FIELD_RESPONSE:
            m.*f.pInt = pMemory->GetShort(f.pszName, 0);
            break;
        }
    }
    for (int i = 0; i < 3; ++i) {
        // The first such element inside the memory; an Index attribute on it
        // does not matter.
        const CXmlElementPtr pAbc = pMemory->FindChild(g_AbcMemNames[i], -1);
        pAbc->FindNamesAtOnce(names.abc, std::size(names.abc));
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            m.Abc[i].*f.pField = pAbc->GetFloat(f.pszName, 0);
    }
}

void WriteRecord(CXmlElement& memory, const STOREMEM& m)
{
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        switch (f.kind) {
        case FIELD_TEXT:
            memory.SetString(f.pszName, m.*f.pText);
            break;
        case FIELD_FLOAT:
            memory.SetFloat(f.pszName, m.*f.pFloat, f.nPrecision);
            break;
        case FIELD_COUNTTIME:
            memory.SetBool(f.pszName, m.*f.pInt != 0, 2);
            break;
        case FIELD_RESPONSE:
            // The file keeps the low 16 bits, as a signed value.
            memory.SetShort(f.pszName, static_cast<std::int16_t>(static_cast<std::uint16_t>(m.*f.pInt)),
                            false);
            break;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const CXmlElementPtr pAbc = memory.CreateChild(g_AbcMemNames[i], -1);
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            pAbc->SetFloat(f.pszName, m.Abc[i].*f.pField, f.nPrecision);
    }
}

} // namespace

bool CXmlDocData::Serialize(bool bSave, const QString& strPath)
{
    return bSave ? Save(strPath) : Load(strPath);
}

void CXmlDocData::Reset()
{
    m_Container.RemoveAll();
    for (int i = 0; i < MEMORY_COUNT; ++i)
        m_Container.Add(new STOREMEM);
}

bool CXmlDocData::Load(const QString& strPath)
{
    CXmlFile file(strPath);
    // Read reads no more than this: the first Memory of each index.
    file.KeepOnlyIndexed("Memories", "Memory", m_Container.GetCount());
    return Read(file, [&] { return file.Load(); });
}

bool CXmlDocData::LoadFromBytes(const QByteArray& bytes)
{
    CXmlFile file{QString()};
    file.KeepOnlyIndexed("Memories", "Memory", m_Container.GetCount());
    return Read(file, [&] { return file.LoadFromBytes(bytes); });
}

bool CXmlDocData::Read(CXmlFile& file, const std::function<bool()>& parse)
{
    m_strLastError.clear();
    try {
        if (!parse()) {
            m_strLastError = file.GetLastError();
            return false;
        }
        const CXmlElementPtr pRoot = file.FindRoot("Memories");
        if (!pRoot) {
            m_strLastError = QStringLiteral("There is no Memories element.");
            return false;
        }
        // One walk finds the Memory element of every index, the first of each
        // in document order; a lookup per record would walk the file 100 times.
        const int nCount = m_Container.GetCount();
        const std::vector<CXmlElementPtr> memories = pRoot->FindIndexedChildren("Memory", nCount);
        for (int i = 0; i < nCount; ++i)
            ReadRecord(memories[static_cast<size_t>(i)], *m_Container.GetAt(i));
        return true;
    } catch (const _com_error& e) {
        m_strLastError = e.ErrorMessage();
        return false;
    }
}

void CXmlDocData::Write(CXmlFile& file) const
{
    const CXmlElementPtr pRoot = file.CreateRoot("Memories");
    for (int i = 0; i < m_Container.GetCount(); ++i) {
        const CXmlElementPtr pMemory = pRoot->CreateChild("Memory", i);
        WriteRecord(*pMemory, *m_Container.GetAt(i));
    }
}

bool CXmlDocData::Save(const QString& strPath)
{
    m_strLastError.clear();
    try {
        CXmlFile file(strPath);
        Write(file);
        if (!file.Save()) {
            m_strLastError = file.GetLastError();
            return false;
        }
        return true;
    } catch (const _com_error& e) {
        m_strLastError = e.ErrorMessage();
        return false;
    }
}

QByteArray CXmlDocData::ToBytes() const
{
    CXmlFile file{QString()};
    Write(file);
    return file.ToBytes();
}

QStringList CXmlDocData::NonXmlCharacters(const CStoreMemContainer& memories, int nFirst, int nLast)
{
    QStringList found;
    for (int i = nFirst; i <= nLast; ++i) {
        const STOREMEM* pMem = memories.GetAt(i);
        if (!pMem)
            continue;
        for (const STOREMEMFIELD& f : g_StoreMemFields) {
            if (f.kind != FIELD_TEXT)
                continue;
            const QString strCharacters = XmlText::NameNonXmlCharacters(pMem->*f.pText);
            if (!strCharacters.isEmpty())
                found << LoadResString(IDS_TEXT_SAVED_AS_REPLACEMENT)
                             .arg(i)
                             .arg(QLatin1String(f.pszName), strCharacters);
        }
    }
    return found;
}
