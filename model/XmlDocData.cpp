#include "model/XmlDocData.h"

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

bool CXmlDocData::Load(const QString&)
{
    return false;
}

bool CXmlDocData::Save(const QString&)
{
    return false;
}
