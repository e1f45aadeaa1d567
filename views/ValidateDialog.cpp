#include "views/ValidateDialog.h"

CValidateDialog::CValidateDialog(const DLGTEMPLATE& tpl, QWidget* pParent) : CDialog(tpl, pParent) {}

QString CValidateDialog::GetToolTipText(unsigned)
{
    return QString();
}

bool CValidateDialog::OnInitDialog()
{
    const bool bResult = CDialog::OnInitDialog();
    if (!m_ToolTip.IsCreated())
        m_ToolTip.Create(this, [this](unsigned nId) { return GetToolTipText(nId); });
    return bResult;
}
