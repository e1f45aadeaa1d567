#include "platform/text/TextTable.h"

CTextTable::CTextTable(const TEXTENTRY* pEntries, std::size_t nCount)
{
    m_Texts.reserve(static_cast<qsizetype>(nCount));
    for (std::size_t i = 0; i < nCount; ++i) {
        m_Texts.insert(pEntries[i].nId, QString::fromUtf16(pEntries[i].pszText));
        m_Ids.append(pEntries[i].nId);
    }
}

QString CTextTable::Text(unsigned nId) const
{
    return m_Texts.value(nId);
}
