#include "tests/gui/framework/GuiApp.h"

#include "resources/Resource.h"
#include "resources/gui/GuiResources.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

namespace {

// Drawn again at 2x, not blown up: the 2x picture has twice the pixels and is
// not the 1x one with each pixel doubled.
void ExpectDrawnAt2x(const QIcon& icon, const QSize& size, const char* pszWhat)
{
    const QPixmap pm1 = icon.pixmap(size, 1.0);
    const QPixmap pm2 = icon.pixmap(size, 2.0);
    ASSERT_FALSE(pm1.isNull()) << pszWhat;
    EXPECT_EQ(pm1.size(), size) << pszWhat;
    EXPECT_EQ(pm2.size(), size * 2) << pszWhat;
    EXPECT_EQ(pm2.devicePixelRatio(), 2.0) << pszWhat;
    const QImage blownUp = pm1.toImage().scaled(size * 2).convertToFormat(QImage::Format_ARGB32);
    EXPECT_NE(pm2.toImage().convertToFormat(QImage::Format_ARGB32), blownUp) << pszWhat;
}

TEST(ImagesTest, ToolbarMenuTreeAndDialogImagesAreDrawnForEachPixelRatio)
{
    EnsureGuiApp();
    for (const unsigned nId :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_EDIT_COPY_MEMORY, ID_EDIT_PASTE_OVERWRITE,
          ID_TRANSFER_UPLOAD, ID_TRANSFER_DOWNLOAD, ID_APP_ABOUT})
        ExpectDrawnAt2x(LoadToolBarIcon(nId), QSize(16, 15), qPrintable(QString::number(nId)));
    EXPECT_TRUE(LoadToolBarIcon(ID_APP_EXIT).isNull()) << "no button, no image";
    ExpectDrawnAt2x(LoadResIcon(IDI_ROOT), QSize(16, 16), "tree root");
    ExpectDrawnAt2x(LoadResIcon(IDI_MEMORY), QSize(16, 16), "store memory");
    ExpectDrawnAt2x(LoadResIcon(IDI_TRANSFER), QSize(32, 32), "transfer");
    ExpectDrawnAt2x(LoadResIcon(IDI_MAINFRAME), QSize(48, 48), "main window");
    // A dialog's picture follows the screen: 1x here, at its logical size.
    const QPixmap about = LoadResBitmap(IDB_ABOUT);
    EXPECT_EQ(about.deviceIndependentSize().toSize(), QSize(32, 32));
    EXPECT_EQ(about.devicePixelRatio(), qApp->devicePixelRatio());
}

} // namespace
