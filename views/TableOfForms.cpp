#include "views/TableOfForms.h"

#include "views/FormBlank.h"
#include "views/FormMemData.h"
#include "views/ScanNumber.h"

CTableOfForms g_TableOfForms;

CTableOfForms::CTableOfForms()
{
    m_Forms.Add(new FORMTABLE{QString(), [](CVaultlineDoc&) -> CView* { return new CFormBlank; }});
    m_Forms.Add(new FORMTABLE{QString(), [](CVaultlineDoc& doc) -> CView* { return new CFormMemData(doc); }});
}

QString CTableOfForms::GetName(int nIndex) const
{
    const FORMTABLE* pEntry = m_Forms.GetAt(nIndex);
    return pEntry ? pEntry->strName : QString();
}

CTableOfForms::FormFactory CTableOfForms::GetFormFactory(int nIndex) const
{
    const FORMTABLE* pEntry = m_Forms.GetAt(nIndex);
    if (!pEntry)
        pEntry = m_Forms.GetAt(0);
    return pEntry->pfnCreate;
}

CTableOfForms::FormFactory CTableOfForms::FindFormFactory(const QString& strText) const
{
    long n = -1;
    if (ScanLong(strText, n) && n >= 0)
        return m_Forms.GetAt(1)->pfnCreate;
    return m_Forms.GetAt(0)->pfnCreate;
}
