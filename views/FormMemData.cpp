#include "views/FormMemData.h"

#include "model/MemoryRows.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/gui/FormTemplates.h"
#include "views/LeftView.h"
#include "views/ValueEdit.h"
#include "xmlfile/LocaleSep.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>

namespace {

const int s_nColumnWidths[] = {120, 100, 100, 100};

} // namespace

CFormMemData::CFormMemData(CVaultlineDoc& doc) : CValidateFormView(FormMemDataTemplate()), m_Doc(doc)
{
    // Copy and Paste work on the tree's selection whichever pane is active;
    // the tree view decides and acts.
    for (const unsigned nId : {unsigned(ID_EDIT_COPY_MEMORY), unsigned(ID_EDIT_PASTE_OVERWRITE)}) {
        AddCommand(nId, [this, nId] {
            if (CLeftView* pLeft = LeftPane())
                pLeft->OnCommand(nId);
        });
        AddUpdate(nId, [this, nId] {
            bool bEnable = false;
            if (CLeftView* pLeft = LeftPane())
                pLeft->OnUpdateCommand(nId, bEnable);
            return bEnable;
        });
    }
}

CLeftView* CFormMemData::LeftPane() const
{
    return qobject_cast<CLeftView*>(GetSiblingPane(0));
}

QWidget* CFormMemData::CreateControl(const DLGITEMTEMPLATE& item)
{
    if (item.nId == IDC_LIST)
        return &m_List;
    return nullptr;
}

QString CFormMemData::GetToolTipText(unsigned nId)
{
    return ValueEditToolTip(this, nId);
}

bool CFormMemData::ValidateAll()
{
    return ValidateValueEdits(this);
}

void CFormMemData::OnInitialUpdate()
{
    if (!m_bListBuilt) {
        CValidateFormView::OnInitialUpdate();
        m_List.hide();
        BuildRows();
        m_bListBuilt = true;
        return;
    }
    AfxPostCall(this, [this] { OnSize(); });
    FillList();
    m_List.show();
}

void CFormMemData::BuildRows()
{
    m_List.setColumnCount(MEMORY_COLUMN_COUNT);
    m_List.setHeaderLabels(QStringList(MEMORY_COLUMN_COUNT, QString()));
    for (int i = 0; i < MEMORY_COLUMN_COUNT; ++i) {
        m_List.headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
        m_List.setColumnWidth(i, s_nColumnWidths[i]);
    }

    // The colours are taken once: a later change of the palette shows in
    // forms created after it.
    const QPalette pal = QApplication::palette(&m_List);
    const QColor crHighlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor crHighlightText = pal.color(QPalette::Active, QPalette::HighlightedText);
    const QColor crGroup = DarkenedHighlight(crHighlight);

    // Labels now, values at FillList: the rows' own texts never change.
    const STOREMEM empty;
    const MEMORYROW* pRows = MemoryRows();
    for (int nRow = 0; nRow < MEMORY_ROW_COUNT; ++nRow) {
        const MEMORYROW& row = pRows[nRow];
        for (int nCol = 0; nCol < MEMORY_COLUMN_COUNT; ++nCol) {
            const MEMORYCELL& cell = row.cells[nCol];
            if (cell.kind == MEMCELL_LABEL)
                m_List.SetItemText(nRow, nCol, MemoryCellText(cell, empty, {}));
        }
        if (row.kind == MEMROW_GROUP)
            m_List.SetRowColor(nRow, crGroup, crHighlightText);
        else if (row.kind == MEMROW_HEADER)
            m_List.SetRowColor(nRow, crHighlight, crHighlightText);
    }
}

void CFormMemData::FillList()
{
    const STOREMEM* pMem = m_Doc.GetAt(m_nMemoryIndex);
    if (!pMem)
        return;
    // The separators are read once per run, at the first fill.
    static const LOCALESEP s_LocaleSep;
    const NumberFormatter fnToLocale = [](const QString& str) { return s_LocaleSep.ToLocale(str); };
    const MEMORYROW* pRows = MemoryRows();
    for (int nRow = 0; nRow < MEMORY_ROW_COUNT; ++nRow) {
        const MEMORYROW& row = pRows[nRow];
        if (row.kind != MEMROW_DATA)
            continue;
        for (int nCol = 1; nCol < MEMORY_COLUMN_COUNT; ++nCol) {
            const MEMORYCELL& cell = row.cells[nCol];
            if (cell.kind != MEMCELL_EMPTY && cell.kind != MEMCELL_LABEL)
                m_List.SetItemText(nRow, nCol, MemoryCellText(cell, *pMem, fnToLocale));
        }
    }
}

void CFormMemData::OnSize()
{
    if (m_bListBuilt)
        m_List.setGeometry(rect());
}
