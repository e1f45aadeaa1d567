#include "platform/framework/View.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/SplitterWnd.h"
#include "platform/framework/WinApp.h"

CView::CView(QWidget* pParent) : QWidget(pParent)
{
    // A click into the view makes it the frame's active view (see CFrameWnd);
    // the view itself takes the focus only when it has no control that does.
    setFocusPolicy(Qt::ClickFocus);
}

CView::~CView() = default;

bool CView::Create(QWidget* pParent, const CCreateContext& context)
{
    setParent(pParent);
    m_pDocument = context.m_pCurrentDoc;
    m_pFrame = context.m_pCurrentFrame;
    return true;
}

void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0);
}

void CView::OnUpdate(CView*, long) {}

void CView::PostInitialUpdate()
{
    AfxPostCall(this, [this] { OnInitialUpdate(); });
}

void CView::SetFocusToView()
{
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* pChild : children) {
        if (pChild->isVisibleTo(this) && pChild->isEnabled() && (pChild->focusPolicy() & Qt::TabFocus)) {
            pChild->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    setFocus(Qt::OtherFocusReason);
}

CView* CView::GetSiblingPane(int nCol) const
{
    const auto* pSplitter = qobject_cast<const CSplitterWnd*>(parentWidget());
    return pSplitter ? pSplitter->GetPane(0, nCol) : nullptr;
}

CView* FindParentView(QWidget* pWidget)
{
    for (QWidget* p = pWidget; p; p = p->parentWidget()) {
        if (auto* pView = qobject_cast<CView*>(p))
            return pView;
        if (p->isWindow())
            break;
    }
    return nullptr;
}
