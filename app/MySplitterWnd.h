#pragma once

#include "platform/framework/SplitterWnd.h"

// The main window's splitter: the tree on the left, one form on the right,
// and the exchange of a pane's view for a view of another (or the same)
// class once the current one lets go.
class CMySplitterWnd : public CSplitterWnd
{
    Q_OBJECT

public:
    explicit CMySplitterWnd(QWidget* pParent = nullptr);

    // Asks the pane's form to validate; when it agrees, deletes it, puts the
    // view fnCreate makes in its place, hands the new form nMemoryIndex and
    // runs its initial update. 1 when the pane was rebuilt, 0 when the form
    // refused (nothing changed then).
    int ReplaceView(int nRow, int nCol, const ViewFactory& fnCreate, int nMemoryIndex);
};
