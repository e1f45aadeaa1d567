#include "views/ValueEdit.h"
#include "gui/views/ViewsTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

// A value edit that counts its beeps and checks instead of sounding them.
class CProbeEdit : public CValueEdit
{
public:
    using CValueEdit::CValueEdit;

    bool Validate() override
    {
        ++m_nValidateCalls;
        return CValueEdit::Validate();
    }

    int m_nBeeps = 0;
    int m_nValidateCalls = 0;

protected:
    void Beep() override { ++m_nBeeps; }
};

class ValueEditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pApp = std::make_unique<CTestApp>();
        m_pWindow = std::make_unique<QWidget>();
        auto* pLayout = new QVBoxLayout(m_pWindow.get());
        m_pOther = new QLineEdit(m_pWindow.get());
        pLayout->addWidget(m_pOther);
        m_pEdit = new CProbeEdit(m_pWindow.get());
        pLayout->addWidget(m_pEdit);
    }

    void ShowWindow()
    {
        m_pWindow->show();
        m_pWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_pWindow.get()));
    }

    // Types text into the edit key by key, then lets posted work run.
    void Type(const QString& str)
    {
        for (const QChar ch : str)
            QTest::keyClick(m_pEdit, ch.toLatin1());
        QCoreApplication::processEvents();
    }

    std::unique_ptr<CTestApp> m_pApp;
    std::unique_ptr<QWidget> m_pWindow;
    QLineEdit* m_pOther = nullptr;
    CProbeEdit* m_pEdit = nullptr;
};

struct INTCASE
{
    const char* pszText;
    bool bValid;
    int nRead;
};

class IntegerRangeTest : public ValueEditTest, public ::testing::WithParamInterface<INTCASE>
{
};

// Range 0 to 99: the texts read as wcstol reads them, and only the read value
// is checked.
TEST_P(IntegerRangeTest, ReadsAndChecksText)
{
    const INTCASE& c = GetParam();
    ShowWindow();
    m_pEdit->SetRange(0, 99);
    m_pEdit->setText(QString::fromLatin1(c.pszText));
    m_pOther->setFocus();
    EXPECT_EQ(m_pEdit->GetIntValue(), c.nRead);
    EXPECT_EQ(m_pEdit->Validate(), c.bValid);
    QCoreApplication::processEvents();

    EXPECT_EQ(m_pEdit->text(), QString::fromLatin1(c.pszText)) << "the typed text stays";
    if (c.bValid) {
        EXPECT_EQ(m_pEdit->m_nBeeps, 0);
        EXPECT_TRUE(m_pOther->hasFocus());
    } else {
        EXPECT_EQ(m_pEdit->m_nBeeps, 1);
        EXPECT_TRUE(m_pEdit->hasFocus()) << "the focus returns to the field";
        EXPECT_EQ(m_pEdit->selectedText(), m_pEdit->text()) << "with its whole text selected";
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerRangeTest,
                         ::testing::Values(INTCASE{"99", true, 99}, INTCASE{"0", true, 0},
                                           INTCASE{"+5", true, 5}, INTCASE{"", true, 0},
                                           INTCASE{"100", false, 100}, INTCASE{"-1", false, -1},
                                           INTCASE{"5-", true, 5}, INTCASE{"1e2", true, 1},
                                           INTCASE{"  42", true, 42}, INTCASE{"abc", true, 0},
                                           INTCASE{"99999999999", false, std::numeric_limits<int>::max()},
                                           INTCASE{"-99999999999", false, std::numeric_limits<int>::min()}));

TEST_F(ValueEditTest, FieldTheUserCannotReachFallsBackToItsMinimum)
{
    ShowWindow();
    m_pEdit->SetRange(0, 99);

    m_pEdit->setText(QStringLiteral("150"));
    m_pEdit->hide();
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("0"));

    m_pEdit->show();
    m_pEdit->setEnabled(false);
    m_pEdit->setText(QStringLiteral("150"));
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("0"));

    m_pEdit->SetRange(2.0f, 5.0f, 2);
    m_pEdit->setText(QStringLiteral("7"));
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("2.00"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 0);
}

TEST_F(ValueEditTest, FieldWithoutRangeFailsOnlyWhileReachable)
{
    ShowWindow();
    m_pEdit->setText(QStringLiteral("5"));
    EXPECT_FALSE(m_pEdit->Validate());
    EXPECT_FALSE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->m_nBeeps, 2);

    m_pEdit->hide();
    EXPECT_TRUE(m_pEdit->Validate());
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("5")) << "a field without range has no minimum to fall back to";
    EXPECT_EQ(m_pEdit->GetRangeText(), QString());
}

TEST_F(ValueEditTest, RangeTextAndDisplayFollowTheKind)
{
    m_pEdit->SetRange(0, 99);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0 ~ 99"));
    m_pEdit->SetIntValue(-12);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("-12"));

    m_pEdit->SetRange(0, 255, true, 4);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0000 ~ 00FF"));
    m_pEdit->SetIntValue(171);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("00AB"));
    m_pEdit->setText(QStringLiteral("ff"));
    EXPECT_EQ(m_pEdit->GetIntValue(), 255);
    m_pEdit->SetIntValue(-1);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("FFFFFFFF"));

    m_pEdit->SetRange(0.0f, 1.0f, 4);
    EXPECT_EQ(m_pEdit->GetRangeText(), QStringLiteral("0.0000 ~ 1.0000"));
    m_pEdit->SetFloatValue(0.5f);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("0.5000"));
}

TEST_F(ValueEditTest, RedisplayShowsTheStoredValueInTheNewFormat)
{
    m_pEdit->SetRange(0, 255);
    m_pEdit->SetIntValue(200);
    m_pEdit->setText(QStringLiteral("17")); // typed text never becomes the stored value
    m_pEdit->SetRange(0, 255, true, 2, true);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("C8"));
}

struct FLOATCASE
{
    const char* pszText;
    bool bValid;
};

class FloatToleranceTest : public ValueEditTest, public ::testing::WithParamInterface<FLOATCASE>
{
};

TEST_P(FloatToleranceTest, BoundsWidenedByAMillionth)
{
    ShowWindow();
    m_pEdit->SetRange(0.0f, 1.0f, 4);
    m_pEdit->setText(QString::fromLatin1(GetParam().pszText));
    EXPECT_EQ(m_pEdit->Validate(), GetParam().bValid) << GetParam().pszText;
}

INSTANTIATE_TEST_SUITE_P(Texts, FloatToleranceTest,
                         ::testing::Values(FLOATCASE{"1.0000005", true}, FLOATCASE{"1.0001", false},
                                           FLOATCASE{"-0.0000005", true}, FLOATCASE{"-0.0001", false},
                                           FLOATCASE{"0.5", true}, FLOATCASE{"", true},
                                           FLOATCASE{"1e0", true}, FLOATCASE{"1e1", false},
                                           FLOATCASE{".75x", true}));

TEST_F(ValueEditTest, KeyFilterRefusesWhatANumberCannotContain)
{
    ShowWindow();
    m_pEdit->SetRange(0, 99);
    m_pEdit->setFocus();
    Type(QStringLiteral("1aA2"));
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 2);

    QKeyEvent evWide(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x263A)));
    QCoreApplication::sendEvent(m_pEdit, &evWide);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 3);

    QTest::keyClick(m_pEdit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(m_pEdit->m_nBeeps, 4) << "control codes other than A, C, V, X and Z are refused";

    Type(QStringLiteral("+-"));
    QTest::keyClick(m_pEdit, Qt::Key_Backspace);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("12+"));
    EXPECT_EQ(m_pEdit->m_nBeeps, 4);
}

TEST_F(ValueEditTest, TypingMarksTheDocumentModifiedUnlessTurnedOff)
{
    ShowWindow();
    CVaultlineDoc& doc = m_pApp->Doc();
    m_pEdit->SetRange(0, 99);
    m_pEdit->setFocus();

    Type(QStringLiteral("a"));
    EXPECT_FALSE(doc.IsModified()) << "a refused character changes nothing";

    QTest::keyClick(m_pEdit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_FALSE(doc.IsModified());
    Type(QStringLiteral("4"));
    EXPECT_TRUE(doc.IsModified());
    QTest::keyClick(m_pEdit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m_pEdit->selectedText(), QStringLiteral("4"));

    doc.SetModifiedFlag(false);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(m_pEdit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(doc.IsModified()) << "control-V counts as a change even with nothing to paste";

    doc.SetModifiedFlag(false);
    m_pEdit->SetModifyDoc(false);
    Type(QStringLiteral("56"));
    QTest::keyClick(m_pEdit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(m_pEdit, Qt::Key_Backspace);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ValueEditTest, ClipboardKeysWorkAfterTheKeystroke)
{
    ShowWindow();
    m_pEdit->SetRange(0, 99);
    m_pEdit->setFocus();
    Type(QStringLiteral("37"));
    QTest::keyClick(m_pEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(m_pEdit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("37")) << "the cut is posted, not done at once";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pEdit->text(), QString());
    QTest::keyClick(m_pEdit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(m_pEdit, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pEdit->text(), QStringLiteral("3737"));
}

TEST_F(ValueEditTest, ValidationWalkStopsAtTheFirstFailure)
{
    ShowWindow();
    auto* pInner = new QWidget(m_pWindow.get());
    m_pWindow->layout()->addWidget(pInner);
    auto* pSecond = new CProbeEdit(pInner);
    auto* pThird = new CProbeEdit(m_pWindow.get());
    m_pWindow->layout()->addWidget(pThird);
    pInner->show();
    pThird->show();
    for (CProbeEdit* p : {m_pEdit, pSecond, pThird})
        p->SetRange(0, 9);
    m_pEdit->setText(QStringLiteral("1"));
    pSecond->setText(QStringLiteral("10"));
    pThird->setText(QStringLiteral("11"));
    m_pOther->setFocus();

    EXPECT_FALSE(ValidateValueEdits(m_pWindow.get()));
    QCoreApplication::processEvents();
    EXPECT_EQ(m_pEdit->m_nValidateCalls, 1);
    EXPECT_EQ(pSecond->m_nValidateCalls, 1);
    EXPECT_EQ(pThird->m_nValidateCalls, 0);
    EXPECT_TRUE(pSecond->hasFocus());

    pSecond->setText(QStringLiteral("9"));
    pThird->setText(QStringLiteral("3"));
    EXPECT_TRUE(ValidateValueEdits(m_pWindow.get()));
    EXPECT_EQ(pThird->m_nValidateCalls, 1);

    QWidget plain;
    new QLineEdit(&plain);
    EXPECT_TRUE(ValidateValueEdits(&plain));
}

} // namespace
