#pragma once

#include "platform/framework/FormView.h"
#include "views/ItemPane.h"

#include <QIcon>
#include <QList>

class CVaultlineDoc;

// The left pane: the tree of the store memories, and the two editing
// commands Copy and Paste As Overwrite, which work on whole store memories
// through the document's copy buffer (never the system clipboard).
class CLeftView : public CFormView
{
    Q_OBJECT

public:
    explicit CLeftView(CVaultlineDoc& doc);
    ~CLeftView() override;

    CItemPane& GetTree() { return m_Tree; }

    void OnEditCopy();
    void OnEditPaste();
    bool OnUpdateEditCopy() const;
    bool OnUpdateEditPaste() const;

protected:
    QWidget* CreateControl(const DLGITEMTEMPLATE& item) override;
    void OnInitialUpdate() override;
    void OnUpdate(CView* pSender, long lHint) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    void OnSize();

    CVaultlineDoc& m_Doc;
    CItemPane m_Tree;
    QList<QIcon> m_ImageList;
};
