#pragma once

#include <vector>

class CFrameWnd;
class QMenu;
class QMenuBar;
class QWidget;

// Menus as tables: a popup opens a level, END closes it, items carry the text
// with its "\t" accelerator hint and the command identifier. The menus built
// from a table use the frame's command actions, so a command looks and is
// enabled the same in every menu, the toolbar and the accelerators.
struct MENUENTRY
{
    enum EKind
    {
        Popup,
        Item,
        Separator,
        End
    };
    EKind eKind;
    const char16_t* pszText;
    unsigned nId;
};
using MENUTEMPLATE = std::vector<MENUENTRY>;

// Fills the menu bar with the table's top-level popups; every popup is updated
// by the frame when it is about to show.
void LoadMenuBar(QMenuBar* pMenuBar, CFrameWnd* pFrame, const MENUTEMPLATE& menu);
// The nPopup-th top-level popup of the table as a menu of its own (owned by
// pParent), or null when there is none.
QMenu* LoadPopupMenu(const MENUTEMPLATE& menu, int nPopup, CFrameWnd* pFrame, QWidget* pParent);
