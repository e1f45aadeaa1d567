#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/View.h"
#include "platform/framework/WinApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <string>
#include <tuple>

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
    CLog(std::string strName, std::string* pLog) : m_strName(std::move(strName)), m_pLog(pLog) {}
    void Handle(std::initializer_list<unsigned> ids)
    {
        for (unsigned nId : ids)
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
        m_pFrame = std::make_unique<CLog<CFrameWnd>>("frame", &m_strLog);
        m_App.SetMainWnd(m_pFrame.get());
        CCreateContext context;
        context.m_pCurrentDoc = &m_Doc;
        context.m_pCurrentFrame = m_pFrame.get();
        for (auto* ppView : {&m_pView1, &m_pView2}) {
            *ppView = new CLog<CView>("view", &m_strLog);
            (*ppView)->Create(m_pFrame.get(), context);
        }
        m_pFrame->setCentralWidget(new QWidget);

        m_pView1->Handle({ID_ALL, ID_REFUSED});
        m_Doc.Handle({ID_ALL, ID_DOC_APP});
        m_pFrame->Handle({ID_ALL});
        m_App.Handle({ID_ALL, ID_DOC_APP, ID_APP_ONLY});
        m_Doc.Update(ID_REFUSED, false);
        m_pFrame->Update(ID_UPDATE_ONLY, true);
    }

    std::string m_strLog;
    CLog<CWinApp> m_App{"app", &m_strLog};
    CLog<CCmdTarget> m_Doc{"doc", &m_strLog};
    std::unique_ptr<CLog<CFrameWnd>> m_pFrame;
    CLog<CView>* m_pView1 = nullptr;
    CLog<CView>* m_pView2 = nullptr;
};

TEST_F(CommandRoutingTest, ActiveViewThenDocumentThenFrameThenApplication)
{
    const std::tuple<CView*, unsigned, const char*> cases[] = {
        {nullptr, ID_ALL, "frame;"}, // without an active view the document is not reached
        {nullptr, ID_DOC_APP, "app;"}, {nullptr, ID_NOBODY, ""},       {m_pView1, ID_ALL, "view;"},
        {m_pView2, ID_ALL, "doc;"},    {m_pView1, ID_DOC_APP, "doc;"}, {m_pView1, ID_APP_ONLY, "app;"},
        {m_pView1, ID_NOBODY, ""},     {m_pView1, ID_REFUSED, ""},
    };
    for (const auto& [pActive, nId, pszExpected] : cases) {
        m_strLog.clear();
        m_pFrame->SetActiveView(pActive);
        m_pFrame->RouteCommand(nId);
        EXPECT_EQ(m_strLog, pszExpected) << "command " << nId;
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

} // namespace
