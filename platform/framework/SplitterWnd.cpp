#include "platform/framework/SplitterWnd.h"

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/FrameWnd.h"

#include <QApplication>

CSplitterWnd::CSplitterWnd(QWidget* pParent) : QSplitter(Qt::Horizontal, pParent)
{
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { RememberWidths(); });
}

void CSplitterWnd::RememberWidths()
{
    const QList<int> current = sizes();
    for (int i = 0; i < GetColumnCount(); ++i) {
        const int nIndex = m_Panes[i] ? indexOf(m_Panes[i]) : -1;
        if (nIndex >= 0 && current.value(nIndex) > 0)
            m_InitWidths[i] = current.value(nIndex);
    }
}

bool CSplitterWnd::CreateStatic(QWidget* pParent, int nRows, int nCols, int nId)
{
    if (nRows != 1 || nCols < 1)
        return false;
    if (pParent)
        setParent(pParent);
    SetDlgCtrlID(this, nId);
    m_Panes.assign(static_cast<size_t>(nCols), nullptr);
    m_InitWidths.assign(static_cast<size_t>(nCols), 0);
    return true;
}

bool CSplitterWnd::CreateView(int nRow, int nCol, const ViewFactory& fnCreate, const QSize& sizeInit,
                              const CCreateContext* pContext)
{
    if (nRow != 0 || nCol < 0 || nCol >= GetColumnCount() || m_Panes[nCol] || !fnCreate)
        return false;
    CView* pView = fnCreate();
    if (!pView)
        return false;
    CCreateContext context;
    if (pContext)
        context = *pContext;
    if (!pView->Create(this, context)) {
        delete pView;
        return false;
    }
    // Panes before this one that exist keep their index; count them.
    int nIndex = 0;
    for (int i = 0; i < nCol; ++i) {
        if (m_Panes[i])
            ++nIndex;
    }
    insertWidget(nIndex, pView);
    setStretchFactor(nIndex, nCol == GetColumnCount() - 1 ? 1 : 0);
    m_Panes[nCol] = pView;
    m_InitWidths[nCol] = sizeInit.width();
    pView->show();
    RecalcLayout();
    return true;
}

void CSplitterWnd::DeleteView(int nRow, int nCol)
{
    if (nRow != 0 || nCol < 0 || nCol >= GetColumnCount() || !m_Panes[nCol])
        return;
    // The panes keep their widths for the next view.
    if (isVisible())
        RememberWidths();
    // An active view that goes hands the role to a remaining pane, so that
    // the frame keeps routing commands to a view (the keyboard focus stays).
    CView* pView = m_Panes[nCol];
    CFrameWnd* pFrame = pView->GetParentFrame();
    if (pFrame && pFrame->GetActiveView() == pView) {
        for (int i = 1; i < GetColumnCount(); ++i) {
            CView* pOther = m_Panes[(nCol + i) % GetColumnCount()];
            if (pOther) {
                pFrame->SetActiveView(pOther);
                break;
            }
        }
    }
    delete m_Panes[nCol].data();
    m_Panes[nCol] = nullptr;
}

CView* CSplitterWnd::GetPane(int nRow, int nCol) const
{
    if (nRow != 0 || nCol < 0 || nCol >= GetColumnCount())
        return nullptr;
    return m_Panes[nCol];
}

bool CSplitterWnd::IsChildPane(const QWidget* pWidget, int* pnCol) const
{
    for (int i = 0; i < GetColumnCount(); ++i) {
        if (pWidget && m_Panes[i] && (pWidget == m_Panes[i] || m_Panes[i]->isAncestorOf(pWidget))) {
            if (pnCol)
                *pnCol = i;
            return true;
        }
    }
    return false;
}

void CSplitterWnd::RecalcLayout()
{
    // Every column but the last keeps its width (the initial one, or the one
    // the user dragged it to); the last one takes the rest of the splitter.
    QList<int> widths;
    int nUsed = 0;
    for (int i = 0; i < GetColumnCount(); ++i) {
        if (!m_Panes[i])
            continue;
        const bool bLast = i == GetColumnCount() - 1;
        const int nWidth = bLast ? qMax(1, width() - nUsed - handleWidth() * (count() - 1)) : m_InitWidths[i];
        widths.append(nWidth);
        nUsed += nWidth;
    }
    setSizes(widths);
}

void CSplitterWnd::ActivateNext(bool bPrev)
{
    int nCol = -1;
    if (!IsChildPane(QApplication::focusWidget(), &nCol)) {
        auto* pFrame = qobject_cast<CFrameWnd*>(window());
        if (!pFrame || !IsChildPane(pFrame->GetActiveView(), &nCol))
            nCol = bPrev ? 0 : GetColumnCount() - 1;
    }
    const int nCount = GetColumnCount();
    for (int nStep = 1; nStep <= nCount; ++nStep) {
        const int nNext = ((nCol + (bPrev ? -nStep : nStep)) % nCount + nCount) % nCount;
        CView* pView = m_Panes[nNext];
        if (!pView)
            continue;
        if (CFrameWnd* pFrame = pView->GetParentFrame())
            pFrame->SetActiveView(pView);
        pView->SetFocusToView();
        return;
    }
}
