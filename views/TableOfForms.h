#pragma once

#include "model/AnyContainer.h"

#include <QString>

class CVaultlineDoc;
class CView;

// Which form the right-hand pane shows for a tree item: the blank form for
// the root, the memory form for a store memory. The tree item's text alone
// decides (it is the store memory's index), so the tree carries no data.
class CTableOfForms
{
public:
    // Makes a new form of the entry on the document.
    using FormFactory = CView* (*)(CVaultlineDoc& doc);

    struct FORMTABLE
    {
        QString strName;
        FormFactory pfnCreate = nullptr;
    };

    CTableOfForms();
    CTableOfForms(const CTableOfForms&) = delete;
    CTableOfForms& operator=(const CTableOfForms&) = delete;

    int GetCurrent() const { return m_nCurrent; }
    // The entry's name; empty for an index outside the table.
    QString GetName(int nIndex) const;
    // The entry's form factory; entry 0's for an index outside the table.
    FormFactory GetFormFactory(int nIndex) const;
    // The form for a tree item's text: the memory form when the text starts
    // with a non-negative number ("57", also "12abc"), otherwise the blank form.
    FormFactory FindFormFactory(const QString& strText) const;

private:
    int m_nCurrent = 0;
    CAnyContainer<FORMTABLE, 32, true> m_Forms;
};

// The one table of the program, built before the main window.
extern CTableOfForms g_TableOfForms;
