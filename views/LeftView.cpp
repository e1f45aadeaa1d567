#include "views/LeftView.h"

#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/gui/FormTemplates.h"
#include "resources/gui/GuiResources.h"
#include "views/FormMemData.h"

#include <QTimer>

IMPLEMENT_DYNCREATE(CLeftView, CFormView)

namespace {

CVaultlineDoc* AppDocument()
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->GetDocumentObject<CVaultlineDoc>() : nullptr;
}

} // namespace

CLeftView::CLeftView() : CFormView(LeftViewTemplate()), m_pDoc(AppDocument())
{
    m_ImageList.append(LoadResIcon(IDI_ROOT));
    m_ImageList.append(LoadResIcon(IDI_MEMORY));

    AddCommand(ID_EDIT_COPY_MEMORY, [this] { OnEditCopy(); });
    AddUpdate(ID_EDIT_COPY_MEMORY, [this] { return OnUpdateEditCopy(); });
    AddCommand(ID_EDIT_PASTE_OVERWRITE, [this] { OnEditPaste(); });
    AddUpdate(ID_EDIT_PASTE_OVERWRITE, [this] { return OnUpdateEditPaste(); });
}

CLeftView::~CLeftView() = default;

CVaultlineDoc* CLeftView::GetDoc()
{
    if (!m_pDoc)
        m_pDoc = AppDocument();
    return m_pDoc;
}

QWidget* CLeftView::CreateControl(const DLGITEMTEMPLATE& item)
{
    if (item.nId == IDC_TREE)
        return &m_Tree;
    return nullptr;
}

void CLeftView::OnInitialUpdate()
{
    // Builds the tree (through OnUpdate), which selects the root and so
    // shows the blank form.
    CFormView::OnInitialUpdate();
    m_Tree.SetImageList(m_ImageList);
    m_Tree.show();
    AfxPostCall(this, [this] { OnSize(); });
}

void CLeftView::OnUpdate(CView*, long)
{
    m_Tree.Rebuild();
}

void CLeftView::resizeEvent(QResizeEvent* pEvent)
{
    CFormView::resizeEvent(pEvent);
    OnSize();
}

void CLeftView::OnSize()
{
    // The tree's own frame lies just outside the pane, so that the splitter's
    // edge is the only line between the panes.
    const int nBorder = m_Tree.frameWidth();
    m_Tree.setGeometry(rect().adjusted(-nBorder, -nBorder, nBorder, nBorder));
}

bool CLeftView::OnUpdateEditCopy() const
{
    return m_Tree.IsMemorySelected();
}

bool CLeftView::OnUpdateEditPaste() const
{
    const CVaultlineDoc* pDoc = m_pDoc ? m_pDoc : AppDocument();
    return m_Tree.IsMemorySelected() && pDoc && pDoc->HasCopyBuffer();
}

void CLeftView::OnEditCopy()
{
    CVaultlineDoc* pDoc = GetDoc();
    const int nIndex = m_Tree.GetSelectedIndex();
    if (pDoc && nIndex >= 0)
        pDoc->CopyToBuffer(nIndex);
}

void CLeftView::OnEditPaste()
{
    CVaultlineDoc* pDoc = GetDoc();
    const int nIndex = m_Tree.GetSelectedIndex();
    if (!pDoc || nIndex < 0 || !pDoc->HasCopyBuffer())
        return;
    pDoc->PasteFromBuffer(nIndex);
    CWinApp* pApp = AfxGetApp();
    if (auto* pForm = qobject_cast<CFormMemData*>(pApp ? pApp->GetRightPane() : nullptr))
        pForm->FillList();
}
