#include "views/ValidatePropPage.h"

CValidatePropPage::CValidatePropPage(const DLGTEMPLATE& tpl, QWidget* pParent) : CDialog(tpl, pParent) {}

QString CValidatePropPage::GetToolTipText(unsigned)
{
    return QString();
}

bool CValidatePropPage::OnInitDialog()
{
    const bool bResult = CDialog::OnInitDialog();
    if (!m_ToolTip.IsCreated())
        m_ToolTip.Create(this, [this](unsigned nId) { return GetToolTipText(nId); });
    return bResult;
}
