#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "gui/views/ViewsTestSupport.h"
#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "views/FormBlank.h"
#include "views/FormMemData.h"
#include "views/LeftView.h"
#include "views/MemDataPane.h"
#include "views/ScanNumber.h"
#include "views/ValueEdit.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The tree's texts start with the memory number; the frame, the tree and the
// table of forms all read it with the one scanner.
TEST(ScanNumberTest, ReadsTheLeadingNumberAsScanfDoes)
{
    const struct
    {
        const char* pszText;
        bool bFound;
        long nExpected; // n as left: 5 is its value before the scan
    } cases[] = {
        {"12  Memory 12", true, 12},
        {"  -7x", true, -7},
        {"+3", true, 3},
        {"0042", true, 42},
        {"\t9", true, 9},
        {"Memories", false, 5},
        {"", false, 5},
        {"- 4", false, 5},
        {"99999999999", true, 2147483647},
        {"-99999999999", true, -2147483648L},
    };
    for (const auto& c : cases) {
        long n = 5;
        EXPECT_EQ(ScanLong(QString::fromLatin1(c.pszText), n), c.bFound) << c.pszText;
        EXPECT_EQ(n, c.nExpected) << c.pszText;
    }
}

// The desktop program as it starts without a file: main window, tree and
// blank form, a new document.
class ViewsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        QPalette pal = QApplication::palette();
        pal.setColor(QPalette::Highlight, QColor(49, 106, 197));
        pal.setColor(QPalette::HighlightedText, Qt::white);
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
    CMemDataPane& List() { return MemForm()->GetList(); }
    bool Enabled(unsigned nId) { return m_pFrame->IsCommandEnabled(nId); }

    // A field of the shown form holding an out-of-range value: the form
    // refuses to go until it is corrected.
    CValueEdit* AddRefusingField()
    {
        auto* pEdit = new CValueEdit(MemForm(), &Doc());
        pEdit->SetRange(0, 9);
        pEdit->setText(QStringLiteral("50"));
        pEdit->show();
        return pEdit;
    }

    // Selects a tree item as the user would and lets the posted second
    // initial update run.
    void Select(QTreeWidgetItem* pItem)
    {
        Tree().setCurrentItem(pItem);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<CVaultlineApp> m_pApp;
    CMainFrame* m_pFrame = nullptr;
    CLeftView* m_pLeft = nullptr;
};

TEST_F(ViewsTest, StartsWithTheBlankFormAndEachSelectedMemoryGetsANewFormThatUpdatesTwice)
{
    QTreeWidgetItem* pRoot = Tree().GetRootItem();
    ASSERT_NE(pRoot, nullptr);
    EXPECT_EQ(pRoot->text(0), QStringLiteral("Memories"));
    EXPECT_TRUE(pRoot->isExpanded() && pRoot->isSelected());
    ASSERT_EQ(pRoot->childCount(), 100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(pRoot->child(i)->text(0), QString::number(i));
    const QList<QLabel*> labels = RightPane()->findChildren<QLabel*>();
    ASSERT_TRUE(qobject_cast<CFormBlank*>(RightPane()) && labels.size() == 1);
    EXPECT_EQ(labels[0]->text(), QStringLiteral("Select a tree item to edit..."));

    Doc().GetAt(4)->Pow = 4.5f;
    const QSize sizePanes(m_pLeft->width(), RightPane()->width());
    Select(Item(3));
    QPointer<CView> pFirst = RightPane();

    Tree().setCurrentItem(Item(4));
    CFormMemData* pForm = MemForm();
    ASSERT_NE(pForm, nullptr);
    EXPECT_EQ(pForm->m_nMemoryIndex, 4);
    EXPECT_TRUE(pFirst.isNull()) << "the old form is gone";
    // The first update has built the rows but shows no values yet.
    EXPECT_EQ(List().topLevelItemCount(), 36);
    EXPECT_FALSE(List().isVisibleTo(pForm));
    EXPECT_EQ(List().GetItemText(8, 1), QString());

    QCoreApplication::processEvents();
    EXPECT_TRUE(List().isVisibleTo(pForm));
    EXPECT_EQ(List().GetItemText(8, 1), QStringLiteral("4.5000"));
    EXPECT_EQ(List().geometry(), pForm->rect()) << "the list fills the form";
    EXPECT_EQ(QSize(m_pLeft->width(), pForm->width()), sizePanes) << "a new form takes the old one's place";
    EXPECT_EQ(m_pFrame->GetActiveView(), pForm) << "the new form is the active view";
    EXPECT_TRUE(Tree().hasFocus()) << "while the focus stays in the tree";

    Select(pRoot);
    EXPECT_NE(qobject_cast<CFormBlank*>(RightPane()), nullptr);
}

TEST_F(ViewsTest, CopyAndPasteWorkOnTheSelectedMemoryAndOnlyThere)
{
    EXPECT_FALSE(Enabled(ID_EDIT_COPY_MEMORY) || Enabled(ID_EDIT_PASTE_OVERWRITE)) << "root selected";
    Doc().GetAt(3)->Memo = QStringLiteral("bench 3");
    Select(Item(3));
    EXPECT_TRUE(Enabled(ID_EDIT_COPY_MEMORY));
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE_OVERWRITE)) << "nothing copied yet";
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_COPY_MEMORY));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_FILE_NEW));
    QCoreApplication::processEvents();
    EXPECT_EQ(Tree().currentItem(), Item(3)) << "New leaves the tree alone";

    Select(Item(10));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_PASTE_OVERWRITE));
    EXPECT_EQ(Doc().GetAt(10)->Memo, QStringLiteral("bench 3"));
    EXPECT_EQ(List().GetItemText(2, 1), QStringLiteral("bench 3")) << "shown at once";

    // A click makes the tree the active view, which then handles the commands itself.
    QTest::mouseClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                      Tree().visualItemRect(Item(10)).center());
    EXPECT_EQ(m_pFrame->GetActiveView(), m_pLeft);
    EXPECT_TRUE(Enabled(ID_EDIT_COPY_MEMORY) && Enabled(ID_EDIT_PASTE_OVERWRITE));
    Select(Tree().GetRootItem());
    m_pFrame->SetActiveView(m_pLeft);
    EXPECT_FALSE(Enabled(ID_EDIT_COPY_MEMORY) || Enabled(ID_EDIT_PASTE_OVERWRITE));
}

TEST_F(ViewsTest, RightClickSelectsTheItemBeforeTheMenuOpens)
{
    Tree().scrollToItem(Item(5));
    const QPoint pt = Tree().visualItemRect(Item(5)).center();
    int nFormAtMenu = -1;
    QStringList actions;
    QTimer::singleShot(0, [&] {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            if (Tree().currentItem() == Item(5) && MemForm())
                nFormAtMenu = MemForm()->m_nMemoryIndex;
            for (QAction* pAction : pMenu->actions())
                actions << pAction->text().section(QLatin1Char('\t'), 0, 0);
            pMenu->close();
        }
    });
    // Through the window, as the window system delivers it, so that the
    // press also raises the context-menu request.
    QTest::mouseClick(m_pFrame->windowHandle(), Qt::RightButton, Qt::NoModifier,
                      Tree().viewport()->mapTo(m_pFrame, pt));
    QCoreApplication::processEvents();
    EXPECT_EQ(nFormAtMenu, 5);
    EXPECT_EQ(actions, QStringList({"&Copy", "&Paste As Overwrite"}));
}

TEST_F(ViewsTest, RefusedExchangeReturnsTheTreeToTheShownForm)
{
    Select(Item(3));
    CFormMemData* pForm = MemForm();
    CValueEdit* pEdit = AddRefusingField();

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

// Collapsing the root hides every memory: the selection moves to the root as
// a click on it would (blank form, Copy and Paste off), unless the shown form
// refuses to go, which keeps the memory selected and the root open.
TEST_F(ViewsTest, CollapsingTheRootSelectsItUnlessTheFormRefuses)
{
    for (const bool bRefuse : {false, true}) {
        SCOPED_TRACE(bRefuse ? "form refuses" : "form lets go");
        Doc().GetAt(3)->Memo = QStringLiteral("three");
        Doc().GetAt(7)->Memo = QStringLiteral("seven");
        Select(Item(3));
        ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_COPY_MEMORY));
        Select(Item(7));
        CFormMemData* pForm = MemForm();
        ASSERT_NE(pForm, nullptr);
        if (bRefuse)
            AddRefusingField();
        QTreeWidgetItem* pRoot = Tree().GetRootItem();
        // A click on the root's expander, as the user collapses it.
        Tree().scrollToTop();
        const QRect rc = Tree().visualItemRect(pRoot);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rc.left() - Tree().indentation() / 2, rc.center().y()));
        QCoreApplication::processEvents();
        m_pFrame->SetActiveView(m_pLeft);
        if (!bRefuse) {
            EXPECT_FALSE(pRoot->isExpanded());
            EXPECT_EQ(Tree().selectedItems(), QList<QTreeWidgetItem*>{pRoot});
            EXPECT_NE(qobject_cast<CFormBlank*>(RightPane()), nullptr) << "the blank form";
            EXPECT_FALSE(Enabled(ID_EDIT_COPY_MEMORY) || Enabled(ID_EDIT_PASTE_OVERWRITE));
            m_pFrame->RouteCommand(ID_EDIT_PASTE_OVERWRITE);
            EXPECT_EQ(Doc().GetAt(7)->Memo, QStringLiteral("seven")) << "nothing pasted into a hidden memory";
            pRoot->setExpanded(true);
        } else {
            EXPECT_TRUE(pRoot->isExpanded()) << "the refused collapse is undone";
            EXPECT_EQ(Tree().selectedItems(), QList<QTreeWidgetItem*>{Item(7)});
            EXPECT_EQ(RightPane(), pForm);
            EXPECT_TRUE(Enabled(ID_EDIT_PASTE_OVERWRITE));
            delete pForm->findChild<CValueEdit*>();
        }
    }
}

// Ctrl+click and Ctrl+Space on the selected memory keep it selected; on
// another memory they select that one, as a plain click does.
TEST_F(ViewsTest, TheSelectedMemoryCannotBeDeselected)
{
    Select(Item(3));
    ASSERT_TRUE(m_pFrame->RouteCommand(ID_EDIT_COPY_MEMORY));
    const struct
    {
        int nItem;
        bool bMouse;
        int nSelected;
    } steps[] = {{7, true, 7}, {7, true, 7}, {7, false, 7}, {9, true, 9}, {9, false, 9}};
    Select(Item(7));
    for (const auto& step : steps) {
        SCOPED_TRACE(
            QStringLiteral("item %1 by %2").arg(step.nItem).arg(step.bMouse ? "click" : "key").toStdString());
        Tree().scrollToItem(Item(step.nItem));
        if (step.bMouse)
            QTest::mouseClick(Tree().viewport(), Qt::LeftButton, Qt::ControlModifier,
                              Tree().visualItemRect(Item(step.nItem)).center());
        else
            QTest::keyClick(&Tree(), Qt::Key_Space, Qt::ControlModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(Tree().selectedItems(), QList<QTreeWidgetItem*>{Item(step.nSelected)});
        ASSERT_NE(MemForm(), nullptr);
        EXPECT_EQ(MemForm()->m_nMemoryIndex, step.nSelected);
        m_pFrame->SetActiveView(m_pLeft);
        EXPECT_TRUE(Enabled(ID_EDIT_COPY_MEMORY) && Enabled(ID_EDIT_PASTE_OVERWRITE));
    }
}

TEST(MemDataPaneTest, ACellShowsOneLineWithMarkersForItsBreaks)
{
    const QString strLong(2000, QLatin1Char('x'));
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Line one\r\nLine two"), QStringLiteral("Line one \u21B5 Line two")},
        {QStringLiteral("a\nb\rc\n"), QStringLiteral("a \u21B5 b \u21B5 c \u21B5 ")},
        {QStringLiteral("tab\there"), QStringLiteral("tab here")},
        {QStringLiteral("plain <b>text</b>"), QStringLiteral("plain <b>text</b>")},
        {QString(), QString()},
        {strLong, strLong.left(1024) + QChar(0x2026)},
    };
    for (const auto& [strText, strShown] : cases)
        EXPECT_EQ(CellDisplayText(strText), strShown) << qPrintable(strText.left(40));
}

TEST(MemDataPaneTest, ATooltipHoldsTheLinesAsPlainTextUpToABound)
{
    const std::tuple<QString, QStringList, bool> cases[] = {
        // text, lines the tooltip shows, cut short
        {QStringLiteral("Line one\r\nLine two"), {"Line one", "Line two"}, false},
        {QStringLiteral("<b>&amp;</b>\nx"), {"&lt;b&gt;&amp;amp;&lt;/b&gt;", "x"}, false},
        {QStringLiteral("l\n").repeated(100), QStringList(40, QStringLiteral("l")), true},
        {QString(6000, QLatin1Char('y')), {QString(4000, QLatin1Char('y'))}, true},
    };
    for (const auto& [strText, lines, bCut] : cases) {
        QString strTip = CellToolTipText(strText);
        ASSERT_TRUE(strTip.startsWith(QStringLiteral("<p style='white-space:pre-wrap'>")));
        ASSERT_TRUE(strTip.endsWith(QStringLiteral("</p>")));
        strTip = strTip.mid(32, strTip.size() - 36);
        EXPECT_EQ(strTip.endsWith(QChar(0x2026)), bCut);
        if (bCut)
            strTip.chop(1);
        EXPECT_EQ(strTip.split(QLatin1Char('\n')), lines) << qPrintable(strText.left(40));
    }
}

// The memo row shows the first line and a marker; hovering shows the whole
// memo; the item, which a screen reader reads, keeps it whole.
TEST_F(ViewsTest, AMultiLineMemoShowsItsBreakAndTheWholeMemoInTheTooltip)
{
    const QString strMemo = QStringLiteral("Line one\r\nLine two");
    Doc().GetAt(4)->Memo = strMemo;
    Select(Item(4));
    EXPECT_EQ(List().GetItemText(2, 1), strMemo);
    const QRect rc = List().visualRect(List().model()->index(2, 1));
    QHelpEvent event(QEvent::ToolTip, rc.center(), List().viewport()->mapToGlobal(rc.center()));
    QApplication::sendEvent(List().viewport(), &event);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral("Line one\nLine two")))
        << qPrintable(QToolTip::text());
    QToolTip::hideText();

    QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(&List());
    ASSERT_TRUE(pAccessible && pAccessible->tableInterface());
    QAccessibleInterface* pCell = pAccessible->tableInterface()->cellAt(2, 1);
    ASSERT_NE(pCell, nullptr);
    EXPECT_EQ(pCell->text(QAccessible::Name), strMemo);

    // A one-line memo has no tooltip of its own.
    Doc().GetAt(5)->Memo = QStringLiteral("bench 5");
    Select(Item(5));
    EXPECT_EQ(List().topLevelItem(2)->toolTip(1), QString());
}

// A memo of megabytes (a file from elsewhere) shows without freezing the
// window: the row draws a bounded part of it.
TEST_F(ViewsTest, AMemoOfMegabytesShowsAtOnce)
{
    Doc().GetAt(6)->Memo = QStringLiteral("word ").repeated(2 * 1024 * 1024) + QStringLiteral("\nend");
    QElapsedTimer timer;
    timer.start();
    Select(Item(6));
    const QImage img = List().viewport()->grab().toImage();
    EXPECT_LT(timer.elapsed(), 2000) << "ms to show and draw the form";
    EXPECT_FALSE(img.isNull());
    EXPECT_LT(List().topLevelItem(2)->toolTip(1).size(), 4100);
}

// What the list draws at the empty right end of column 3: the group rows in
// the darkened highlight, the header rows in the highlight, the others not.
TEST_F(ViewsTest, GroupAndHeaderRowsAreDrawnInTheHighlightColours)
{
    Select(Item(0));
    const QColor crGroup(34, 74, 176);
    const QColor crHeader(49, 106, 197);
    const QList<int> groups = {0, 11, 20};
    const QList<int> headers = {1, 6, 12, 21, 26, 31};
    const QImage img = List().viewport()->grab().toImage();
    int nChecked = 0;
    for (int nRow = 0; nRow < 36; ++nRow) {
        const QRect rc = List().visualRect(List().model()->index(nRow, 3));
        if (!List().viewport()->rect().contains(rc))
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
    ASSERT_NE(List().GetRowColor(11), nullptr);
    EXPECT_EQ(List().GetRowColor(11)->crText, Qt::white) << "text in the highlighted text colour";
    EXPECT_EQ(List().GetRowColor(36), nullptr) << "beyond the table";
}

TEST_F(ViewsTest, TheListIsReadOnly)
{
    Select(Item(2));
    const QRect rc = List().visualItemRect(List().topLevelItem(7));
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(rc.left() + 150, rc.center().y()));
    QTest::keyClicks(List().viewport(), QStringLiteral("42"));
    QCoreApplication::processEvents();
    EXPECT_EQ(List().GetItemText(7, 1), QStringLiteral("0.0000"));
}

} // namespace
