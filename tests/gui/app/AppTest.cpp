#include "tests/gui/framework/GuiApp.h"

#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "platform/help/HtmlHelp.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/GuiResources.h"
#include "views/FormBlank.h"
#include "views/LeftView.h"
#include "views/ValidateFormView.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

// What a modal window showed before the test closed it.
struct MODALSEEN
{
    bool bSeen = false;
    QString strTitle;
    QString strText;
};

// Waits for the next modal window, lets fnInspect look at it, then closes it
// with fnClose (Escape by default). Gives up after about five seconds.
void HandleNextModal(MODALSEEN* pSeen, std::function<void(QWidget*)> fnInspect = {},
                     std::function<void(QWidget*)> fnClose = {}, int nTries = 100)
{
    QTimer::singleShot(50, [=] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal) {
            if (nTries > 0)
                HandleNextModal(pSeen, fnInspect, fnClose, nTries - 1);
            return;
        }
        pSeen->bSeen = true;
        pSeen->strTitle = pModal->windowTitle();
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
            pSeen->strText = pBox->text();
        if (fnInspect)
            fnInspect(pModal);
        if (fnClose)
            fnClose(pModal);
        else
            QTest::keyClick(pModal, Qt::Key_Escape);
    });
}

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        ASSERT_TRUE(m_dir.isValid());
        m_pApp = std::make_unique<CVaultlineApp>();
    }
    void TearDown() override
    {
        if (m_pApp && m_pApp->GetDocument())
            m_pApp->GetDocument()->SetModifiedFlag(false);
        m_pApp.reset();
        SetHelpViewer(nullptr);
    }

    CMainFrame* Frame() const { return m_pApp->GetMainFrame(); }

    bool IsEnabled(unsigned nId)
    {
        Frame()->UpdateAllCommands();
        return Frame()->GetCommandAction(nId)->isEnabled();
    }

    // A memory file whose record 7 differs from the defaults, saved by a run
    // of its own; the fixture's application is a fresh one afterwards.
    QString WriteMemoryFile()
    {
        const QString strPath = m_dir.filePath(QStringLiteral("saved.xMem"));
        EXPECT_TRUE(m_pApp->InitInstance({}));
        STOREMEM* pMem = m_pApp->GetDocument()->GetAt(7);
        pMem->Memo = QStringLiteral("seven");
        pMem->Curr = 1.5f;
        EXPECT_TRUE(m_pApp->GetDocument()->OnSaveDocument(strPath));
        m_pApp.reset();
        m_pApp = std::make_unique<CVaultlineApp>();
        return strPath;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CVaultlineApp> m_pApp;
};

TEST_F(AppTest, StartsWithANewDocumentInItsWindow)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    ASSERT_NE(Frame(), nullptr);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("CueBench")) << "class part of WM_CLASS";
    EXPECT_EQ(Frame()->windowTitle(), LoadResString(AFX_IDS_UNTITLED) + QStringLiteral(" - DXR9K Vaultline"));
    EXPECT_EQ(m_pApp->GetAppName(), QStringLiteral("DXR9K Vaultline"));
    EXPECT_TRUE(m_pApp->GetLeftPane()->IsKindOf(RUNTIME_CLASS(CLeftView)));
    EXPECT_TRUE(m_pApp->GetRightPane()->IsKindOf(RUNTIME_CLASS(CFormBlank)));
    EXPECT_EQ(m_pApp->GetDocumentObject<CVaultlineDoc>(), m_pApp->GetDocument());
}

TEST_F(AppTest, CommandsAreEnabledWhereTheyHaveAHandler)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    struct CASE
    {
        unsigned nId;
        bool bEnabled;
    };
    // The root is selected and nothing has been copied yet.
    const CASE cases[] = {
        {ID_FILE_NEW, true},
        {ID_FILE_OPEN, true},
        {ID_FILE_SAVE, true},
        {ID_FILE_SAVE_AS, true},
        {ID_APP_EXIT, true},
        {ID_EDIT_PREFERENCES, false},
        {ID_EDIT_COPY_MEMORY, false},
        {ID_EDIT_PASTE_OVERWRITE, false},
        {ID_VIEW_TOOLBAR, true},
        {ID_VIEW_STATUS_BAR, true},
        {ID_HELP_INDEX, true},
        {ID_APP_ABOUT, true},
        {ID_HELP, true},
        {ID_NEXT_PANE, true},
        {ID_PREV_PANE, true},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(IsEnabled(c.nId), c.bEnabled) << "command " << c.nId;

    // Preferences has no handler anywhere, whatever is selected.
    for (const char* pszItem : {"57", "Memories", "0"}) {
        Frame()->SelectForm(QString::fromLatin1(pszItem));
        QCoreApplication::processEvents();
        EXPECT_FALSE(IsEnabled(ID_EDIT_PREFERENCES)) << pszItem;
        EXPECT_FALSE(Frame()->RouteCommand(ID_EDIT_PREFERENCES));
    }
}

TEST_F(AppTest, ToolbarAndMenusShareTheCommands)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QToolBar* pBar = Frame()->GetToolBar();
    ASSERT_NE(pBar, nullptr);
    std::vector<unsigned> ids;
    for (QAction* pAction : pBar->actions())
        ids.push_back(pAction->isSeparator() ? 0u : pAction->data().toUInt());
    EXPECT_EQ(ids, LoadToolBar(IDR_MAINFRAME));
    EXPECT_EQ(pBar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_EQ(pBar->iconSize(), QSize(16, 15));
    // Menu entries with a button show its image; the others none.
    EXPECT_FALSE(Frame()->GetCommandAction(ID_EDIT_COPY_MEMORY)->icon().isNull());
    EXPECT_TRUE(Frame()->GetCommandAction(ID_FILE_SAVE_AS)->icon().isNull());
    EXPECT_EQ(Frame()->GetCommandAction(ID_TRANSFER_UPLOAD)->toolTip(), QStringLiteral("Upload"));
    EXPECT_EQ(Frame()->GetCommandAction(ID_TRANSFER_UPLOAD)->statusTip(),
              QStringLiteral("Uploads store memory contents to the instrument"));

    // View > Toolbar hides and shows the bar, with its check mark.
    Frame()->RouteCommand(ID_VIEW_TOOLBAR);
    Frame()->UpdateAllCommands();
    EXPECT_FALSE(pBar->isVisible());
    EXPECT_FALSE(Frame()->GetCommandAction(ID_VIEW_TOOLBAR)->isChecked());
    Frame()->RouteCommand(ID_VIEW_TOOLBAR);
    Frame()->UpdateAllCommands();
    EXPECT_TRUE(pBar->isVisible());
    EXPECT_TRUE(Frame()->GetCommandAction(ID_VIEW_TOOLBAR)->isChecked());
}

TEST_F(AppTest, WindowCannotBecomeSmallerThan300By200)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    for (const QSize& size : {QSize(100, 50), QSize(299, 500), QSize(800, 199), QSize(0, 0)}) {
        Frame()->resize(size);
        QCoreApplication::processEvents();
        EXPECT_GE(Frame()->width(), 300) << size.width() << "x" << size.height();
        EXPECT_GE(Frame()->height(), 200) << size.width() << "x" << size.height();
    }
    Frame()->resize(640, 480);
    EXPECT_EQ(Frame()->size(), QSize(640, 480));
}

TEST_F(AppTest, F6AndShiftF6MoveTheFocusBetweenThePanes)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QApplication::setActiveWindow(Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    Frame()->SelectForm(QStringLiteral("3"));
    QCoreApplication::processEvents();
    static_cast<CLeftView*>(m_pApp->GetLeftPane())->GetTree().setFocus();
    QCoreApplication::processEvents();
    auto inPane = [](CView* pView) {
        QWidget* pFocus = QApplication::focusWidget();
        return pFocus && (pFocus == pView || pView->isAncestorOf(pFocus));
    };
    ASSERT_TRUE(inPane(m_pApp->GetLeftPane()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(inPane(m_pApp->GetRightPane()));
    EXPECT_EQ(Frame()->GetActiveView(), m_pApp->GetRightPane());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(inPane(m_pApp->GetLeftPane()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(inPane(m_pApp->GetRightPane()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(inPane(m_pApp->GetLeftPane()));
}

TEST_F(AppTest, SelectFormHandsTheLeadingNumberToTheNewForm)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    struct CASE
    {
        const char* pszText;
        int nResult;
        int nMemoryIndex;
        bool bBlank;
    };
    const CASE cases[] = {
        {"57", 1, 57, false}, {" 12abc", 1, 12, false}, {"Memories", 1, 0, true},
        {"-3", 1, -3, true},  {"0", 1, 0, false},       {"", 0, -1, true},
    };
    for (const CASE& c : cases) {
        CView* pBefore = m_pApp->GetRightPane();
        EXPECT_EQ(Frame()->SelectForm(QString::fromLatin1(c.pszText)), c.nResult) << c.pszText;
        QCoreApplication::processEvents();
        CView* pAfter = m_pApp->GetRightPane();
        if (c.nResult == 0) {
            EXPECT_EQ(pAfter, pBefore) << "nothing changes for " << c.pszText;
            continue;
        }
        ASSERT_NE(pAfter, nullptr);
        EXPECT_EQ(pAfter->IsKindOf(RUNTIME_CLASS(CFormBlank)), c.bBlank) << c.pszText;
        EXPECT_EQ(static_cast<CValidateFormView*>(pAfter)->m_nMemoryIndex, c.nMemoryIndex) << c.pszText;
    }
}

TEST_F(AppTest, AboutBoxReadsTheVersionOfTheProgramFile)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    MODALSEEN seen;
    QString strVersion;
    HandleNextModal(&seen, [&strVersion](QWidget* pModal) {
        if (auto* pLabel = qobject_cast<QLabel*>(FindDlgItem(pModal, IDC_VERSION)))
            strVersion = pLabel->text();
    });
    EXPECT_TRUE(Frame()->RouteCommand(ID_APP_ABOUT));
    EXPECT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.strTitle, QStringLiteral("DXR9K Vaultline"));
    EXPECT_EQ(strVersion, QStringLiteral("Version 2, 2, 0, 23"));

    // The close box ends it like OK.
    MODALSEEN seenClose;
    HandleNextModal(&seenClose, {}, [](QWidget* pModal) { pModal->close(); });
    EXPECT_TRUE(Frame()->RouteCommand(ID_APP_ABOUT));
    EXPECT_TRUE(seenClose.bSeen);
}

TEST_F(AppTest, FileOnTheCommandLineIsOpened)
{
    const QString strPath = WriteMemoryFile();
    ASSERT_TRUE(m_pApp->InitInstance({strPath}));
    CVaultlineDoc* pDoc = m_pApp->GetDocument();
    EXPECT_EQ(pDoc->GetAt(7)->Memo, QStringLiteral("seven"));
    EXPECT_FLOAT_EQ(pDoc->GetAt(7)->Curr, 1.5f);
    EXPECT_FALSE(pDoc->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), QFileInfo(strPath).fileName() + QStringLiteral(" - DXR9K Vaultline"));
    EXPECT_EQ(m_pApp->GetRecentFileList().GetFiles().value(0), QFileInfo(strPath).absoluteFilePath());
}

TEST_F(AppTest, UnreadableFileEndsStartUpAfterTheDocumentsMessage)
{
    const QString strPath = m_dir.filePath(QStringLiteral("broken.xMem"));
    {
        QFile file(strPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is not a memory file");
    }
    MODALSEEN seen;
    HandleNextModal(&seen, {}, [](QWidget* pModal) {
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
            pBox->button(QMessageBox::Ok)->click();
    });
    EXPECT_FALSE(m_pApp->InitInstance({strPath}));
    EXPECT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.strText, FormatResString(IDS_FILE_NOT_READ, QFileInfo(strPath).absoluteFilePath()));
    // Before start-up has finished the caption is the program file's name.
    EXPECT_EQ(seen.strTitle, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    EXPECT_EQ(m_pApp->GetMainFrame(), nullptr);
    EXPECT_EQ(m_pApp->GetDocument(), nullptr);
}

TEST_F(AppTest, ClosingAModifiedDocumentCanBeCancelled)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    m_pApp->GetDocument()->SetModifiedFlag(true);
    MODALSEEN seen;
    HandleNextModal(&seen, {}, [](QWidget* pModal) {
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
            pBox->button(QMessageBox::Cancel)->click();
    });
    Frame()->close();
    EXPECT_TRUE(seen.bSeen);
    EXPECT_EQ(seen.strTitle, QStringLiteral("DXR9K Vaultline"));
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(AppTest, HelpOpensTheGuideAtContext3)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QList<QUrl> opened;
    SetHelpViewer([&opened](const QUrl& url) {
        opened.append(url);
        return true;
    });
    EXPECT_TRUE(Frame()->RouteCommand(ID_HELP_INDEX));
    EXPECT_TRUE(Frame()->RouteCommand(ID_HELP));
    ASSERT_EQ(opened.size(), 2);
    for (const QUrl& url : opened) {
        EXPECT_TRUE(url.isLocalFile());
        EXPECT_TRUE(url.toLocalFile().endsWith(QStringLiteral("/guide/index.html")))
            << url.toString().toStdString();
        EXPECT_EQ(url.fragment(), QStringLiteral("context-3"));
    }
    // Without a guide the command does nothing and says nothing.
    EXPECT_EQ(FindHelpFile(m_dir.path()), QString());
    EXPECT_FALSE(HtmlHelpContext(FindHelpFile(m_dir.path()), 3));
    EXPECT_EQ(opened.size(), 2);
}

TEST(RecentFileListTest, KeepsFourNewestFirstWithoutDuplicates)
{
    EnsureGuiApp();
    const QString strSection = QStringLiteral("Software\\Vaultline Tests\\Recent File List");
    CRecentFileList list(strSection, 4);
    for (const char* psz : {"/m/a.xMem", "/m/b.xMem", "/m/c.xMem", "/m/a.xMem", "/m/d.xMem", "/m/e.xMem"})
        list.Add(QString::fromLatin1(psz));
    const QStringList expected = {QStringLiteral("/m/e.xMem"), QStringLiteral("/m/d.xMem"),
                                  QStringLiteral("/m/a.xMem"), QStringLiteral("/m/c.xMem")};
    EXPECT_EQ(list.GetFiles(), expected);
    list.WriteList();

    CRecentFileList reread(strSection, 4);
    reread.ReadList();
    EXPECT_EQ(reread.GetFiles(), expected);
}

} // namespace
