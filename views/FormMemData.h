#pragma once

#include "views/MemDataPane.h"
#include "views/ValidateFormView.h"

class CLeftView;
class CVaultlineDoc;

// The right-hand form while a store memory is selected: every setting of
// that one record as a read-only table of 36 rows, group and header rows in
// the highlight colours. The record changes only through Paste As Overwrite,
// New, Open and a download, after each of which the form is refilled.
class CFormMemData : public CValidateFormView
{
    Q_OBJECT

public:
    explicit CFormMemData(CVaultlineDoc& doc);

    // Writes the values of record m_nMemoryIndex into the list.
    void FillList();

    QString GetToolTipText(unsigned nId) override;
    bool ValidateAll() override;

    CMemDataPane& GetList() { return m_List; }

protected:
    QWidget* CreateControl(const DLGITEMTEMPLATE& item) override;
    // The first call builds the list's rows; every later one fills and
    // shows it. The splitter sends the first right after creating the form,
    // the main window posts the second; the document and the transfer dialog
    // call it again to refresh the values.
    void OnInitialUpdate() override;
    void OnSize() override;

private:
    void BuildRows();
    // The tree beside this form, which Copy and Paste act on.
    CLeftView* LeftPane() const;

    CVaultlineDoc& m_Doc;
    CMemDataPane m_List;
    bool m_bListBuilt = false;
};
