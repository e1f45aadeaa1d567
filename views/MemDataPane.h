#pragma once

#include <QColor>
#include <QTreeWidget>

// The colours of one row of the memory table.
struct ROWCOLOR
{
    QColor crBack;     // background of every cell of the row
    QColor crText;     // text of every cell of the row
    bool bSet = false; // otherwise the list's own colours
};

// The read-only report list of the memory form: rows of four cells, several
// rows selectable, nothing editable. Rows can carry colours of their own,
// which are applied as the cells are drawn.
class CMemDataPane : public QTreeWidget
{
    Q_OBJECT

public:
    static constexpr int ROW_COLOR_COUNT = 128;

    explicit CMemDataPane(QWidget* pParent = nullptr);
    ~CMemDataPane() override = default;

    void SetRowColor(int nRow, const QColor& crBack, const QColor& crText);
    // The colours row nRow is drawn with, or null for the list's own colours
    // (always so for rows beyond the table).
    const ROWCOLOR* GetRowColor(int nRow) const;

    // Writes one cell, appending rows up to nRow when the list is shorter.
    void SetItemText(int nRow, int nColumn, const QString& strText);
    QString GetItemText(int nRow, int nColumn) const;

private:
    ROWCOLOR m_RowColors[ROW_COLOR_COUNT];
};

// What a cell shows of its text on its one line: a line break as a visible
// marker (U+21B5) between the lines, a tab as a space, and no more than what
// any column can show.
QString CellDisplayText(const QString& strText);
// The tooltip of a cell whose text does not fit on its line: the text as plain
// text with its line breaks, up to a bound.
QString CellToolTipText(const QString& strText);

// The background of the group rows: the highlight colour darkened, rounded
// the way MulDiv rounds (49, 106, 197 gives 34, 74, 176).
QColor DarkenedHighlight(const QColor& crHighlight);
