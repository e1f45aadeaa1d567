#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/FormView.h"
#include "platform/framework/FrameWnd.h"
#include "platform/framework/SplitterWnd.h"

#include <gtest/gtest.h>

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

TEST(SplitterTest, FirstPaneKeepsItsWidthAndPanesCanBeReplaced)
{
    EnsureGuiApp();
    CFrameWnd frame;
    auto* pSplitter = new CSplitterWnd;
    ASSERT_TRUE(pSplitter->CreateStatic(&frame, 1, 2, 0xE900));
    frame.setCentralWidget(pSplitter);
    CCreateContext context;
    context.m_pCurrentFrame = &frame;
    ASSERT_TRUE(pSplitter->CreateView(0, 0, RUNTIME_CLASS(CPaneA), QSize(150, 100), &context));
    ASSERT_TRUE(pSplitter->CreateView(0, 1, RUNTIME_CLASS(CPaneA), QSize(0, 0), &context));
    frame.resize(640, 300);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));

    QPointer<CView> pOld = pSplitter->GetPane(0, 1);
    const int nRightWidth = pOld->width();
    pSplitter->DeleteView(0, 1);
    EXPECT_TRUE(pOld.isNull());
    EXPECT_FALSE(pSplitter->CreateView(0, 1, RUNTIME_CLASS(CNotAView), QSize(640, 100), &context));
    ASSERT_TRUE(pSplitter->CreateView(0, 1, RUNTIME_CLASS(CPaneB), QSize(640, 100), &context));
    QCoreApplication::processEvents();
    CView* pNew = pSplitter->GetPane(0, 1);
    ASSERT_NE(pNew, nullptr);
    EXPECT_TRUE(pNew->IsKindOf(RUNTIME_CLASS(CPaneB)));
    EXPECT_EQ(pSplitter->indexOf(pNew), 1);
    EXPECT_EQ(pSplitter->GetPane(0, 0)->width(), 150);
    EXPECT_EQ(pNew->width(), nRightWidth);
}

} // namespace
