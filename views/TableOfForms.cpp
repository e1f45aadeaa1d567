#include "views/TableOfForms.h"

#include "views/FormBlank.h"
#include "views/FormMemData.h"
#include "views/ScanNumber.h"

CTableOfForms g_TableOfForms;

CTableOfForms::CTableOfForms()
{
    m_Forms.Add(new FORMTABLE{QString(), RUNTIME_CLASS(CFormBlank)});
    m_Forms.Add(new FORMTABLE{QString(), RUNTIME_CLASS(CFormMemData)});
}

QString CTableOfForms::GetName(int nIndex) const
{
    const FORMTABLE* pEntry = m_Forms.GetAt(nIndex);
    return pEntry ? pEntry->strName : QString();
}

const CRuntimeClass* CTableOfForms::GetViewClass(int nIndex) const
{
    const FORMTABLE* pEntry = m_Forms.GetAt(nIndex);
    if (!pEntry)
        pEntry = m_Forms.GetAt(0);
    return pEntry->pViewClass;
}

const CRuntimeClass* CTableOfForms::FindViewClass(const QString& strText) const
{
    long n = -1;
    if (ScanLong(strText, n) && n >= 0)
        return m_Forms.GetAt(1)->pViewClass;
    return m_Forms.GetAt(0)->pViewClass;
}
