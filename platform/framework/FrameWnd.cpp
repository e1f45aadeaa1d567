#include "platform/framework/FrameWnd.h"

#include "platform/framework/View.h"
#include "platform/framework/WinApp.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>

CFrameWnd::CFrameWnd(QWidget* pParent) : QMainWindow(pParent)
{
    qApp->installEventFilter(this);
    if (QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance())
        connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CFrameWnd::OnIdle);
}

CFrameWnd::~CFrameWnd()
{
    qApp->removeEventFilter(this);
}

QAction* CFrameWnd::GetCommandAction(unsigned nId)
{
    if (QAction* pAction = m_Actions.value(nId))
        return pAction;
    auto* pAction = new QAction(this);
    pAction->setData(nId);
    // Accelerators belong to the whole window, whatever pane has the focus.
    pAction->setShortcutContext(Qt::WindowShortcut);
    connect(pAction, &QAction::triggered, this, [this, nId] { OnActionTriggered(nId); });
    addAction(pAction);
    m_Actions.insert(nId, pAction);
    return pAction;
}

QAction* CFrameWnd::FindCommandAction(unsigned nId) const
{
    return m_Actions.value(nId);
}

void CFrameWnd::WatchMenu(QMenu* pMenu)
{
    connect(pMenu, &QMenu::aboutToShow, this, [this, pMenu] { UpdateMenu(pMenu); });
}

void CFrameWnd::SetCommandCheck(unsigned nId, std::function<bool()> fnChecked)
{
    GetCommandAction(nId)->setCheckable(true);
    m_Checks.insert(nId, std::move(fnChecked));
}

std::vector<CCmdTarget*> CFrameWnd::GetCommandChain() const
{
    std::vector<CCmdTarget*> chain;
    if (m_pActiveView) {
        chain.push_back(m_pActiveView.data());
        if (CCmdTarget* pDoc = m_pActiveView->GetDocument())
            chain.push_back(pDoc);
    }
    chain.push_back(const_cast<CFrameWnd*>(this));
    if (CWinApp* pApp = AfxGetApp())
        chain.push_back(pApp);
    return chain;
}

bool CFrameWnd::IsCommandEnabled(unsigned nId)
{
    const std::vector<CCmdTarget*> chain = GetCommandChain();
    // An update handler anywhere in the chain decides, even when an earlier
    // target has only the command handler: the enabling rule may live with
    // the owner of the state while the work is forwarded.
    for (CCmdTarget* pTarget : chain) {
        bool bEnable = true;
        if (pTarget->OnUpdateCommand(nId, bEnable))
            return bEnable;
    }
    for (CCmdTarget* pTarget : chain) {
        if (pTarget->HasCommand(nId))
            return true;
    }
    return false;
}

bool CFrameWnd::RouteCommand(unsigned nId)
{
    if (!IsCommandEnabled(nId))
        return false;
    for (CCmdTarget* pTarget : GetCommandChain()) {
        if (pTarget->OnCommand(nId))
            return true;
    }
    return false;
}

void CFrameWnd::UpdateCommandAction(QAction* pAction)
{
    bool bOk = false;
    const unsigned nId = pAction->data().toUInt(&bOk);
    if (!bOk || pAction->isSeparator() || pAction->menu())
        return;
    pAction->setEnabled(IsCommandEnabled(nId));
    const auto it = m_Checks.constFind(nId);
    if (it != m_Checks.constEnd())
        pAction->setChecked(it.value()());
}

void CFrameWnd::UpdateMenu(QMenu* pMenu)
{
    const QList<QAction*> actions = pMenu->actions();
    for (QAction* pAction : actions)
        UpdateCommandAction(pAction);
}

void CFrameWnd::UpdateAllCommands()
{
    for (QAction* pAction : std::as_const(m_Actions))
        UpdateCommandAction(pAction);
}

void CFrameWnd::SetActiveView(CView* pView)
{
    m_pActiveView = pView;
}

bool CFrameWnd::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::MouseButtonPress && pWatched->isWidgetType()) {
        CView* pView = FindParentView(static_cast<QWidget*>(pWatched));
        if (pView && pView->GetParentFrame() == this)
            SetActiveView(pView);
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

void CFrameWnd::OnActionTriggered(unsigned nId)
{
    RouteCommand(nId);
}

void CFrameWnd::OnIdle()
{
    // The toolbar (and with it every accelerator) follows the program's state
    // whenever the event loop is about to wait.
    if (isVisible())
        UpdateAllCommands();
}
