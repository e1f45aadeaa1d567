#include "platform/framework/FormView.h"

CFormView::CFormView(const DLGTEMPLATE& tpl, QWidget* pParent) : CView(pParent), m_Template(tpl) {}

bool CFormView::Create(QWidget* pParent, const CCreateContext& context)
{
    if (!CView::Create(pParent, context))
        return false;
    BuildDialogControls(this, m_Template,
                        [this](const DLGITEMTEMPLATE& item) { return CreateControl(item); });
    return true;
}

QWidget* CFormView::CreateControl(const DLGITEMTEMPLATE&)
{
    return nullptr;
}
