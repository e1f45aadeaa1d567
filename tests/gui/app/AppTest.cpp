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

#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// What a modal window showed before the test closed it.
struct MODALSEEN
{
    bool bSeen = false;
    QString strTitle;
    QString strText;
};

// Waits (about five seconds at most) for the next modal window, lets
// fnInspect look at it, then closes it with eButton or else with Escape.
void HandleNextModal(MODALSEEN* pSeen, QMessageBox::StandardButton eButton = QMessageBox::NoButton,
                     std::function<void(QWidget*)> fnInspect = {}, int nTries = 100)
{
    QTimer::singleShot(50, [=] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (!pModal) {
            if (nTries > 0)
                HandleNextModal(pSeen, eButton, fnInspect, nTries - 1);
            return;
        }
        pSeen->bSeen = true;
        pSeen->strTitle = pModal->windowTitle();
        auto* pBox = qobject_cast<QMessageBox*>(pModal);
        if (pBox)
            pSeen->strText = pBox->text();
        if (fnInspect)
            fnInspect(pModal);
        if (pBox && eButton != QMessageBox::NoButton)
            pBox->button(eButton)->click();
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
        if (m_pApp->GetDocument())
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

    QTemporaryDir m_dir;
    std::unique_ptr<CVaultlineApp> m_pApp;
};

TEST_F(AppTest, StartsWithANewDocumentInItsWindow)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("CueBench")) << "class part of WM_CLASS";
    EXPECT_EQ(Frame()->windowTitle(), LoadResString(AFX_IDS_UNTITLED) + QStringLiteral(" - DXR9K Vaultline"));
    for (unsigned nId :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT, ID_VIEW_TOOLBAR,
          ID_VIEW_STATUS_BAR, ID_HELP_INDEX, ID_APP_ABOUT, ID_HELP, ID_NEXT_PANE, ID_PREV_PANE})
        EXPECT_TRUE(IsEnabled(nId)) << "command " << nId;

    for (const QSize& size : {QSize(100, 50), QSize(299, 500), QSize(800, 199)}) {
        Frame()->resize(size);
        QCoreApplication::processEvents();
        EXPECT_GE(Frame()->width(), 300) << size.width() << "x" << size.height();
        EXPECT_GE(Frame()->height(), 200) << size.width() << "x" << size.height();
    }
}

// SelectForm takes the leading number of the item's text; Preferences has no
// handler, whatever is shown.
TEST_F(AppTest, SelectFormHandsTheLeadingNumberToTheNewForm)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    const struct
    {
        const char* pszText;
        int nResult;
        int nMemoryIndex;
        bool bBlank;
    } cases[] = {
        {"57", 1, 57, false}, {" 12abc", 1, 12, false}, {"Memories", 1, 0, true},
        {"-3", 1, -3, true},  {"0", 1, 0, false},       {"", 0, -1, true},
    };
    for (const auto& c : cases) {
        CView* pBefore = m_pApp->GetRightPane();
        EXPECT_EQ(Frame()->SelectForm(QString::fromLatin1(c.pszText)), c.nResult) << c.pszText;
        QCoreApplication::processEvents();
        CView* pAfter = m_pApp->GetRightPane();
        EXPECT_FALSE(IsEnabled(ID_EDIT_PREFERENCES));
        EXPECT_FALSE(Frame()->RouteCommand(ID_EDIT_PREFERENCES));
        if (c.nResult == 0) {
            EXPECT_EQ(pAfter, pBefore) << "nothing changes for an empty text";
            continue;
        }
        EXPECT_EQ(pAfter->IsKindOf(RUNTIME_CLASS(CFormBlank)), c.bBlank) << c.pszText;
        EXPECT_EQ(static_cast<CValidateFormView*>(pAfter)->m_nMemoryIndex, c.nMemoryIndex) << c.pszText;
    }
}

TEST_F(AppTest, F6AndShiftF6MoveTheFocusBetweenThePanes)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QApplication::setActiveWindow(Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    Frame()->SelectForm(QStringLiteral("3"));
    QCoreApplication::processEvents();
    CView* pLeft = m_pApp->GetLeftPane();
    CView* pRight = m_pApp->GetRightPane();
    static_cast<CLeftView*>(pLeft)->GetTree().setFocus();
    QCoreApplication::processEvents();
    const std::pair<Qt::KeyboardModifier, CView*> steps[] = {{Qt::NoModifier, pRight},
                                                             {Qt::NoModifier, pLeft},
                                                             {Qt::ShiftModifier, pRight},
                                                             {Qt::ShiftModifier, pLeft}};
    for (const auto& [eModifier, pPane] : steps) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, eModifier);
        EXPECT_TRUE(pPane->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == pPane);
        EXPECT_EQ(Frame()->GetActiveView(), pPane);
    }
}

TEST_F(AppTest, AboutBoxReadsTheVersionOfTheProgramFile)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    MODALSEEN seen;
    QString strVersion;
    HandleNextModal(&seen, QMessageBox::NoButton, [&strVersion](QWidget* pModal) {
        if (auto* pLabel = qobject_cast<QLabel*>(FindDlgItem(pModal, IDC_VERSION)))
            strVersion = pLabel->text();
    });
    EXPECT_TRUE(Frame()->RouteCommand(ID_APP_ABOUT));
    EXPECT_EQ(seen.strTitle, QStringLiteral("DXR9K Vaultline"));
    EXPECT_EQ(strVersion, QStringLiteral("Version 2, 2, 0, 23"));
}

TEST_F(AppTest, FileOnTheCommandLineIsOpened)
{
    const QString strPath = m_dir.filePath(QStringLiteral("saved.xMem"));
    ASSERT_TRUE(m_pApp->InitInstance({}));
    m_pApp->GetDocument()->GetAt(7)->Memo = QStringLiteral("seven");
    ASSERT_TRUE(m_pApp->GetDocument()->OnSaveDocument(strPath));
    m_pApp = std::make_unique<CVaultlineApp>();
    ASSERT_TRUE(m_pApp->InitInstance({strPath}));
    EXPECT_EQ(m_pApp->GetDocument()->GetAt(7)->Memo, QStringLiteral("seven"));
    EXPECT_FALSE(m_pApp->GetDocument()->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("saved.xMem - DXR9K Vaultline"));
    EXPECT_EQ(m_pApp->GetRecentFileList().GetFiles().value(0), QFileInfo(strPath).absoluteFilePath());
}

TEST_F(AppTest, UnreadableFileEndsStartUpAfterTheDocumentsMessage)
{
    const QString strPath = m_dir.filePath(QStringLiteral("broken.xMem"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("this is not a memory file") > 0);
    file.close();
    MODALSEEN seen;
    HandleNextModal(&seen, QMessageBox::Ok);
    EXPECT_FALSE(m_pApp->InitInstance({strPath}));
    // Message 1002 with the full path (the document may add the parser's reason).
    EXPECT_TRUE(
        seen.strText.startsWith(FormatResString(IDS_FILE_NOT_READ, QFileInfo(strPath).absoluteFilePath())))
        << seen.strText.toStdString();
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
    HandleNextModal(&seen, QMessageBox::Cancel);
    Frame()->close();
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
        EXPECT_TRUE(url.toLocalFile().endsWith(QStringLiteral("/guide/index.html")))
            << url.toString().toStdString();
        EXPECT_EQ(url.fragment(), QStringLiteral("context-3"));
    }
    // Without a guide the command does nothing and says nothing.
    EXPECT_FALSE(HtmlHelpContext(FindHelpFile(m_dir.path()), 3));
    EXPECT_EQ(opened.size(), 2);
}

TEST(RecentFileListTest, KeepsFourNewestFirstWithoutDuplicates)
{
    EnsureGuiApp();
    const QString strSection = QStringLiteral("Software\\Vaultline Tests\\Recent File List");
    CRecentFileList list(strSection, 4);
    for (const char* psz : {"/a", "/b", "/c", "/a", "/d", "/e"})
        list.Add(QString::fromLatin1(psz));
    const QStringList expected = {QStringLiteral("/e"), QStringLiteral("/d"), QStringLiteral("/a"),
                                  QStringLiteral("/c")};
    EXPECT_EQ(list.GetFiles(), expected);
    list.WriteList();
    CRecentFileList reread(strSection, 4);
    reread.ReadList();
    EXPECT_EQ(reread.GetFiles(), expected);
}

} // namespace
