#pragma once

#include <QIcon>
#include <QList>
#include <QTreeWidget>

class CFrameWnd;
class CVaultlineDoc;
struct STOREMEM;

// The tree of the left pane: the root "Memories" and one item per store
// memory, labelled with its index. Selecting an item shows its form in the
// right pane; when the current form refuses to let go the selection returns
// to the item whose form is shown.
class CItemPane : public QTreeWidget
{
    Q_OBJECT

public:
    // The tree of doc's store memories.
    explicit CItemPane(CVaultlineDoc& doc, QWidget* pParent = nullptr);
    ~CItemPane() override = default;

    // Fills the tree and selects the root, which shows the blank form.
    void Rebuild();
    // Image 0 is the root's, image 1 the store memories'.
    void SetImageList(const QList<QIcon>& images);

    bool IsMemorySelected() const;
    // The record of the selected store memory, or null.
    STOREMEM* GetSelectedMemory() const;
    // The index of the selected store memory when it has a record, or -1.
    int GetSelectedIndex() const;

    QTreeWidgetItem* GetRootItem() const { return topLevelItem(0); }

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    // The selected item never loses its selection to Ctrl+click or
    // Ctrl+Space: an item without selection would hide which memory the form
    // and the Edit commands work on.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* pEvent = nullptr) const override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnSelChanged(QTreeWidgetItem* pItem);
    void OnCollapsed(QTreeWidgetItem* pItem);
    void ApplyImages();
    void RestoreSelection();
    // The frame of the view this tree is part of; null outside a frame.
    CFrameWnd* ParentFrame();

    CVaultlineDoc& m_Doc;
    QTreeWidgetItem* m_hPrevItem = nullptr; // the item whose form the right pane shows
    QList<QIcon> m_Images;
    bool m_bQuiet = false; // selection changes of our own making run no form exchange
};
