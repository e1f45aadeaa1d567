#include "views/LeftView.h"

#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/gui/FormTemplates.h"
#include "resources/gui/GuiResources.h"
#include "views/FormMemData.h"

CLeftView::CLeftView(CVaultlineDoc& doc) : CFormView(LeftViewTemplate()), m_Doc(doc), m_Tree(doc)
{
    m_ImageList.append(LoadResIcon(IDI_ROOT));
    m_ImageList.append(LoadResIcon(IDI_MEMORY));

    AddCommand(ID_EDIT_COPY_MEMORY, [this] { OnEditCopy(); });
    AddUpdate(ID_EDIT_COPY_MEMORY, [this] { return OnUpdateEditCopy(); });
    AddCommand(ID_EDIT_PASTE_OVERWRITE, [this] { OnEditPaste(); });
    AddUpdate(ID_EDIT_PASTE_OVERWRITE, [this] { return OnUpdateEditPaste(); });
}

CLeftView::~CLeftView() = default;

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
    return m_Tree.IsMemorySelected() && m_Doc.HasCopyBuffer();
}

void CLeftView::OnEditCopy()
{
    const int nIndex = m_Tree.GetSelectedIndex();
    if (nIndex >= 0)
        m_Doc.CopyToBuffer(nIndex);
}

void CLeftView::OnEditPaste()
{
    const int nIndex = m_Tree.GetSelectedIndex();
    if (nIndex < 0 || !m_Doc.HasCopyBuffer())
        return;
    m_Doc.PasteFromBuffer(nIndex);
    if (auto* pForm = qobject_cast<CFormMemData*>(GetSiblingPane(1)))
        pForm->FillList();
}
