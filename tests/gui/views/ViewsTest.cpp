#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "gui/views/ViewsTestSupport.h"
#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "views/FormBlank.h"
#include "views/FormMemData.h"
#include "views/LeftView.h"
#include "views/TableOfForms.h"
#include "views/ValueEdit.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The desktop program as it starts without a file: main window, tree and
// blank form, a new document.
class ViewsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestApplication();
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Highlight, QColor(49, 106, 197));
        pal.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
        QApplication::setPalette(pal);

        m_pApp = std::make_unique<CVaultlineApp>();
        ASSERT_TRUE(m_pApp->InitInstance({}));
        m_pFrame = m_pApp->GetMainFrame();
        m_pFrame->resize(900, 700);
        QCoreApplication::processEvents();
        m_pLeft = qobject_cast<CLeftView*>(m_pApp->GetLeftPane());
        ASSERT_NE(m_pLeft, nullptr);
    }

    void TearDown() override
    {
        if (CVaultlineDoc* pDoc = m_pApp->GetDocument())
            pDoc->SetModifiedFlag(false);
        m_pApp.reset();
    }

    CVaultlineDoc& Doc() { return *m_pApp->GetDocument(); }
    CItemPane& Tree() { return m_pLeft->GetTree(); }
    QTreeWidgetItem* Item(int n) { return Tree().GetRootItem()->child(n); }
    CView* RightPane() { return m_pApp->GetRightPane(); }
    CFormMemData* MemForm() { return qobject_cast<CFormMemData*>(RightPane()); }

    // Selects a tree item as the user would and lets the posted second
    // initial update run.
    void Select(QTreeWidgetItem* pItem)
    {
        Tree().setCurrentItem(pItem);
        QCoreApplication::processEvents();
    }

    bool Enabled(unsigned nId) { return m_pFrame->IsCommandEnabled(nId); }

    std::unique_ptr<CVaultlineApp> m_pApp;
    CMainFrame* m_pFrame = nullptr;
    CLeftView* m_pLeft = nullptr;
};

TEST_F(ViewsTest, StartsWithTheWholeTreeAndTheBlankForm)
{
    QTreeWidgetItem* pRoot = Tree().GetRootItem();
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(Tree().topLevelItemCount(), 1);
    EXPECT_EQ(pRoot->text(0), QStringLiteral("Memories"));
    EXPECT_TRUE(pRoot->isExpanded());
    ASSERT_EQ(pRoot->childCount(), 100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(pRoot->child(i)->text(0), QString::number(i));
    EXPECT_EQ(Tree().currentItem(), pRoot);
    EXPECT_TRUE(pRoot->isSelected());
    EXPECT_FALSE(pRoot->icon(0).isNull());
    EXPECT_FALSE(Item(0)->icon(0).isNull());
    EXPECT_TRUE(Tree().isVisible());

    ASSERT_NE(qobject_cast<CFormBlank*>(RightPane()), nullptr);
    const QList<QLabel*> labels = RightPane()->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Select a tree item to edit..."));
}

TEST_F(ViewsTest, SelectedMemoryShowsItsRecordAndTheRootTheBlankForm)
{
    Doc().GetAt(57)->Curr = 57.25f;
    Select(Item(57));
    ASSERT_NE(MemForm(), nullptr);
    EXPECT_EQ(MemForm()->m_nMemoryIndex, 57);
    EXPECT_EQ(MemForm()->GetList().GetItemText(7, 1), QStringLiteral("57.2500"));
    EXPECT_EQ(m_pFrame->GetActiveView(), RightPane()) << "the new form is the active view";
    EXPECT_TRUE(Tree().hasFocus()) << "while the focus stays in the tree";

    Select(Tree().GetRootItem());
    EXPECT_NE(qobject_cast<CFormBlank*>(RightPane()), nullptr);
}

TEST_F(ViewsTest, MovingBetweenMemoriesBuildsANewFormThatUpdatesTwice)
{
    Doc().GetAt(4)->Pow = 4.5f;
    Select(Item(3));
    QPointer<CView> pFirst = RightPane();

    Tree().setCurrentItem(Item(4));
    CFormMemData* pForm = MemForm();
    ASSERT_NE(pForm, nullptr);
    EXPECT_NE(pForm, pFirst.data());
    EXPECT_TRUE(pFirst.isNull()) << "the old form is gone";
    // The first update has built the rows but shows no values yet.
    EXPECT_EQ(pForm->GetList().topLevelItemCount(), 36);
    EXPECT_FALSE(pForm->GetList().isVisibleTo(pForm));
    EXPECT_EQ(pForm->GetList().GetItemText(8, 1), QString());

    QCoreApplication::processEvents();
    EXPECT_TRUE(pForm->GetList().isVisibleTo(pForm));
    EXPECT_EQ(pForm->GetList().GetItemText(8, 1), QStringLiteral("4.5000"));
    EXPECT_EQ(pForm->GetList().geometry(), pForm->rect()) << "the list fills the form";
}

TEST_F(ViewsTest, CopyAndPasteAreEnabledOnlyWhereTheyCanWork)
{
    EXPECT_FALSE(Enabled(ID_EDIT_COPY_MEMORY)) << "root selected";
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE_OVERWRITE));

    Select(Item(3));
    EXPECT_TRUE(Enabled(ID_EDIT_COPY_MEMORY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE_OVERWRITE)) << "nothing copied yet";

    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_COPY_MEMORY));
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE_OVERWRITE));
    EXPECT_FALSE(Doc().IsModified()) << "Copy alone changes nothing";

    ASSERT_TRUE(m_pFrame->RouteCommand(ID_FILE_NEW));
    QCoreApplication::processEvents();
    EXPECT_EQ(Tree().currentItem(), Item(3)) << "New leaves the tree alone";
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE_OVERWRITE)) << "the buffer survives New";

    // The tree view itself handles them when it is the active view.
    m_pFrame->SetActiveView(m_pLeft);
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE_OVERWRITE));
    Select(Tree().GetRootItem());
    m_pFrame->SetActiveView(m_pLeft);
    EXPECT_FALSE(Enabled(ID_EDIT_COPY_MEMORY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE_OVERWRITE));
}

TEST_F(ViewsTest, PasteWritesTheCopiedRecordAndShowsItAtOnce)
{
    STOREMEM& rec3 = *Doc().GetAt(3);
    rec3.Memo = QStringLiteral("bench 3");
    rec3.Mode = QStringLiteral("CV");
    rec3.Curr = 1.25f;
    rec3.CountTime = 1;
    rec3.Abc[2].Cond_H = 0.5f;

    Select(Item(3));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_COPY_MEMORY));
    // Changes to record 3 after the Copy do not reach the buffer.
    rec3.Curr = 9.0f;
    rec3.Memo = QStringLiteral("changed");

    Select(Item(10));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_PASTE_OVERWRITE));
    const STOREMEM& rec10 = *Doc().GetAt(10);
    EXPECT_EQ(rec10.Memo, QStringLiteral("bench 3"));
    EXPECT_EQ(rec10.Mode, QStringLiteral("CV"));
    EXPECT_FLOAT_EQ(rec10.Curr, 1.25f);
    EXPECT_EQ(rec10.CountTime, 1);
    EXPECT_FLOAT_EQ(rec10.Abc[2].Cond_H, 0.5f);
    EXPECT_TRUE(Doc().IsModified());

    // Shown without a new selection or any further event.
    CMemDataPane& list = MemForm()->GetList();
    EXPECT_EQ(list.GetItemText(2, 1), QStringLiteral("bench 3"));
    EXPECT_EQ(list.GetItemText(7, 1), QStringLiteral("1.2500"));
    EXPECT_EQ(list.GetItemText(14, 1), QStringLiteral("1"));
    EXPECT_EQ(list.GetItemText(35, 3), QStringLiteral("0.5000"));
}

TEST_F(ViewsTest, RightClickSelectsTheItemBeforeTheMenuOpens)
{
    Tree().scrollToItem(Item(5));
    const QPoint pt = Tree().visualItemRect(Item(5)).center();
    QTreeWidgetItem* pSelectedAtMenu = nullptr;
    CView* pFormAtMenu = nullptr;
    QStringList actions;
    QTimer::singleShot(0, [&] {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            pSelectedAtMenu = Tree().currentItem();
            pFormAtMenu = RightPane();
            for (QAction* pAction : pMenu->actions())
                actions << pAction->text();
            pMenu->close();
        }
    });
    // Through the window, as the window system delivers it, so that the
    // press also raises the context-menu request.
    QWidget* pViewport = Tree().viewport();
    QTest::mouseClick(m_pFrame->windowHandle(), Qt::RightButton, Qt::NoModifier,
                      pViewport->mapTo(m_pFrame, pt));
    QCoreApplication::processEvents();

    EXPECT_EQ(pSelectedAtMenu, Item(5));
    ASSERT_NE(qobject_cast<CFormMemData*>(pFormAtMenu), nullptr);
    EXPECT_EQ(qobject_cast<CFormMemData*>(pFormAtMenu)->m_nMemoryIndex, 5);
    ASSERT_EQ(actions.size(), 2);
    EXPECT_TRUE(actions[0].startsWith(QStringLiteral("&Copy")));
    EXPECT_TRUE(actions[1].startsWith(QStringLiteral("&Paste As Overwrite")));
}

TEST_F(ViewsTest, RefusedExchangeReturnsTheTreeToTheShownForm)
{
    Select(Item(3));
    CFormMemData* pForm = MemForm();
    auto* pEdit = new CValueEdit(pForm);
    pEdit->SetRange(0, 9);
    pEdit->setText(QStringLiteral("50"));
    pEdit->show();

    Tree().scrollToItem(Item(7));
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                      Tree().visualItemRect(Item(7)).center());
    QCoreApplication::processEvents();

    EXPECT_EQ(RightPane(), pForm) << "the form refused to go";
    EXPECT_EQ(Tree().currentItem(), Item(3));
    EXPECT_EQ(Tree().selectedItems(), QList<QTreeWidgetItem*>{Item(3)});
    EXPECT_EQ(pEdit->selectedText(), QStringLiteral("50"));

    pEdit->setText(QStringLiteral("5"));
    Select(Item(7));
    EXPECT_EQ(MemForm()->m_nMemoryIndex, 7);
}

TEST_F(ViewsTest, GroupAndHeaderRowsTakeTheHighlightColours)
{
    Select(Item(0));
    CMemDataPane& list = MemForm()->GetList();
    const QColor crGroup(34, 74, 176);
    const QColor crHeader(49, 106, 197);
    const QList<int> groups = {0, 11, 20};
    const QList<int> headers = {1, 6, 12, 21, 26, 31};
    for (int nRow = 0; nRow < 36; ++nRow) {
        const ROWCOLOR* pColor = list.GetRowColor(nRow);
        if (groups.contains(nRow)) {
            ASSERT_NE(pColor, nullptr) << nRow;
            EXPECT_EQ(pColor->crBack, crGroup) << nRow;
            EXPECT_EQ(pColor->crText, Qt::white) << nRow;
        } else if (headers.contains(nRow)) {
            ASSERT_NE(pColor, nullptr) << nRow;
            EXPECT_EQ(pColor->crBack, crHeader) << nRow;
        } else {
            EXPECT_EQ(pColor, nullptr) << nRow;
        }
    }

    // And they are what the list draws: the empty right end of column 3.
    const QImage img = list.viewport()->grab().toImage();
    int nChecked = 0;
    for (int nRow = 0; nRow < 36; ++nRow) {
        const QRect rc = list.visualRect(list.model()->index(nRow, 3));
        if (!list.viewport()->rect().contains(rc))
            continue;
        const QColor cr = img.pixelColor(rc.right() - 3, rc.center().y());
        if (groups.contains(nRow))
            EXPECT_EQ(cr, crGroup) << nRow;
        else if (headers.contains(nRow))
            EXPECT_EQ(cr, crHeader) << nRow;
        else
            EXPECT_NE(cr, crHeader) << nRow;
        ++nChecked;
    }
    EXPECT_GE(nChecked, 12);
}

TEST_F(ViewsTest, FillListWritesEveryCellOfTheTable)
{
    STOREMEM& rec = *Doc().GetAt(8);
    rec.Curr = 1.5f;
    rec.Response = 2;
    rec.Abc[0].Curr_L = 0.125f;
    rec.Abc[2].Cond_H = 3.0625f;
    rec.Abc[1].Volt_M = 99.0f;
    Select(Item(8));
    const CMemDataPane& list = MemForm()->GetList();

    EXPECT_EQ(list.GetItemText(7, 1), QStringLiteral("1.5000"));
    EXPECT_EQ(list.GetItemText(15, 1), QStringLiteral("2"));
    EXPECT_EQ(list.GetItemText(22, 1), QStringLiteral("0.1250")) << "A memory, current LOW";
    EXPECT_EQ(list.GetItemText(35, 3), QStringLiteral("3.0625")) << "C memory, conductance HIGH";
    EXPECT_EQ(list.GetItemText(2, 1), QString()) << "no memo";
    EXPECT_EQ(list.GetItemText(3, 1), QStringLiteral("CC"));
    EXPECT_EQ(list.GetItemText(7, 3), QStringLiteral("TRIP"));
    for (const auto& cell : {std::pair{9, 3}, {10, 2}, {10, 3}, {24, 2}, {29, 2}, {34, 2}})
        EXPECT_EQ(list.GetItemText(cell.first, cell.second), QStringLiteral("-")) << cell.first;
    for (int nRow = 0; nRow < 36; ++nRow) {
        for (int nCol = 1; nCol < 4; ++nCol)
            EXPECT_NE(list.GetItemText(nRow, nCol), QStringLiteral("99.0000"))
                << "MEDium voltage is never shown";
    }
    EXPECT_EQ(list.GetItemText(21, 0), QStringLiteral("A Memory"));
    EXPECT_EQ(list.GetItemText(21, 2), QStringLiteral("MEDium"));
    EXPECT_EQ(list.GetItemText(6, 3), QStringLiteral("Action"));
    EXPECT_EQ(list.headerItem()->text(0), QString());
    EXPECT_EQ(list.columnWidth(0), 120);
    EXPECT_EQ(list.columnWidth(3), 100);
}

TEST_F(ViewsTest, TheListIsReadOnly)
{
    Select(Item(2));
    CMemDataPane& list = MemForm()->GetList();
    const QRect rc = list.visualItemRect(list.topLevelItem(7));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(rc.left() + 150, rc.center().y()));
    QTest::keyClicks(list.viewport(), QStringLiteral("42"));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.GetItemText(7, 1), QStringLiteral("0.0000"));
    EXPECT_FLOAT_EQ(Doc().GetAt(2)->Curr, 0.0f);
    EXPECT_FALSE(Doc().IsModified());
}

TEST(TableOfFormsTest, TextOfTheTreeItemChoosesTheForm)
{
    const CRuntimeClass* pBlank = RUNTIME_CLASS(CFormBlank);
    const CRuntimeClass* pMemData = RUNTIME_CLASS(CFormMemData);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("0")), pMemData);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("57")), pMemData);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("12abc")), pMemData);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral(" +7")), pMemData);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("Memories")), pBlank);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("-3")), pBlank);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QStringLiteral("")), pBlank);
    EXPECT_EQ(g_TableOfForms.FindViewClass(QString()), pBlank);
    EXPECT_EQ(g_TableOfForms.GetViewClass(2), pBlank);
    EXPECT_EQ(g_TableOfForms.GetViewClass(-1), pBlank);
    EXPECT_EQ(g_TableOfForms.GetViewClass(1), pMemData);
    EXPECT_EQ(g_TableOfForms.GetName(5), QString());
    EXPECT_EQ(g_TableOfForms.GetCurrent(), 0);
}

TEST(RowColourTest, DarkenedHighlightRoundsAsMulDiv)
{
    EXPECT_EQ(DarkenedHighlight(QColor(49, 106, 197)), QColor(34, 74, 176));
    EXPECT_EQ(DarkenedHighlight(QColor(0, 0, 0)), QColor(0, 0, 39)); // 38.5 rounds up
    EXPECT_EQ(DarkenedHighlight(QColor(255, 255, 255)), QColor(179, 179, 217));
}

} // namespace
