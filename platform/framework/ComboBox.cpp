#include "platform/framework/ComboBox.h"

CComboBox::CComboBox(QWidget* pParent) : QComboBox(pParent)
{
    setEditable(false);
}

int CComboBox::AddString(const QString& str)
{
    int nIndex = count();
    if (m_bSorted) {
        nIndex = 0;
        while (nIndex < count() && QString::compare(itemText(nIndex), str, Qt::CaseInsensitive) <= 0)
            ++nIndex;
    }
    // QComboBox selects the first entry an empty list gets; a template's
    // list selects only what its owner asks for.
    const int nSelected = currentIndex();
    insertItem(nIndex, str);
    setCurrentIndex(nSelected < 0 ? -1 : (nSelected >= nIndex ? nSelected + 1 : nSelected));
    return nIndex;
}

int CComboBox::SelectString(const QString& strPrefix)
{
    for (int i = 0; i < count(); ++i) {
        if (itemText(i).startsWith(strPrefix, Qt::CaseInsensitive)) {
            setCurrentIndex(i);
            return i;
        }
    }
    return -1;
}

void CComboBox::showPopup()
{
    emit DropDown();
    QComboBox::showPopup();
}
