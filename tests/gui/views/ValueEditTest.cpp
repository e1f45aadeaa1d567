#include "views/ValueEdit.h"
#include "gui/views/ViewsTestSupport.h"

#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <vector>

namespace {

// A value edit that counts its beeps instead of sounding them.
class CProbeEdit : public CValueEdit
{
public:
    using CValueEdit::CValueEdit;

    int m_nBeeps = 0;

protected:
    void Beep() override { ++m_nBeeps; }
};

// An active window with a plain line edit above the value edit under test.
class ValueEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* pLayout = new QVBoxLayout(&m_Window);
        pLayout->addWidget(m_pOther = new QLineEdit);
        pLayout->addWidget(m_pEdit = new CProbeEdit(nullptr, &m_App.Doc()));
        m_Window.show();
        m_Window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_Window));
    }

    // Types text into the edit key by key, then lets posted work run.
    void Type(const QString& str)
    {
        for (const QChar ch : str)
            QTest::keyClick(m_pEdit, ch.toLatin1());
        QCoreApplication::processEvents();
    }
    void Ctrl(Qt::Key eKey) { QTest::keyClick(m_pEdit, eKey, Qt::ControlModifier); }

    CTestApp m_App;
    QWidget m_Window;
    QLineEdit* m_pOther = nullptr;
    CProbeEdit* m_pEdit = nullptr;
};

// Range 0 to 99: the texts read as wcstol reads them (saturating), and only the read value is checked.
TEST_F(ValueEditTest, IntegerFieldChecksTheValueItReadsAndKeepsTheText)
{
    m_pEdit->SetRange(0, 99);
    // clang-format off
    const std::pair<const char*, int> cases[] = {
        {"99", 99}, {"0", 0}, {"+5", 5}, {"", 0}, {"5-", 5}, {"1e2", 1}, {"  42", 42}, {"abc", 0},
        {"100", 100}, {"-1", -1}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
    // clang-format on
    for (const auto& [pszText, nRead] : cases) {
        const bool bValid = nRead >= 0 && nRead <= 99;
        SCOPED_TRACE(pszText);
        m_pEdit->m_nBeeps = 0;
        m_pEdit->setText(QString::fromLatin1(pszText));
        m_pOther->setFocus();
        EXPECT_EQ(m_pEdit->GetIntValue(), nRead);
        EXPECT_EQ(m_pEdit->Validate(), bValid);
        QCoreApplication::processEvents();
        EXPECT_EQ(m_pEdit->text(), QString::fromLatin1(pszText)) << "the typed text stays";
        EXPECT_EQ(m_pEdit->m_nBeeps, bValid ? 0 : 1);
        // A refused field takes the focus back with its whole text selected.
        EXPECT_EQ(m_pEdit->hasFocus(), !bValid);
        EXPECT_EQ(m_pEdit->selectedText(), bValid ? QString() : m_pEdit->text());
    }
}

TEST_F(ValueEditTest, FloatBoundsAreWidenedByAMillionth)
{
    m_pEdit->SetRange(0.0f, 1.0f, 4);
    const std::pair<const char*, bool> cases[] = {
        {"1.0000005", true}, {"1.0001", false}, {"-0.0000005", true}, {"-0.0001", false}, {"0.5", true},
        {"", true},          {"1e0", true},     {"1e1", false},       {".75x", true}};
    for (const auto& [pszText, bValid] : cases) {
        m_pEdit->setText(QString::fromLatin1(pszText));
        EXPECT_EQ(m_pEdit->Validate(), bValid) << pszText;
    }
    QCoreApplication::processEvents();
}

TEST_F(ValueEditTest, FieldTheUserCannotReachFallsBackToItsMinimum)
{
    m_pEdit->setText(QStringLiteral("5"));
    EXPECT_FALSE(m_pEdit->Validate()) << "without a range a reachable field always fails";
    m_pEdit->hide();
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("5")) << "and has no minimum to fall back to";

    m_pEdit->SetRange(0, 99);
    m_pEdit->setText(QStringLiteral("150"));
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("0"));
    m_pEdit->show();
    m_pEdit->setEnabled(false);
    m_pEdit->SetRange(2.0f, 5.0f, 2);
    m_pEdit->setText(QStringLiteral("7"));
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("2.00"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 1);
    QCoreApplication::processEvents();
}

TEST_F(ValueEditTest, RangeTextAndDisplayFollowTheKind)
{
    EXPECT_EQ(m_pEdit->GetRangeText(), QString());
    m_pEdit->SetRange(0, 99);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0 ~ 99"));

    m_pEdit->SetRange(0, 255, true, 4);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0000 ~ 00FF"));
    m_pEdit->SetIntValue(-1);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("FFFFFFFF"));
    m_pEdit->SetIntValue(200);
    m_pEdit->setText(QStringLiteral("ff"));
    EXPECT_EQ(m_pEdit->GetIntValue(), 255);
    // Typed text never becomes the stored value: a new format shows the stored one.
    m_pEdit->SetRange(0, 255, true, 2, true);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("C8"));

    m_pEdit->SetRange(0.0f, 1.0f, 4);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0.0000 ~ 1.0000"));
}

TEST_F(ValueEditTest, KeyFilterRefusesWhatANumberCannotContainAndPostsTheClipboardKeys)
{
    m_pEdit->SetRange(0, 99);
    m_pEdit->setFocus();
    Type(QStringLiteral("1aA2"));
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 2);
    QKeyEvent evWide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x263A)));
    QCoreApplication::sendEvent(m_pEdit, &evWide);
    Ctrl(Qt::Key_Y); // control codes other than A, C, V, X and Z are refused
    EXPECT_EQ(m_pEdit->m_nBeeps, 4);
    Type(QStringLiteral("+-"));
    QTest::keyClick(m_pEdit, Qt::Key_Backspace);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12+"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 4);

    Ctrl(Qt::Key_A);
    Ctrl(Qt::Key_X);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12+")) << "the cut is posted, not done at once";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pEdit->text(), QString());
    Ctrl(Qt::Key_V);
    Ctrl(Qt::Key_V);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12+12+"));
}

TEST_F(ValueEditTest, TypingMarksTheDocumentModifiedUnlessTurnedOff)
{
    CVaultlineDoc& doc = m_App.Doc();
    m_pEdit->SetRange(0, 99);
    m_pEdit->setFocus();
    Type(QStringLiteral("a"));
    Ctrl(Qt::Key_A);
    EXPECT_FALSE(doc.IsModified()) << "a refused character or a selection changes nothing";
    Type(QStringLiteral("4"));
    EXPECT_TRUE(doc.IsModified());

    doc.SetModifiedFlag(false);
    QGuiApplication::clipboard()->clear();
    Ctrl(Qt::Key_V);
    EXPECT_TRUE(doc.IsModified()) << "control-V counts as a change even with nothing to paste";

    doc.SetModifiedFlag(false);
    m_pEdit->SetModifyDoc(false);
    Type(QStringLiteral("56"));
    Ctrl(Qt::Key_V);
    QTest::keyClick(m_pEdit, Qt::Key_Backspace);
    QCoreApplication::processEvents();
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ValueEditTest, ValidationWalkStopsAtTheFirstFailure)
{
    auto* pInner = new QWidget(&m_Window);
    auto* pSecond = new CProbeEdit(pInner, &m_App.Doc());
    auto* pThird = new CProbeEdit(&m_Window, &m_App.Doc());
    m_Window.layout()->addWidget(pInner);
    m_Window.layout()->addWidget(pThird);
    pInner->show();
    pThird->show();
    const std::pair<CProbeEdit*, const char*> fields[] = {{m_pEdit, "1"}, {pSecond, "10"}, {pThird, "11"}};
    for (const auto& [pEdit, pszText] : fields) {
        pEdit->SetRange(0, 9);
        pEdit->setText(QString::fromLatin1(pszText));
    }
    m_pOther->setFocus();

    // Each refused field beeps once, and the third is never reached while the second fails.
    EXPECT_FALSE(ValidateValueEdits(&m_Window));
    QCoreApplication::processEvents();
    EXPECT_EQ(QList<int>({m_pEdit->m_nBeeps, pSecond->m_nBeeps, pThird->m_nBeeps}), QList<int>({0, 1, 0}));
    EXPECT_TRUE(pSecond->hasFocus());

    pSecond->setText(QStringLiteral("9"));
    EXPECT_FALSE(ValidateValueEdits(&m_Window));
    QCoreApplication::processEvents();
    EXPECT_EQ(QList<int>({m_pEdit->m_nBeeps, pSecond->m_nBeeps, pThird->m_nBeeps}), QList<int>({0, 1, 1}));
    EXPECT_TRUE(pThird->hasFocus());
    pThird->setText(QStringLiteral("3"));
    EXPECT_TRUE(ValidateValueEdits(&m_Window));
}

} // namespace
