#pragma once

#include "app/MySplitterWnd.h"
#include "platform/framework/FrameWnd.h"
#include "views/FormExchange.h"

#include <QElapsedTimer>

class CVaultlineDoc;
class QLabel;
class QToolBar;

// The main window: menu, accelerators, toolbar and status bar, the splitter
// with the tree and the current form, and the exchange of that form when
// the user selects another tree item. Closing it asks the document first.
class CMainFrame : public CFrameWnd, public IFormExchange
{
    Q_OBJECT

public:
    // The main window of doc.
    explicit CMainFrame(CVaultlineDoc& doc);
    ~CMainFrame() override;

    // Builds the bars and the panes with the document's command target;
    // false when any of them cannot be created.
    bool Create(CCmdTarget* pDocTarget);

    int SelectForm(const QString& strText) override;
    CMySplitterWnd& GetSplitter() { return m_wndSplitter; }

    // "<document title> - DXR9K Vaultline".
    void OnUpdateFrameTitle();
    // Sends the first initial update to the panes and makes the tree the
    // active view, as the window first shows.
    void InitialUpdateFrame();

protected:
    bool OnCreateClient(CCmdTarget* pDocTarget);
    void closeEvent(QCloseEvent* pEvent) override;

private:
    bool CreateToolBar();
    bool CreateStatusBar();
    void UpdateIndicators();

    CVaultlineDoc& m_Doc;
    CMySplitterWnd m_wndSplitter;
    QToolBar* m_pToolBar = nullptr;
    QLabel* m_pIndicators[3] = {};
    QElapsedTimer m_timerIndicators;
    CView* m_pFirstForm = nullptr;
};
