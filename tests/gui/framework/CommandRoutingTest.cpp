#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/View.h"
#include "platform/framework/WinApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <string>

namespace {

constexpr unsigned ID_ALL = 100;         // every target handles it
constexpr unsigned ID_DOC_APP = 101;     // document and application
constexpr unsigned ID_APP_ONLY = 102;    // application only
constexpr unsigned ID_NOBODY = 103;      // no handler anywhere
constexpr unsigned ID_REFUSED = 104;     // handler in the view, document's update says no
constexpr unsigned ID_UPDATE_ONLY = 105; // an update handler that says yes, no command handler

// Each target writes its name into a shared log when it runs a command.
class CLogTarget : public CCmdTarget
{
public:
    CLogTarget(std::string strName, std::string* pLog) : m_strName(std::move(strName)), m_pLog(pLog) {}
    void Handle(unsigned nId)
    {
        AddCommand(nId, [this] { *m_pLog += m_strName + ";"; });
    }
    void Update(unsigned nId, bool bEnable)
    {
        AddUpdate(nId, [bEnable] { return bEnable; });
    }

private:
    std::string m_strName;
    std::string* m_pLog;
};

class CLogApp : public CWinApp
{
public:
    explicit CLogApp(std::string* pLog) : m_pLog(pLog) {}
    void Handle(unsigned nId)
    {
        AddCommand(nId, [this] { *m_pLog += "app;"; });
    }

private:
    std::string* m_pLog;
};

class CLogView : public CView
{
public:
    explicit CLogView(std::string* pLog) : m_pLog(pLog) {}
    void Handle(unsigned nId)
    {
        AddCommand(nId, [this] { *m_pLog += "view;"; });
    }

private:
    std::string* m_pLog;
};

class CLogFrame : public CFrameWnd
{
public:
    explicit CLogFrame(std::string* pLog) : m_pLog(pLog) {}
    void Handle(unsigned nId)
    {
        AddCommand(nId, [this] { *m_pLog += "frame;"; });
    }
    void Update(unsigned nId, bool bEnable)
    {
        AddUpdate(nId, [bEnable] { return bEnable; });
    }

private:
    std::string* m_pLog;
};

class CommandRoutingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        m_pApp = std::make_unique<CLogApp>(&m_strLog);
        m_pDoc = std::make_unique<CLogTarget>("doc", &m_strLog);
        m_pFrame = std::make_unique<CLogFrame>(&m_strLog);
        m_pApp->SetMainWnd(m_pFrame.get());
        for (auto* pLog : {&m_pView1, &m_pView2}) {
            *pLog = new CLogView(&m_strLog);
            CCreateContext context;
            context.m_pCurrentDoc = m_pDoc.get();
            context.m_pCurrentFrame = m_pFrame.get();
            (*pLog)->Create(m_pFrame.get(), context);
        }
        auto* pCentral = new QWidget;
        m_pFrame->setCentralWidget(pCentral);

        m_pView1->Handle(ID_ALL);
        m_pDoc->Handle(ID_ALL);
        m_pFrame->Handle(ID_ALL);
        m_pApp->Handle(ID_ALL);
        m_pDoc->Handle(ID_DOC_APP);
        m_pApp->Handle(ID_DOC_APP);
        m_pApp->Handle(ID_APP_ONLY);
        m_pView1->Handle(ID_REFUSED);
        m_pDoc->Update(ID_REFUSED, false);
        m_pFrame->Update(ID_UPDATE_ONLY, true);
    }

    std::string m_strLog;
    std::unique_ptr<CLogApp> m_pApp;
    std::unique_ptr<CLogTarget> m_pDoc;
    std::unique_ptr<CLogFrame> m_pFrame;
    CLogView* m_pView1 = nullptr;
    CLogView* m_pView2 = nullptr;
};

TEST_F(CommandRoutingTest, ActiveViewThenDocumentThenFrameThenApplication)
{
    struct CASE
    {
        CView* pActive;
        unsigned nId;
        const char* pszExpected;
    };
    // Each row: who runs the command, given the active view.
    const CASE cases[] = {
        {nullptr, ID_ALL, "frame;"}, // without an active view the document is not reached
        {nullptr, ID_DOC_APP, "app;"},
        {nullptr, ID_APP_ONLY, "app;"},
        {nullptr, ID_NOBODY, ""},
    };
    for (const CASE& c : cases) {
        m_strLog.clear();
        m_pFrame->SetActiveView(c.pActive);
        m_pFrame->RouteCommand(c.nId);
        EXPECT_EQ(m_strLog, c.pszExpected) << "command " << c.nId;
    }
    const CASE withViews[] = {
        {m_pView1, ID_ALL, "view;"},     {m_pView2, ID_ALL, "doc;"}, {m_pView1, ID_DOC_APP, "doc;"},
        {m_pView1, ID_APP_ONLY, "app;"}, {m_pView1, ID_NOBODY, ""},  {m_pView1, ID_REFUSED, ""},
    };
    for (const CASE& c : withViews) {
        m_strLog.clear();
        m_pFrame->SetActiveView(c.pActive);
        m_pFrame->RouteCommand(c.nId);
        EXPECT_EQ(m_strLog, c.pszExpected) << "command " << c.nId;
    }
}

TEST_F(CommandRoutingTest, ActionsWithoutHandlerOrRefusedAreDisabled)
{
    m_pFrame->SetActiveView(m_pView1);
    struct CASE
    {
        unsigned nId;
        bool bEnabled;
    };
    const CASE cases[] = {
        {ID_ALL, true},     {ID_DOC_APP, true},  {ID_APP_ONLY, true},
        {ID_NOBODY, false}, {ID_REFUSED, false}, {ID_UPDATE_ONLY, true},
    };
    QMenu menu;
    for (const CASE& c : cases)
        menu.addAction(m_pFrame->GetCommandAction(c.nId));
    m_pFrame->UpdateMenu(&menu);
    for (const CASE& c : cases)
        EXPECT_EQ(m_pFrame->FindCommandAction(c.nId)->isEnabled(), c.bEnabled) << "command " << c.nId;

    // A triggered action that is disabled by now runs nothing, even when its
    // state on screen is stale.
    QAction* pRefused = m_pFrame->GetCommandAction(ID_REFUSED);
    pRefused->setEnabled(true);
    m_strLog.clear();
    pRefused->trigger();
    EXPECT_EQ(m_strLog, "");
}

TEST_F(CommandRoutingTest, MenuIsUpdatedWhenItOpens)
{
    m_pFrame->SetActiveView(m_pView1);
    QMenu* pMenu = m_pFrame->menuBar()->addMenu(QStringLiteral("Test"));
    m_pFrame->WatchMenu(pMenu);
    QAction* pAction = m_pFrame->GetCommandAction(ID_DOC_APP);
    pMenu->addAction(pAction);
    m_pFrame->UpdateMenu(pMenu);
    ASSERT_TRUE(pAction->isEnabled());

    // The view becomes the one that refuses: the state changes only when
    // the menu is about to open.
    m_pDoc->Update(ID_DOC_APP, false);
    EXPECT_TRUE(pAction->isEnabled());
    emit pMenu->aboutToShow();
    EXPECT_FALSE(pAction->isEnabled());
}

TEST_F(CommandRoutingTest, ActiveViewFollowsClicksNotFocus)
{
    auto* pEdit1 = new QLineEdit(m_pView1);
    auto* pEdit2 = new QLineEdit(m_pView2);
    m_pView2->move(0, 40);
    m_pFrame->resize(300, 200);
    m_pFrame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pFrame.get()));

    m_pFrame->SetActiveView(m_pView1);
    pEdit2->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pFrame->GetActiveView(), m_pView1) << "focus alone must not change the active view";

    QTest::mouseClick(pEdit2, Qt::LeftButton);
    EXPECT_EQ(m_pFrame->GetActiveView(), m_pView2);
    QTest::mouseClick(pEdit1, Qt::LeftButton);
    EXPECT_EQ(m_pFrame->GetActiveView(), m_pView1);

    delete m_pView1;
    m_pView1 = nullptr;
    EXPECT_EQ(m_pFrame->GetActiveView(), nullptr) << "a deleted view is no longer active";
}

} // namespace
