#include "model/XmlDocData.h"

#include "platform/com/ComError.h"
#include "xmlfile/XmlFile.h"

namespace {

// The values of one A/B/C memory as a file lays them out: LOW first, while
// the record keeps HIGH first. Conductances carry 6 decimals, the rest 4.
struct ABCFIELD
{
    const char* pszName;
    float ABCMEM::*pField;
    short nPrecision;
};

const ABCFIELD s_AbcFields[] = {
    {"Curr_L", &ABCMEM::Curr_L, 4}, {"Curr_M", &ABCMEM::Curr_M, 4}, {"Curr_H", &ABCMEM::Curr_H, 4},
    {"Pow_L", &ABCMEM::Pow_L, 4},   {"Pow_M", &ABCMEM::Pow_M, 4},   {"Pow_H", &ABCMEM::Pow_H, 4},
    {"Cond_L", &ABCMEM::Cond_L, 6}, {"Cond_M", &ABCMEM::Cond_M, 6}, {"Cond_H", &ABCMEM::Cond_H, 6},
    {"Volt_L", &ABCMEM::Volt_L, 4}, {"Volt_M", &ABCMEM::Volt_M, 4}, {"Volt_H", &ABCMEM::Volt_H, 4},
};

const char* const s_AbcNames[3] = {"AMem", "BMem", "CMem"};

void ReadRecord(const CXmlElementPtr& pMemory, STOREMEM& m)
{
    m.Memo = pMemory->GetString("Memo");
    m.Mode = pMemory->GetString("Mode");
    m.Vrange = pMemory->GetString("Vrange");
    m.Crange = pMemory->GetString("Crange");
    m.Curr = pMemory->GetFloat("Curr", 0);
    m.CurrProtect = pMemory->GetFloat("CurrProtect", 0);
    m.CurrProtectAction = pMemory->GetString("CurrProtectAction");
    m.Pow = pMemory->GetFloat("Pow", 0);
    m.PowProtect = pMemory->GetFloat("PowProtect", 0);
    m.PowProtectAction = pMemory->GetString("PowProtectAction");
    m.Volt = pMemory->GetFloat("Volt", 0);
    m.VoltProtect = pMemory->GetFloat("VoltProtect", 0);
    m.Cond = pMemory->GetFloat("Cond", 0);
    m.SoftStartTime = pMemory->GetFloat("SoftStartTime", 0);
    m.CountTime = pMemory->GetBool("CountTime", false) ? 1 : 0;
    m.Response = pMemory->GetShort("Response", 0);
    m.SlewRate = pMemory->GetFloat("SlewRate", 0);
    m.PulseFreq = pMemory->GetFloat("PulseFreq", 0);
    m.PulseDuty = pMemory->GetFloat("PulseDuty", 0);
    m.InputTime = pMemory->GetFloat("InputTime", 0);
    for (int i = 0; i < 3; ++i) {
        const CXmlElementPtr pAbc = pMemory->FindChild(s_AbcNames[i], -1);
        for (const ABCFIELD& f : s_AbcFields)
            m.Abc[i].*f.pField = pAbc->GetFloat(f.pszName, 0);
    }
}

void WriteRecord(CXmlElement& memory, const STOREMEM& m)
{
    memory.SetString("Memo", m.Memo);
    memory.SetString("Mode", m.Mode);
    memory.SetString("Vrange", m.Vrange);
    memory.SetString("Crange", m.Crange);
    memory.SetFloat("Curr", m.Curr, 4);
    memory.SetFloat("CurrProtect", m.CurrProtect, 4);
    memory.SetString("CurrProtectAction", m.CurrProtectAction);
    memory.SetFloat("Pow", m.Pow, 4);
    memory.SetFloat("PowProtect", m.PowProtect, 4);
    memory.SetString("PowProtectAction", m.PowProtectAction);
    memory.SetFloat("Volt", m.Volt, 4);
    memory.SetFloat("VoltProtect", m.VoltProtect, 4);
    memory.SetFloat("Cond", m.Cond, 6);
    memory.SetFloat("SoftStartTime", m.SoftStartTime, 4);
    memory.SetBool("CountTime", m.CountTime != 0, 2);
    // The file keeps the low 16 bits, as a signed value.
    memory.SetShort("Response", static_cast<std::int16_t>(static_cast<std::uint16_t>(m.Response)), false);
    memory.SetFloat("SlewRate", m.SlewRate, 4);
    memory.SetFloat("PulseFreq", m.PulseFreq, 4);
    memory.SetFloat("PulseDuty", m.PulseDuty, 4);
    memory.SetFloat("InputTime", m.InputTime, 4);
    for (int i = 0; i < 3; ++i) {
        const CXmlElementPtr pAbc = memory.CreateChild(s_AbcNames[i], -1);
        for (const ABCFIELD& f : s_AbcFields)
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
    m_strLastError.clear();
    try {
        CXmlFile file(strPath);
        if (!file.Load()) {
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

bool CXmlDocData::Save(const QString& strPath)
{
    m_strLastError.clear();
    try {
        CXmlFile file(strPath);
        const CXmlElementPtr pRoot = file.CreateRoot("Memories");
        for (int i = 0; i < m_Container.GetCount(); ++i) {
            const CXmlElementPtr pMemory = pRoot->CreateChild("Memory", i);
            WriteRecord(*pMemory, *m_Container.GetAt(i));
        }
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
