#include "tests/gui/framework/GuiApp.h"

#include "platform/framework/ComboBox.h"
#include "platform/framework/Dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <tuple>
#include <vector>

namespace {

TEST(MulDivTest, RoundsHalfAwayFromZeroAndRefusesOverflow)
{
    const std::tuple<int, int, int, int> cases[] = {
        {82, 6, 4, 123},        {19, 13, 8, 31}, {5, 1, 2, 3},
        {-5, 1, 2, -3},         {5, 1, -2, -3},  {7, 1, 0, -1},
        {197, 9, 10, 177},      {49, 7, 10, 34}, {2147483647, 2, 2, 2147483647},
        {2147483647, 4, 2, -1}, // outside 32 bits
    };
    for (const auto& [a, b, c, nExpected] : cases)
        EXPECT_EQ(MulDiv(a, b, c), nExpected) << a << "*" << b << "/" << c;
}

TEST(DialogUnitsTest, ConvertsEachEdgeWithTheBaseUnits)
{
    EXPECT_EQ(DialogUnitsToPixels(QRect(82, 19, 199, 11), QSize(6, 13)), QRect(123, 31, 299, 18));
    EXPECT_EQ(DialogUnitsToPixels(QRect(246, 50, 50, 14), QSize(7, 16)), QRect(431, 100, 88, 28));

    // The width is the rounded average of the 52 letters.
    EnsureGuiApp();
    QFont font;
    font.setPixelSize(22);
    const QSize sizeBase = DialogBaseUnits(font);
    EXPECT_EQ(sizeBase.height(), QFontMetrics(font).height());
    const double dAverage = QFontMetricsF(font).horizontalAdvance(
                                QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            52.0;
    EXPECT_LE(std::abs(sizeBase.width() - dAverage), 0.5 + 1.0 / 26);
}

QPixmap TestImages(unsigned nImage)
{
    QPixmap pm(nImage == 7 ? QSize(20, 30) : QSize());
    pm.fill(Qt::red);
    return pm;
}

const std::vector<DLGITEMTEMPLATE> s_TestItems = {
    {DLGCTRL::Picture, -1, 4, 4, 20, 20, nullptr, 0, 7},
    {DLGCTRL::Static, -1, 40, 4, 100, 10, u"&Name && more", 0, 0},
    {DLGCTRL::Static, 1004, 40, 16, 100, 10, u"Version &%s", DLGS_NOPREFIX, 0},
    {DLGCTRL::Edit, 1010, 40, 28, 60, 12, u"", DLGS_TABSTOP, 0},
    {DLGCTRL::PushButton, 1011, 104, 28, 40, 14, u"Other", 0, 0},
    {DLGCTRL::DefPushButton, IDOK, 100, 44, 40, 14, u"OK", DLGS_TABSTOP, 0},
    {DLGCTRL::PushButton, IDCANCEL, 150, 44, 40, 14, u"Cancel", DLGS_TABSTOP, 0},
    {DLGCTRL::ComboBox, 1020, 4, 62, 90, 60, nullptr, DLGS_SORT, 0},
    {DLGCTRL::ComboBox, 1021, 100, 62, 90, 60, nullptr, 0, 0},
    {DLGCTRL::GroupBox, 1030, 4, 78, 190, 28, u"&Group", 0, 0},
    {DLGCTRL::Static, 1031, 8, 90, 60, 16, u"words that need two lines", 0, 0}};
const DLGTEMPLATE s_TestTemplate = {
    900, u"Caption", u"Tahoma", 8, 200, 110, DLGT_CAPTION | DLGT_SYSMENU | DLGT_MODALFRAME, s_TestItems};

class CTestDialog : public CDialog
{
public:
    CTestDialog() : CDialog(s_TestTemplate) {}
    int m_nInitCalls = 0;

protected:
    bool OnInitDialog() override
    {
        ++m_nInitCalls;
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
    EXPECT_EQ(dlg.GetDlgItemText(1004), QStringLiteral("Version &1, 2")) << "no-prefix text kept as written";

    const QSize sizeBase = DialogBaseUnits(DialogFont(s_TestTemplate));
    EXPECT_EQ(dlg.size(), DialogUnitsToPixels(QRect(0, 0, 200, 110), sizeBase).size());
    EXPECT_EQ(dlg.GetDlgItem(IDOK)->geometry(), DialogUnitsToPixels(QRect(100, 44, 40, 14), sizeBase));
    auto* pOk = qobject_cast<QPushButton*>(dlg.GetDlgItem(IDOK));
    EXPECT_TRUE(pOk->isDefault());

    const QList<QLabel*> labels = dlg.findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* pLabel : labels)
        texts << pLabel->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Name & more")));
    EXPECT_EQ(labels.value(0)->size(), QSize(20, 30)) << "the picture takes the size of its image";
    EXPECT_TRUE(dlg.GetDlgItem(1010)->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(dlg.GetDlgItem(1011)->focusPolicy() & Qt::TabFocus);
    SetDialogImageProvider(nullptr);
    dlg.show();
    pOk->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDOK);
}

TEST(DialogTest, ComboBoxesSortByStyleAndSelectOnlyWhenAsked)
{
    EnsureGuiApp();
    CTestDialog dlg;
    dlg.Create();
    auto* pSorted = qobject_cast<CComboBox*>(dlg.GetDlgItem(1020));
    auto* pPlain = qobject_cast<CComboBox*>(dlg.GetDlgItem(1021));
    ASSERT_TRUE(pSorted && pPlain);
    EXPECT_LT(pSorted->height(),
              DialogUnitsToPixels(QRect(0, 0, 1, 60), DialogBaseUnits(dlg.font())).height() / 2)
        << "closed, the list shows one line, not the height of its open list";

    for (const char* psz : {"b", "C", "a"}) {
        pSorted->AddString(QString::fromLatin1(psz));
        pPlain->AddString(QString::fromLatin1(psz));
    }
    const auto items = [](const QComboBox* pCombo) {
        QStringList list;
        for (int i = 0; i < pCombo->count(); ++i)
            list << pCombo->itemText(i);
        return list.join(QLatin1Char(','));
    };
    EXPECT_EQ(items(pSorted), QStringLiteral("a,b,C"));
    EXPECT_EQ(items(pPlain), QStringLiteral("b,C,a"));
    EXPECT_EQ(pSorted->currentIndex(), -1);

    EXPECT_EQ(pSorted->SelectString(QStringLiteral("c")), 2);
    pSorted->AddString(QStringLiteral("B2"));
    EXPECT_EQ(pSorted->currentText(), QStringLiteral("C")) << "the selection stays on its entry";
    EXPECT_EQ(pSorted->SelectString(QStringLiteral("x")), -1);
    EXPECT_EQ(pSorted->currentText(), QStringLiteral("C"));
}

TEST(DialogTest, GroupBoxLabelSitsOnItsFrameAndStaticTextsWrap)
{
    EnsureGuiApp();
    CTestDialog dlg;
    dlg.Create();
    QWidget* pGroup = dlg.GetDlgItem(1030);
    ASSERT_NE(pGroup, nullptr);
    EXPECT_EQ(GetWindowText(pGroup), QStringLiteral("&Group"));

    // Right of the label the first thing drawn from the top is the frame's
    // top edge, half a line down.
    const QImage img = pGroup->grab().toImage();
    const QRgb rgbBackground = img.pixel(img.width() - 3, 0);
    int nTopEdge = -1;
    for (int y = 0; y < img.height() && nTopEdge < 0; ++y) {
        if (img.pixel(img.width() - 12, y) != rgbBackground)
            nTopEdge = y;
    }
    EXPECT_NEAR(nTopEdge, QFontMetrics(pGroup->font()).height() / 2, 1);

    auto* pWrapped = qobject_cast<QLabel*>(dlg.GetDlgItem(1031));
    ASSERT_NE(pWrapped, nullptr);
    EXPECT_TRUE(pWrapped->wordWrap());
    EXPECT_GT(pWrapped->heightForWidth(pWrapped->width()), QFontMetrics(pWrapped->font()).height());
}

} // namespace
