#pragma once

#include "platform/framework/View.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;
class QMenu;

// The main window as a command router. Every command identifier has one
// QAction here, shared by the menu, the toolbar and the accelerators. A
// triggered action is offered to the active view, its document, the frame and
// the application, in that order. An action is enabled only when some target
// in that chain has a handler for it and no update handler says no; menus are
// brought up to date just before they open, every action when the program
// falls idle.
//
// The active view is the pane that commands go to first. It changes when the
// user clicks into a view or the program says so, not whenever the keyboard
// focus moves: a form can be the active view while the focus is in the tree.
class CFrameWnd : public QMainWindow, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CFrameWnd(QWidget* pParent = nullptr);
    ~CFrameWnd() override;

    // The action of a command, created on first use. Its data holds the id.
    QAction* GetCommandAction(unsigned nId);
    QAction* FindCommandAction(unsigned nId) const;
    // Menus whose actions are updated when they are about to show.
    void WatchMenu(QMenu* pMenu);
    // A command whose action shows a check mark given by fnChecked.
    void SetCommandCheck(unsigned nId, std::function<bool()> fnChecked);

    // The enabling decision for nId over the whole chain.
    bool IsCommandEnabled(unsigned nId);
    // Runs nId if it is enabled; true when a handler ran.
    bool RouteCommand(unsigned nId);
    void UpdateCommandAction(QAction* pAction);
    void UpdateMenu(QMenu* pMenu);
    void UpdateAllCommands();

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* pView);

protected:
    // Targets in the order they are offered a command.
    virtual std::vector<CCmdTarget*> GetCommandChain() const;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnActionTriggered(unsigned nId);
    void OnIdle();

    QHash<unsigned, QAction*> m_Actions;
    QHash<unsigned, std::function<bool()>> m_Checks;
    QPointer<CView> m_pActiveView;
};
