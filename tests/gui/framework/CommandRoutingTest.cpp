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

// A command target of any kind that writes its name into a shared log.
template <class TBase> class CLog : public TBase
{
public:
    void Init(std::string strName, std::string* pLog)
    {
        m_strName = std::move(strName);
        m_pLog = pLog;
    }
    void Handle(unsigned nId)
    {
        this->AddCommand(nId, [this] { *m_pLog += m_strName + ";"; });
    }
    void Update(unsigned nId, bool bEnable)
    {
        this->AddUpdate(nId, [bEnable] { return bEnable; });
    }

private:
    std::string m_strName;
    std::string* m_pLog = nullptr;
};

class CommandRoutingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        m_App.Init("app", &m_strLog);
        m_Doc.Init("doc", &m_strLog);
        m_pFrame = std::make_unique<CLog<CFrameWnd>>();
        m_pFrame->Init("frame", &m_strLog);
        m_App.SetMainWnd(m_pFrame.get());
        for (auto* ppView : {&m_pView1, &m_pView2}) {
            *ppView = new CLog<CView>;
            (*ppView)->Init("view", &m_strLog);
            CCreateContext context;
            context.m_pCurrentDoc = &m_Doc;
            context.m_pCurrentFrame = m_pFrame.get();
            (*ppView)->Create(m_pFrame.get(), context);
        }
        m_pFrame->setCentralWidget(new QWidget);

        m_pView1->Handle(ID_ALL);
        m_Doc.Handle(ID_ALL);
        m_pFrame->Handle(ID_ALL);
        m_App.Handle(ID_ALL);
        m_Doc.Handle(ID_DOC_APP);
        m_App.Handle(ID_DOC_APP);
        m_App.Handle(ID_APP_ONLY);
        m_pView1->Handle(ID_REFUSED);
        m_Doc.Update(ID_REFUSED, false);
        m_pFrame->Update(ID_UPDATE_ONLY, true);
    }

    std::string m_strLog;
    CLog<CWinApp> m_App;
    CLog<CCmdTarget> m_Doc;
    std::unique_ptr<CLog<CFrameWnd>> m_pFrame;
    CLog<CView>* m_pView1 = nullptr;
    CLog<CView>* m_pView2 = nullptr;
};

TEST_F(CommandRoutingTest, ActiveViewThenDocumentThenFrameThenApplication)
{
    const struct
    {
        CView* pActive;
        unsigned nId;
        const char* pszExpected;
    } cases[] = {
        {nullptr, ID_ALL, "frame;"}, // without an active view the document is not reached
        {nullptr, ID_DOC_APP, "app;"}, {nullptr, ID_NOBODY, ""},       {m_pView1, ID_ALL, "view;"},
        {m_pView2, ID_ALL, "doc;"},    {m_pView1, ID_DOC_APP, "doc;"}, {m_pView1, ID_APP_ONLY, "app;"},
        {m_pView1, ID_NOBODY, ""},     {m_pView1, ID_REFUSED, ""},
    };
    for (const auto& c : cases) {
        m_strLog.clear();
        m_pFrame->SetActiveView(c.pActive);
        m_pFrame->RouteCommand(c.nId);
        EXPECT_EQ(m_strLog, c.pszExpected) << "command " << c.nId;
    }
}

TEST_F(CommandRoutingTest, ActionsWithoutHandlerOrRefusedAreDisabled)
{
    m_pFrame->SetActiveView(m_pView1);
    const std::pair<unsigned, bool> cases[] = {
        {ID_ALL, true}, {ID_APP_ONLY, true}, {ID_NOBODY, false}, {ID_REFUSED, false}, {ID_UPDATE_ONLY, true}};
    QMenu menu;
    for (const auto& [nId, bEnabled] : cases)
        menu.addAction(m_pFrame->GetCommandAction(nId));
    m_pFrame->UpdateMenu(&menu);
    for (const auto& [nId, bEnabled] : cases)
        EXPECT_EQ(m_pFrame->FindCommandAction(nId)->isEnabled(), bEnabled) << "command " << nId;

    // A stale enabled state on screen does not let a refused command run.
    QAction* pRefused = m_pFrame->GetCommandAction(ID_REFUSED);
    pRefused->setEnabled(true);
    m_strLog.clear();
    pRefused->trigger();
    EXPECT_EQ(m_strLog, "");

    // A watched menu is brought up to date when it is about to open.
    QMenu* pMenu = m_pFrame->menuBar()->addMenu(QStringLiteral("Test"));
    m_pFrame->WatchMenu(pMenu);
    QAction* pAction = m_pFrame->GetCommandAction(ID_DOC_APP);
    pMenu->addAction(pAction);
    m_pFrame->UpdateMenu(pMenu);
    EXPECT_TRUE(pAction->isEnabled());
    m_Doc.Update(ID_DOC_APP, false);
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
