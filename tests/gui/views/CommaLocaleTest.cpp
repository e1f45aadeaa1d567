#include "tests/gui/framework/GuiApp.h"

#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "views/FormMemData.h"
#include "views/LeftView.h"
#include "views/ValueEdit.h"

#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The whole program runs under a German number format: "," as decimal
// separator and "." for thousands. Set before anything reads the locale.
const bool s_bLocaleSet = qputenv("LC_ALL", "de_DE.UTF-8");

TEST(CommaLocaleTest, FieldsAndTheMemoryFormUseTheDecimalComma)
{
    ASSERT_TRUE(s_bLocaleSet);
    EnsureGuiApp();
    ASSERT_EQ(QLocale::system().decimalPoint(), QStringLiteral(","));
    auto pApp = std::make_unique<CVaultlineApp>();
    ASSERT_TRUE(pApp->InitInstance({}));

    STOREMEM& rec = *pApp->GetDocument()->GetAt(1);
    rec.Curr = 1.5f;
    rec.CountTime = 1234;
    rec.Abc[2].Cond_H = 1234.5f;
    CItemPane& tree = qobject_cast<CLeftView*>(pApp->GetLeftPane())->GetTree();
    tree.setCurrentItem(tree.GetRootItem()->child(1));
    QCoreApplication::processEvents();
    auto* pForm = qobject_cast<CFormMemData*>(pApp->GetRightPane());
    ASSERT_NE(pForm, nullptr);
    EXPECT_EQ(pForm->GetList().GetItemText(7, 1), QStringLiteral("1,5000"));
    EXPECT_EQ(pForm->GetList().GetItemText(14, 1), QStringLiteral("1234")) << "integers are not converted";
    EXPECT_EQ(pForm->GetList().GetItemText(35, 3), QStringLiteral("1234,5000"));

    auto* pEdit = new CValueEdit(pForm, pApp->GetDocument());
    pEdit->SetRange(0.0f, 1.0f, 4);
    EXPECT_EQ(pEdit->GetRangeText(), QStringLiteral("0,0000 ~ 1,0000"));
    pEdit->SetFloatValue(0.5f);
    EXPECT_EQ(pEdit->text(), QStringLiteral("0,5000"));

    // A typed "." becomes the decimal comma.
    pEdit->SetRange(0.0f, 10.0f, 2);
    pEdit->clear();
    pEdit->show();
    pEdit->setFocus();
    QTest::keyClicks(pEdit, QStringLiteral("1."));
    QCoreApplication::processEvents();
    QTest::keyClicks(pEdit, QStringLiteral("5,2"));
    QCoreApplication::processEvents();
    EXPECT_EQ(pEdit->text(), QStringLiteral("1,5,2"));
    EXPECT_FLOAT_EQ(pEdit->GetFloatValue(), 1.5f);
    pApp->GetDocument()->SetModifiedFlag(false);
}

} // namespace
