#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/Dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

TEST(MulDivTest, RoundsHalfAwayFromZeroAndRefusesOverflow)
{
    struct CASE
    {
        int a, b, c, nExpected;
    };
    const CASE cases[] = {
        {82, 6, 4, 123},
        {199, 6, 4, 299},
        {19, 13, 8, 31},
        {11, 13, 8, 18},
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {5, 1, -2, -3},
        {7, 1, 0, -1},
        {0, 9, 5, 0},
        {2147483647, 2, 2, 2147483647},
        {2147483647, 4, 2, -1}, // outside 32 bits
        {197, 9, 10, 177},
        {49, 7, 10, 34},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.nExpected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(DialogUnitsTest, ConvertsEachEdgeWithTheBaseUnits)
{
    struct CASE
    {
        QRect rcDlu;
        QSize sizeBase;
        QRect rcPixels;
    };
    const CASE cases[] = {
        {QRect(82, 19, 199, 11), QSize(6, 13), QRect(123, 31, 299, 18)},
        {QRect(246, 50, 50, 14), QSize(6, 13), QRect(369, 81, 75, 23)},
        {QRect(246, 50, 50, 14), QSize(7, 16), QRect(431, 100, 88, 28)},
        {QRect(0, 0, 302, 73), QSize(5, 11), QRect(0, 0, 378, 100)},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(DialogUnitsToPixels(c.rcDlu, c.sizeBase), c.rcPixels);
}

TEST(DialogUnitsTest, BaseUnitsFollowTheFont)
{
    EnsureGuiApp();
    QFont fontSmall;
    fontSmall.setPixelSize(11);
    QFont fontLarge = fontSmall;
    fontLarge.setPixelSize(22);
    const QSize sizeSmall = DialogBaseUnits(fontSmall);
    const QSize sizeLarge = DialogBaseUnits(fontLarge);
    EXPECT_GT(sizeSmall.width(), 0);
    EXPECT_EQ(sizeSmall.height(), QFontMetrics(fontSmall).height());
    // Twice the font, about twice the units (rounding aside).
    EXPECT_NEAR(sizeLarge.width(), 2 * sizeSmall.width(), 1);
    // The width is the rounded average of the 52 letters: at most half a
    // unit off the exact average.
    const double dAverage = QFontMetricsF(fontLarge).horizontalAdvance(
                                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            52.0;
    EXPECT_LE(std::abs(sizeLarge.width() - dAverage), 0.5 + 1.0 / 26);
}

QPixmap TestImages(unsigned nImage)
{
    QPixmap pm(nImage == 7 ? QSize(20, 30) : QSize());
    pm.fill(Qt::red);
    return pm;
}

const DLGTEMPLATE& TestTemplate()
{
    static const DLGTEMPLATE tpl = {
        900,
        u"Caption",
        u"Tahoma",
        8,
        200,
        60,
        DLGT_CAPTION | DLGT_SYSMENU | DLGT_MODALFRAME,
        {
            {DLGCTRL::Picture, -1, 4, 4, 20, 20, nullptr, 0, 7},
            {DLGCTRL::Static, -1, 40, 4, 100, 10, u"&Name && more", 0, 0},
            {DLGCTRL::Static, 1004, 40, 16, 100, 10, u"Version &%s", DLGS_NOPREFIX, 0},
            {DLGCTRL::Edit, 1010, 40, 28, 60, 12, u"", DLGS_TABSTOP, 0},
            {DLGCTRL::PushButton, 1011, 104, 28, 40, 14, u"Other", 0, 0},
            {DLGCTRL::DefPushButton, IDOK, 100, 44, 40, 14, u"OK", DLGS_TABSTOP, 0},
            {DLGCTRL::PushButton, IDCANCEL, 150, 44, 40, 14, u"Cancel", DLGS_TABSTOP, 0},
        }};
    return tpl;
}

class CTestDialog : public CDialog
{
public:
    CTestDialog() : CDialog(TestTemplate()) {}
    int m_nInitCalls = 0;
    QString m_strVersionAtInit;

protected:
    bool OnInitDialog() override
    {
        ++m_nInitCalls;
        m_strVersionAtInit = GetDlgItemText(1004);
        SetDlgItemText(1004, GetDlgItemText(1004).replace(QStringLiteral("%s"), QStringLiteral("1, 2")));
        return CDialog::OnInitDialog();
    }
};

TEST(DialogTest, ControlsComeFromTheTemplate)
{
    EnsureGuiApp();
    SetDialogImageProvider(&TestImages);
    CTestDialog dlg;
    dlg.Create();
    dlg.Create();
    EXPECT_EQ(dlg.m_nInitCalls, 1);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Caption"));
    EXPECT_EQ(dlg.m_strVersionAtInit, QStringLiteral("Version &%s"));
    EXPECT_EQ(dlg.GetDlgItemText(1004), QStringLiteral("Version &1, 2"));

    const QSize sizeBase = DialogBaseUnits(DialogFont(TestTemplate()));
    EXPECT_EQ(dlg.size(), DialogUnitsToPixels(QRect(0, 0, 200, 60), sizeBase).size());
    ASSERT_NE(dlg.GetDlgItem(IDOK), nullptr);
    EXPECT_EQ(dlg.GetDlgItem(IDOK)->geometry(), DialogUnitsToPixels(QRect(100, 44, 40, 14), sizeBase));
    EXPECT_TRUE(qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK))->isDefault());
    EXPECT_EQ(dlg.GetDlgItem(4711), nullptr);

    // Statics without the no-prefix style show "&x" as x and "&&" as "&".
    const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* pLabel : labels)
        texts << pLabel->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Name & more")));
    // The picture takes the size of its image.
    auto* pPicture = labels.value(0);
    ASSERT_NE(pPicture, nullptr);
    EXPECT_EQ(pPicture->size(), QSize(20, 30));

    // Only tab stops take the focus by Tab.
    EXPECT_TRUE(dlg.GetDlgItem(1010)->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(dlg.GetDlgItem(1011)->focusPolicy() & Qt::TabFocus);
    SetDialogImageProvider(nullptr);
}

TEST(DialogTest, ModalResultFromButtonsEscapeAndClose)
{
    EnsureGuiApp();
    struct CASE
    {
        const char* pszHow;
        int nExpected;
    };
    const CASE cases[] = {{"ok", IDOK}, {"cancel", IDCANCEL}, {"escape", IDCANCEL}, {"close", IDCANCEL}};
    for (const CASE& c : cases) {
        CTestDialog dlg;
        const std::string strHow = c.pszHow;
        QTimer::singleShot(0, &dlg, [&dlg, strHow] {
            if (strHow == "ok")
                qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK))->click();
            else if (strHow == "cancel")
                qobject_cast<QPushButton*>(dlg.GetDlgItem(IDCANCEL))->click();
            else if (strHow == "escape")
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else
                dlg.close();
        });
        EXPECT_EQ(dlg.DoModal(), c.nExpected) << c.pszHow;
    }
}

} // namespace
