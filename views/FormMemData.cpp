#include "views/FormMemData.h"

#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/FormTemplates.h"
#include "views/LeftView.h"
#include "views/MemoryFormRows.h"
#include "views/ValueEdit.h"

#include <QApplication>
#include <QHeaderView>
#include <QPalette>

IMPLEMENT_DYNCREATE(CFormMemData, CValidateFormView)

namespace {

const int s_nColumnWidths[] = {120, 100, 100, 100};

CVaultlineDoc* AppDocument()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->GetDocumentObject<CVaultlineDoc>() : nullptr;
}

CLeftView* LeftPane()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? qobject_cast<CLeftView*>(pApp->GetLeftPane()) : nullptr;
}

} // namespace

CFormMemData::CFormMemData() : CValidateFormView(FormMemDataTemplate())
{
    // Copy and Paste work on the tree's selection whichever pane is active;
    // the tree view decides and acts.
    for (const unsigned nId : {unsigned(ID_EDIT_COPY_MEMORY), unsigned(ID_EDIT_PASTE_OVERWRITE)}) {
        AddCommand(nId, [nId] {
            if (CLeftView* pLeft = LeftPane())
                pLeft->OnCommand(nId);
        });
        AddUpdate(nId, [nId] {
            bool bEnable = false;
            if (CLeftView* pLeft = LeftPane())
                pLeft->OnUpdateCommand(nId, bEnable);
            return bEnable;
        });
    }
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
    m_List.setColumnCount(MEMFORM_COLUMNS);
    m_List.setHeaderLabels(QStringList(MEMFORM_COLUMNS, QString()));
    for (int i = 0; i < MEMFORM_COLUMNS; ++i) {
        m_List.headerItem()->setTextAlignment(i, Qt::AlignLeft | Qt::AlignVCenter);
        m_List.setColumnWidth(i, s_nColumnWidths[i]);
    }

    // The colours are taken once: a later change of the palette shows in
    // forms created after it.
    const QPalette pal = QApplication::palette(&m_List);
    const QColor crHighlight = pal.color(QPalette::Active, QPalette::Highlight);
    const QColor crHighlightText = pal.color(QPalette::Active, QPalette::HighlightedText);
    const QColor crGroup = DarkenedHighlight(crHighlight);

    for (int nRow = 0; nRow < MEMFORM_ROWS; ++nRow) {
        const MEMFORMROW& row = g_MemFormRows[nRow];
        m_List.SetItemText(nRow, 0, LoadResString(row.nLabelId));
        if (row.eKind == MEMFORMROW::Data)
            continue;
        for (int nCol = 1; nCol < MEMFORM_COLUMNS; ++nCol) {
            const MEMFORMCELL& cell = row.cells[nCol - 1];
            if (cell.eKind == MEMFORMCELL::Label)
                m_List.SetItemText(nRow, nCol, LoadResString(cell.nLabelId));
        }
        if (row.eKind == MEMFORMROW::Group)
            m_List.SetRowColor(nRow, crGroup, crHighlightText);
        else
            m_List.SetRowColor(nRow, crHighlight, crHighlightText);
    }
}

void CFormMemData::FillList()
{
    CVaultlineDoc* pDoc = AppDocument();
    const STOREMEM* pMem = pDoc ? pDoc->GetAt(m_nMemoryIndex) : nullptr;
    if (!pMem)
        return;
    // The separators are read once per run, at the first fill.
    static const LOCALESEP s_LocaleSep;
    const QString strNoValue = LoadResString(IDS_NO_VALUE);
    for (int nRow = 0; nRow < MEMFORM_ROWS; ++nRow) {
        const MEMFORMROW& row = g_MemFormRows[nRow];
        if (row.eKind != MEMFORMROW::Data)
            continue;
        for (int nCol = 1; nCol < MEMFORM_COLUMNS; ++nCol) {
            const MEMFORMCELL& cell = row.cells[nCol - 1];
            switch (cell.eKind) {
            case MEMFORMCELL::Empty:
            case MEMFORMCELL::Label:
                break;
            case MEMFORMCELL::NoValue:
                m_List.SetItemText(nRow, nCol, strNoValue);
                break;
            case MEMFORMCELL::Text:
                m_List.SetItemText(nRow, nCol, pMem->*cell.pText);
                break;
            case MEMFORMCELL::Float:
                m_List.SetItemText(
                    nRow, nCol, s_LocaleSep.ToLocale(QString::asprintf("%.4f", double(pMem->*cell.pFloat))));
                break;
            case MEMFORMCELL::Integer:
                m_List.SetItemText(nRow, nCol, QString::asprintf("%d", int(pMem->*cell.pInt)));
                break;
            case MEMFORMCELL::Abc:
                m_List.SetItemText(nRow, nCol,
                                   s_LocaleSep.ToLocale(QString::asprintf(
                                       "%0.4f", double(pMem->Abc[cell.nAbc].*cell.pAbcFloat))));
                break;
            }
        }
    }
}

void CFormMemData::OnSize()
{
    if (m_bListBuilt)
        m_List.setGeometry(rect());
}
