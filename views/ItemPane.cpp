#include "views/ItemPane.h"

#include "model/VaultlineDoc.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/View.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/GuiResources.h"
#include "views/FormExchange.h"
#include "views/ScanNumber.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>

#include <memory>

namespace {

constexpr int IMAGE_ROOT = 0;
constexpr int IMAGE_MEMORY = 1;

} // namespace

CItemPane::CItemPane(CVaultlineDoc& doc, QWidget* pParent) : QTreeWidget(pParent), m_Doc(doc)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* pItem, QTreeWidgetItem*) { OnSelChanged(pItem); });
    connect(this, &QTreeWidget::itemCollapsed, this, &CItemPane::OnCollapsed);
}

void CItemPane::Rebuild()
{
    m_bQuiet = true;
    clear();
    m_hPrevItem = nullptr;
    auto* pRoot = new QTreeWidgetItem(this, QStringList(LoadResString(IDS_MEMORIES)));
    QList<QTreeWidgetItem*> items;
    items.reserve(100);
    for (long i = 0; i < 100; ++i)
        items.append(new QTreeWidgetItem(QStringList(QString::asprintf("%ld", i))));
    pRoot->addChildren(items);
    ApplyImages();
    pRoot->setExpanded(true);
    m_bQuiet = false;
    setCurrentItem(pRoot);
}

void CItemPane::SetImageList(const QList<QIcon>& images)
{
    m_Images = images;
    ApplyImages();
}

void CItemPane::ApplyImages()
{
    QTreeWidgetItem* pRoot = GetRootItem();
    if (!pRoot)
        return;
    const QIcon iconRoot = m_Images.value(IMAGE_ROOT);
    const QIcon iconMemory = m_Images.value(IMAGE_MEMORY);
    pRoot->setIcon(0, iconRoot);
    for (int i = 0; i < pRoot->childCount(); ++i)
        pRoot->child(i)->setIcon(0, iconMemory);
}

bool CItemPane::IsMemorySelected() const
{
    const QTreeWidgetItem* pItem = currentItem();
    return pItem && pItem->isSelected() && pItem->parent() && pItem->parent() == GetRootItem();
}

STOREMEM* CItemPane::GetSelectedMemory() const
{
    if (!IsMemorySelected())
        return nullptr;
    long n = -1;
    ScanLong(currentItem()->text(0), n);
    if (n < 0)
        return nullptr;
    return m_Doc.GetAt(static_cast<int>(n));
}

int CItemPane::GetSelectedIndex() const
{
    if (!GetSelectedMemory())
        return -1;
    long n = -1;
    ScanLong(currentItem()->text(0), n);
    return static_cast<int>(n);
}

CFrameWnd* CItemPane::ParentFrame()
{
    const CView* pView = FindParentView(this);
    return pView ? pView->GetParentFrame() : nullptr;
}

void CItemPane::OnSelChanged(QTreeWidgetItem* pItem)
{
    if (m_bQuiet)
        return;
    const QString strText = pItem ? pItem->text(0) : QString();
    auto* pExchange = dynamic_cast<IFormExchange*>(ParentFrame());
    // Without a main window there is no form that could refuse.
    const int nResult = pExchange ? pExchange->SelectForm(strText) : 1;
    if (nResult == 0) {
        // Back to the item whose form is still shown, now and once more
        // after the event: a mouse press selects the clicked item only after
        // making it current, which is when we get here.
        RestoreSelection();
        AfxPostCall(this, [this] { RestoreSelection(); });
    } else {
        m_hPrevItem = pItem;
    }
    setFocus(Qt::OtherFocusReason);
}

void CItemPane::OnCollapsed(QTreeWidgetItem* pItem)
{
    // A selection hidden inside a collapsed item would leave the form and the
    // Edit commands working on a memory nobody sees: the collapsed item takes
    // the selection, through the same exchange as a click on it.
    QTreeWidgetItem* pCurrent = currentItem();
    for (QTreeWidgetItem* p = pCurrent ? pCurrent->parent() : nullptr; p; p = p->parent()) {
        if (p == pItem) {
            setCurrentItem(pItem);
            return;
        }
    }
}

void CItemPane::RestoreSelection()
{
    // Our own change runs no second exchange: that would only ask the
    // refusing form again. The item whose form stays must be seen, so a
    // collapse that the form refused is undone.
    m_bQuiet = true;
    for (QTreeWidgetItem* p = m_hPrevItem ? m_hPrevItem->parent() : nullptr; p; p = p->parent())
        p->setExpanded(true);
    setCurrentItem(m_hPrevItem);
    if (!m_hPrevItem)
        clearSelection();
    m_bQuiet = false;
}

void CItemPane::mousePressEvent(QMouseEvent* pEvent)
{
    // The right button selects through the context menu, after the click.
    if (pEvent->button() == Qt::RightButton) {
        pEvent->accept();
        return;
    }
    QTreeWidget::mousePressEvent(pEvent);
}

QItemSelectionModel::SelectionFlags CItemPane::selectionCommand(const QModelIndex& index,
                                                                const QEvent* pEvent) const
{
    QItemSelectionModel::SelectionFlags flags = QTreeWidget::selectionCommand(index, pEvent);
    if (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)) {
        if (selectionModel()->isSelected(index))
            return QItemSelectionModel::NoUpdate;
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    }
    return flags;
}

void CItemPane::contextMenuEvent(QContextMenuEvent* pEvent)
{
    pEvent->accept();
    // A request from the keyboard opens where the mouse cursor is.
    const QPoint ptScreen =
        pEvent->reason() == QContextMenuEvent::Keyboard ? QCursor::pos() : pEvent->globalPos();
    if (QTreeWidgetItem* pItem = itemAt(viewport()->mapFromGlobal(ptScreen)))
        setCurrentItem(pItem);

    CFrameWnd* pFrame = ParentFrame();
    if (!pFrame)
        return;
    // The popup is owned by the main window, so its commands and their
    // enabling go through the main window's routing like the Edit menu's.
    std::unique_ptr<QMenu> pMenu(LoadPopupMenu(LoadMenuTemplate(IDR_VAULTLINE_CONTEXT), 0, pFrame, pFrame));
    if (!pMenu)
        return;
    pFrame->UpdateMenu(pMenu.get());
    pMenu->exec(ptScreen);
}
