#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/FrameWnd.h"
#include "platform/framework/SplitterWnd.h"
#include "platform/framework/View.h"

#include <gtest/gtest.h>

#include <QPointer>

namespace {

// A view whose creation into the splitter can be made to fail.
class CProbeView : public CView
{
public:
    explicit CProbeView(bool bCreates) : m_bCreates(bCreates) {}
    bool Create(QWidget* pParent, const CCreateContext& context) override
    {
        return m_bCreates && CView::Create(pParent, context);
    }

private:
    bool m_bCreates;
};

// Panes are filled only by a factory that makes a view which then creates
// itself; every refusal leaves the pane empty and deletes what was made.
TEST(SplitterFactoryTest, APaneTakesOnlyAViewItsFactoryMadeAndCreated)
{
    EnsureGuiApp();
    CFrameWnd frame;
    CCmdTarget doc;
    CCreateContext context;
    context.m_pCurrentDoc = &doc;
    context.m_pCurrentFrame = &frame;

    QPointer<CView> pMade;
    int nCalls = 0;
    const auto make = [&](bool bCreates) -> ViewFactory {
        return [&, bCreates] {
            ++nCalls;
            pMade = new CProbeView(bCreates);
            return pMade.data();
        };
    };
    struct CASE
    {
        const char* pszName;
        int nRow, nCol;
        ViewFactory fnCreate;
        bool bOk;
        int nCalls; // how often the factory runs
    };
    const CASE cases[] = {
        {"no factory", 0, 0, ViewFactory(), false, 0},
        {"factory makes nothing", 0, 0,
         [&] {
             ++nCalls;
             return static_cast<CView*>(nullptr);
         },
         false, 1},
        {"view refuses to create", 0, 0, make(false), false, 1},
        {"second row", 1, 0, make(true), false, 0},
        {"column beyond the splitter", 0, 2, make(true), false, 0},
        {"made and created", 0, 0, make(true), true, 1},
        {"pane already taken", 0, 0, make(true), false, 0},
    };
    CSplitterWnd splitter;
    ASSERT_TRUE(splitter.CreateStatic(&frame, 1, 2, 1));
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.pszName);
        nCalls = 0;
        pMade = nullptr;
        CView* pBefore = splitter.GetPane(0, 0);
        EXPECT_EQ(splitter.CreateView(c.nRow, c.nCol, c.fnCreate, QSize(100, 100), &context), c.bOk);
        EXPECT_EQ(nCalls, c.nCalls);
        if (c.bOk) {
            ASSERT_NE(pMade, nullptr);
            EXPECT_EQ(splitter.GetPane(0, 0), pMade.data());
            EXPECT_EQ(pMade->GetDocument(), &doc) << "the view gets the creation context";
            EXPECT_EQ(pMade->GetParentFrame(), &frame);
        } else {
            EXPECT_EQ(pMade, nullptr) << "a view that did not make it into the pane is deleted";
            EXPECT_EQ(splitter.GetPane(0, 0), pBefore);
        }
    }
}

} // namespace
