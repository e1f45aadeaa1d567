#pragma once

#include "platform/framework/View.h"

#include <QPointer>
#include <QSplitter>
#include <vector>

// A static splitter of one row and a fixed number of columns, each pane one
// view. Panes are created by a factory, so a pane's view can be deleted and
// replaced by one of another class while the program runs; the
// first column keeps its width when the window is resized.
class CSplitterWnd : public QSplitter
{
    Q_OBJECT

public:
    explicit CSplitterWnd(QWidget* pParent = nullptr);

    // Only one row is supported; false for anything else.
    bool CreateStatic(QWidget* pParent, int nRows, int nCols, int nId);
    // Creates the view fnCreate makes in the pane; the initial width counts
    // for every column but the last, which takes the rest. False when there
    // is no factory, it makes no view, or the view's Create fails.
    bool CreateView(int nRow, int nCol, const ViewFactory& fnCreate, const QSize& sizeInit,
                    const CCreateContext* pContext);
    void DeleteView(int nRow, int nCol);
    CView* GetPane(int nRow, int nCol) const;
    int GetColumnCount() const { return static_cast<int>(m_Panes.size()); }
    bool IsChildPane(const QWidget* pWidget, int* pnCol = nullptr) const;
    void RecalcLayout();

    // Moves the focus and the frame's active view to the next (or previous)
    // pane, counted from the pane that holds the focus, else from the active
    // view.
    void ActivateNext(bool bPrev);

private:
    void RememberWidths();

    std::vector<QPointer<CView>> m_Panes;
    std::vector<int> m_InitWidths;
};
