#pragma once

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/View.h"

// A view whose content is a dialog template: the controls of the template
// laid out in dialog units, created with the view (derived classes supply
// their own control classes through CreateControl), addressed by identifier.
class CFormView : public CView
{
    Q_OBJECT

public:
    explicit CFormView(const DLGTEMPLATE& tpl, QWidget* pParent = nullptr);

    bool Create(QWidget* pParent, const CCreateContext& context) override;

    QWidget* GetDlgItem(int nId) const { return FindDlgItem(this, nId); }
    QString GetDlgItemText(int nId) const { return GetWindowText(GetDlgItem(nId)); }
    void SetDlgItemText(int nId, const QString& strText) { SetWindowText(GetDlgItem(nId), strText); }

protected:
    virtual QWidget* CreateControl(const DLGITEMTEMPLATE& item);

private:
    const DLGTEMPLATE& m_Template;
};
