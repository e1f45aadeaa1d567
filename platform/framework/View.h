#pragma once

#include "platform/framework/CmdTarget.h"

#include <QWidget>

#include <functional>

class CFrameWnd;
class CView;

// What a new view is told when it is created into a frame: the document's
// command target and the frame.
struct CCreateContext
{
    CCmdTarget* m_pCurrentDoc = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

// Makes a new view, not yet created into a frame; a view that works on the
// program's document gets it from the factory (its constructor takes it).
using ViewFactory = std::function<CView*()>;

// A pane of the main window that shows the document: a widget that is also a
// command target. The frame offers commands to its active view first, and the
// view passes what it does not handle on to its document. OnInitialUpdate runs
// when the view is first shown and whenever the program asks it to refresh
// from the document; by default it calls OnUpdate.
class CView : public QWidget, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CView(QWidget* pParent = nullptr);
    ~CView() override;

    // The document's command target (routing only; a view that works on the
    // document itself is given it when it is constructed).
    CCmdTarget* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const { return m_pFrame; }

    // Makes the view a child of pParent and takes the context of its
    // creation; called once, before the first initial update. False when the
    // view cannot be built.
    virtual bool Create(QWidget* pParent, const CCreateContext& context);

    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* pSender, long lHint);

    // The initial update now, or after the current event handler returns.
    void SendInitialUpdate() { OnInitialUpdate(); }
    void PostInitialUpdate();

    // Puts the keyboard focus into the view: its first control that takes
    // the focus by Tab, or the view itself when there is none.
    virtual void SetFocusToView();

    // The view in column nCol of the splitter whose pane this view is; null
    // when the view is not a pane or the column holds none.
    CView* GetSiblingPane(int nCol) const;

private:
    CCmdTarget* m_pDocument = nullptr;
    CFrameWnd* m_pFrame = nullptr;
};

// The view that holds wid, or null.
CView* FindParentView(QWidget* pWidget);
