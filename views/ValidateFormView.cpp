#include "views/ValidateFormView.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/WinApp.h"
#include "views/ValueEdit.h"

CValidateFormView::CValidateFormView(const DLGTEMPLATE& tpl, QWidget* pParent) : CFormView(tpl, pParent) {}

QString CValidateFormView::GetToolTipText(unsigned)
{
    return QString();
}

void CValidateFormView::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    if (!m_ToolTip.IsCreated()) {
        m_ToolTip.Create(this, [this](unsigned nId) { return GetToolTipText(nId); });
        for (QObject* pChild : children()) {
            if (pChild->isWidgetType()) {
                auto* pControl = static_cast<QWidget*>(pChild);
                pControl->move(pControl->x(), pControl->y() + CONTROL_OFFSET);
            }
        }
    }
    if (CFrameWnd* pFrame = GetParentFrame()) {
        if (pFrame->GetActiveView())
            pFrame->SetActiveView(this);
    }
    AfxPostCall(this, [this] { OnSize(); });
}

void CValidateFormView::resizeEvent(QResizeEvent* pEvent)
{
    CFormView::resizeEvent(pEvent);
    OnSize();
}

QString ValueEditToolTip(const QWidget* pWnd, unsigned nId)
{
    if (auto* pEdit = qobject_cast<CValueEdit*>(FindDlgItem(pWnd, static_cast<int>(nId))))
        return pEdit->GetRangeText();
    return QString();
}
