#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/FormView.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/SplitterWnd.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

namespace {

const DLGTEMPLATE& PaneTemplate()
{
    static const DLGTEMPLATE tpl = {
        901, nullptr, u"Tahoma",  8,
        100, 40,      DLGT_CHILD, {{DLGCTRL::Edit, 1001, 4, 4, 60, 12, u"", DLGS_TABSTOP, 0}}};
    return tpl;
}

class CPaneA : public CFormView
{
    DECLARE_DYNCREATE(CPaneA)
public:
    CPaneA() : CFormView(PaneTemplate()) {}
    void OnInitialUpdate() override { ++m_nInitialUpdates; }
    int m_nInitialUpdates = 0;
};
IMPLEMENT_DYNCREATE(CPaneA, CFormView)

class CPaneB : public CPaneA
{
    DECLARE_DYNCREATE(CPaneB)
};
IMPLEMENT_DYNCREATE(CPaneB, CPaneA)

// A class that is not a view: a pane cannot be made of it.
class CNotAView : public CCmdTarget
{
    DECLARE_DYNCREATE(CNotAView)
};
IMPLEMENT_DYNCREATE(CNotAView, CCmdTarget)

TEST(RuntimeClassTest, KindOfAndCreation)
{
    EnsureGuiApp();
    EXPECT_TRUE(RUNTIME_CLASS(CPaneB)->IsDerivedFrom(RUNTIME_CLASS(CPaneA)));
    EXPECT_TRUE(RUNTIME_CLASS(CPaneB)->IsDerivedFrom(RUNTIME_CLASS(CView)));
    EXPECT_FALSE(RUNTIME_CLASS(CPaneA)->IsDerivedFrom(RUNTIME_CLASS(CPaneB)));
    EXPECT_FALSE(RUNTIME_CLASS(CFormView)->IsDerivedFrom(nullptr));
    EXPECT_EQ(RUNTIME_CLASS(CFormView)->CreateObject(), nullptr) << "not creatable by class";

    std::unique_ptr<CObject> pObject(RUNTIME_CLASS(CPaneB)->CreateObject());
    ASSERT_NE(pObject, nullptr);
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CPaneA)));
    EXPECT_STREQ(pObject->GetRuntimeClass()->m_lpszClassName, "CPaneB");
}

class SplitterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        m_pSplitter = new CSplitterWnd;
        ASSERT_TRUE(m_pSplitter->CreateStatic(&m_Frame, 1, 2, 0xE900));
        m_Frame.setCentralWidget(m_pSplitter);
        m_Context.m_pCurrentFrame = &m_Frame;
        ASSERT_TRUE(m_pSplitter->CreateView(0, 0, RUNTIME_CLASS(CPaneA), QSize(150, 100), &m_Context));
        ASSERT_TRUE(m_pSplitter->CreateView(0, 1, RUNTIME_CLASS(CPaneA), QSize(0, 0), &m_Context));
        m_Frame.resize(640, 300);
        m_Frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_Frame));
    }

    CFrameWnd m_Frame;
    CSplitterWnd* m_pSplitter = nullptr;
    CCreateContext m_Context;
};

TEST_F(SplitterTest, FirstPaneKeepsItsWidthAndPanesCanBeReplaced)
{
    EXPECT_EQ(m_pSplitter->GetPane(0, 0)->width(), 150);
    QPointer<CView> pOld = m_pSplitter->GetPane(0, 1);
    const int nRightWidth = pOld->width();
    EXPECT_GT(nRightWidth, 300);

    m_pSplitter->DeleteView(0, 1);
    EXPECT_TRUE(pOld.isNull());
    EXPECT_EQ(m_pSplitter->GetPane(0, 1), nullptr);
    EXPECT_FALSE(m_pSplitter->CreateView(0, 1, RUNTIME_CLASS(CNotAView), QSize(640, 100), &m_Context));
    ASSERT_TRUE(m_pSplitter->CreateView(0, 1, RUNTIME_CLASS(CPaneB), QSize(640, 100), &m_Context));
    QCoreApplication::processEvents();
    CView* pNew = m_pSplitter->GetPane(0, 1);
    ASSERT_NE(pNew, nullptr);
    EXPECT_TRUE(pNew->IsKindOf(RUNTIME_CLASS(CPaneB)));
    EXPECT_EQ(pNew->GetParentFrame(), &m_Frame);
    EXPECT_EQ(m_pSplitter->indexOf(pNew), 1) << "the new view sits in the right pane";
    EXPECT_EQ(m_pSplitter->GetPane(0, 0)->width(), 150);
    EXPECT_EQ(pNew->width(), nRightWidth);

    // A view can run its initial update now and again once the current
    // handler has returned.
    auto* pPane = static_cast<CPaneB*>(pNew);
    pPane->SendInitialUpdate();
    pPane->PostInitialUpdate();
    EXPECT_EQ(pPane->m_nInitialUpdates, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(pPane->m_nInitialUpdates, 2);
}

TEST_F(SplitterTest, NextAndPreviousPaneMoveFocusAndActiveView)
{
    CView* pLeft = m_pSplitter->GetPane(0, 0);
    CView* pRight = m_pSplitter->GetPane(0, 1);
    QWidget* pLeftEdit = static_cast<CFormView*>(pLeft)->GetDlgItem(1001);
    QWidget* pRightEdit = static_cast<CFormView*>(pRight)->GetDlgItem(1001);
    m_Frame.activateWindow();
    pLeftEdit->setFocus();
    m_Frame.SetActiveView(pRight); // active view and focus may differ

    m_pSplitter->ActivateNext(false);
    EXPECT_EQ(QApplication::focusWidget(), pRightEdit);
    EXPECT_EQ(m_Frame.GetActiveView(), pRight);
    m_pSplitter->ActivateNext(false);
    EXPECT_EQ(QApplication::focusWidget(), pLeftEdit);
    EXPECT_EQ(m_Frame.GetActiveView(), pLeft);
    m_pSplitter->ActivateNext(true);
    EXPECT_EQ(QApplication::focusWidget(), pRightEdit);
    m_pSplitter->ActivateNext(true);
    EXPECT_EQ(QApplication::focusWidget(), pLeftEdit);
}

} // namespace
