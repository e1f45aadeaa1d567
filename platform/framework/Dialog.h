#pragma once

#include "platform/framework/DialogTemplate.h"

#include <QDialog>

// Result codes of a dialog, which are the identifiers of its OK and Cancel
// buttons.
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#endif

// A dialog built from a dialog template. Its controls are created when the
// dialog is first run (so derived classes can supply their own control
// classes through CreateControl), then OnInitDialog fills them. The buttons
// with identifier 1 and 2 run OnOK and OnCancel; Escape and the close box run
// OnCancel as well. DoModal returns what EndDialog was given.
class CDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CDialog(const DLGTEMPLATE& tpl, QWidget* pParent = nullptr);

    int DoModal();
    // Builds the controls and runs OnInitDialog without entering the modal
    // loop; DoModal calls it, tests may call it alone. Runs once.
    void Create();
    void EndDialog(int nResult);

    QWidget* GetDlgItem(int nId) const { return FindDlgItem(this, nId); }
    QString GetDlgItemText(int nId) const { return GetWindowText(GetDlgItem(nId)); }
    void SetDlgItemText(int nId, const QString& strText) { SetWindowText(GetDlgItem(nId), strText); }

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    // Returns true to let the dialog put the focus on its first tab stop.
    virtual bool OnInitDialog();
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A push button other than OK and Cancel was clicked.
    virtual void OnButtonClicked(int nId);
    // The control for one template entry; null means the standard one.
    virtual QWidget* CreateControl(const DLGITEMTEMPLATE& item);

private:
    const DLGTEMPLATE& m_Template;
    bool m_bCreated = false;
};
