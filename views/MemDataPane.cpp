#include "views/MemDataPane.h"

#include "platform/framework/DialogTemplate.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace {

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
        pOption->text = CellDisplayText(pOption->text);
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

QString CellDisplayText(const QString& strText)
{
    // A row is one line high; a line break would hide everything after it.
    constexpr qsizetype MAX_SHOWN = 1024;
    const bool bCut = strText.size() > MAX_SHOWN;
    QString str = bCut ? strText.left(MAX_SHOWN) : strText;
    if (!bCut && !str.contains(QLatin1Char('\n')) && !str.contains(QLatin1Char('\r')) &&
        !str.contains(QLatin1Char('\t')))
        return strText;
    str.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    str.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    str.replace(QLatin1Char('\n'), QStringLiteral(" \u21B5 "));
    str.replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (bCut)
        str += QChar(0x2026);
    return str;
}

QString CellToolTipText(const QString& strText)
{
    // Enough to read any memo the instrument keeps and a long note besides;
    // a tooltip of megabytes would take longer to lay out than to read.
    constexpr qsizetype MAX_CHARS = 4000;
    constexpr qsizetype MAX_LINES = 40;
    QString str = strText.left(MAX_CHARS);
    str.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    str.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    qsizetype nCut = -1;
    int nBreaks = 0;
    for (qsizetype i = 0; i < str.size() && nCut < 0; ++i) {
        if (str[i] == QLatin1Char('\n') && ++nBreaks == MAX_LINES)
            nCut = i;
    }
    const bool bCut = strText.size() > MAX_CHARS || nCut >= 0;
    if (nCut >= 0)
        str.truncate(nCut);
    // As plain text, whatever markup the memo happens to contain.
    QString strHtml = QStringLiteral("<p style='white-space:pre-wrap'>") + str.toHtmlEscaped();
    if (bCut)
        strHtml += QChar(0x2026);
    return strHtml + QStringLiteral("</p>");
}

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
    QTreeWidgetItem* pItem = topLevelItem(nRow);
    pItem->setText(nColumn, strText);
    // The cell shows one line; the tooltip shows the rest. The item keeps the
    // whole text, which is what a screen reader reads.
    const bool bShortened = CellDisplayText(strText) != strText;
    pItem->setToolTip(nColumn, bShortened ? CellToolTipText(strText) : QString());
}

QString CMemDataPane::GetItemText(int nRow, int nColumn) const
{
    const QTreeWidgetItem* pItem = topLevelItem(nRow);
    return pItem ? pItem->text(nColumn) : QString();
}
