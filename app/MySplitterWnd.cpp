#include "app/MySplitterWnd.h"

#include "views/ValidateFormView.h"

CMySplitterWnd::CMySplitterWnd(QWidget* pParent) : CSplitterWnd(pParent) {}

int CMySplitterWnd::ReplaceView(int nRow, int nCol, const ViewFactory& fnCreate, int nMemoryIndex)
{
    CView* pOld = GetPane(nRow, nCol);
    if (auto* pForm = dynamic_cast<CValidateFormView*>(pOld)) {
        if (!pForm->ValidateAll())
            return 0;
    }
    // The desktop has no "snap the pointer to the default button" setting to
    // suspend while the new form is created.
    CCreateContext context;
    if (pOld) {
        context.m_pCurrentDoc = pOld->GetDocument();
        context.m_pCurrentFrame = pOld->GetParentFrame();
    }
    DeleteView(nRow, nCol);
    // A form that cannot be created leaves the pane empty; the exchange
    // still counts as done.
    CreateView(nRow, nCol, fnCreate, QSize(640, 100), &context);
    RecalcLayout();

    if (CView* pNew = GetPane(nRow, nCol)) {
        if (auto* pForm = dynamic_cast<CValidateFormView*>(pNew))
            pForm->m_nMemoryIndex = nMemoryIndex;
        pNew->SendInitialUpdate();
    }
    return 1;
}
