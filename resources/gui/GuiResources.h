#pragma once

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/Menu.h"

#include <QIcon>
#include <QKeySequence>
#include <QPixmap>
#include <vector>

// The resources of the desktop program's windows, by identifier
// (resources/Resource.h): menus, accelerators, the toolbar with its images,
// icons and bitmaps, and the About box's dialog template.

// Menu 128 (the menu bar) and menu 141 (its first popup is the tree's context
// menu); an empty table for any other identifier.
const MENUTEMPLATE& LoadMenuTemplate(unsigned nId);

struct ACCELENTRY
{
    QKeySequence key;
    unsigned nId;
};
// Accelerator table 128.
const std::vector<ACCELENTRY>& LoadAccelerators(unsigned nId);

// Toolbar 128: command identifiers left to right, 0 for a separator.
const std::vector<unsigned>& LoadToolBar(unsigned nId);
// The 16 x 15 image of a toolbar command at 1x, 2x and the screen's ratio,
// for buttons and menus; null for a command without button.
QIcon LoadToolBarIcon(unsigned nCommandId);

// Icons 128 (main window), 131 (tree root), 132 (transfer), 135 (store
// memory), each at 1x, 2x and the screen's ratio; a null icon for any other
// identifier.
QIcon LoadResIcon(unsigned nId);
// Bitmap 137 (About box) and, for dialog pictures, the icons by identifier,
// drawn at the screen's device pixel ratio.
QPixmap LoadResBitmap(unsigned nId);

// Dialog template 100: the About box.
const DLGTEMPLATE& AboutBoxTemplate();
