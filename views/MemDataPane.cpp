#include "views/MemDataPane.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c)
{
    const long long n = static_cast<long long>(a) * b;
    const long long nHalf = c / 2;
    return static_cast<int>(n >= 0 ? (n + nHalf) / c : (n - nHalf) / c);
}

// Draws each cell with the colours of its row, when the row has any; the
// selection keeps the style's own colours so that selected rows stay visible.
class CRowColorDelegate : public QStyledItemDelegate
{
public:
    explicit CRowColorDelegate(CMemDataPane* pPane) : QStyledItemDelegate(pPane), m_pPane(pPane) {}

protected:
    void initStyleOption(QStyleOptionViewItem* pOption, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(pOption, index);
        if (pOption->state.testFlag(QStyle::State_Selected))
            return;
        if (const ROWCOLOR* pColor = m_pPane->GetRowColor(index.row())) {
            pOption->backgroundBrush = pColor->crBack;
            pOption->palette.setColor(QPalette::Text, pColor->crText);
        }
    }

private:
    CMemDataPane* m_pPane;
};

} // namespace

QColor DarkenedHighlight(const QColor& crHighlight)
{
    return QColor(MulDiv(crHighlight.red(), 7, 10), MulDiv(crHighlight.green(), 7, 10),
                  MulDiv(crHighlight.blue() + 55, 7, 10));
}

CMemDataPane::CMemDataPane(QWidget* pParent) : QTreeWidget(pParent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setItemDelegate(new CRowColorDelegate(this));
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

void CMemDataPane::SetRowColor(int nRow, const QColor& crBack, const QColor& crText)
{
    if (nRow < 0 || nRow >= ROW_COLOR_COUNT)
        return;
    m_RowColors[nRow] = ROWCOLOR{crBack, crText, true};
    viewport()->update();
}

const ROWCOLOR* CMemDataPane::GetRowColor(int nRow) const
{
    if (nRow < 0 || nRow >= ROW_COLOR_COUNT || !m_RowColors[nRow].bSet)
        return nullptr;
    return &m_RowColors[nRow];
}

void CMemDataPane::SetItemText(int nRow, int nColumn, const QString& strText)
{
    if (nRow < 0 || nColumn < 0 || nColumn >= columnCount())
        return;
    while (topLevelItemCount() <= nRow)
        addTopLevelItem(new QTreeWidgetItem(this));
    topLevelItem(nRow)->setText(nColumn, strText);
}

QString CMemDataPane::GetItemText(int nRow, int nColumn) const
{
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem ? pItem->text(nColumn) : QString();
}
