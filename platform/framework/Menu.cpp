#include "platform/framework/Menu.h"

#include "platform/framework/FrameWnd.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// Adds the entries from nPos up to the END of the current level; returns the
// position after that END.
size_t FillMenu(QMenu* pMenu, const MENUTEMPLATE& menu, size_t nPos, CFrameWnd* pFrame)
{
    while (nPos < menu.size()) {
        const MENUENTRY& e = menu[nPos++];
        switch (e.eKind) {
        case MENUENTRY::End:
            return nPos;
        case MENUENTRY::Separator:
            pMenu->addSeparator();
            break;
        case MENUENTRY::Item: {
            QAction* pAction = pFrame->GetCommandAction(e.nId);
            pAction->setText(QString::fromUtf16(e.pszText));
            pMenu->addAction(pAction);
            break;
        }
        case MENUENTRY::Popup: {
            QMenu* pSub = pMenu->addMenu(QString::fromUtf16(e.pszText));
            pFrame->WatchMenu(pSub);
            nPos = FillMenu(pSub, menu, nPos, pFrame);
            break;
        }
        }
    }
    return nPos;
}

} // namespace

void LoadMenuBar(QMenuBar* pMenuBar, CFrameWnd* pFrame, const MENUTEMPLATE& menu)
{
    for (size_t nPos = 0; nPos < menu.size();) {
        const MENUENTRY& e = menu[nPos++];
        if (e.eKind != MENUENTRY::Popup)
            continue;
        QMenu* pMenu = pMenuBar->addMenu(QString::fromUtf16(e.pszText));
        pFrame->WatchMenu(pMenu);
        nPos = FillMenu(pMenu, menu, nPos, pFrame);
    }
}

QMenu* LoadPopupMenu(const MENUTEMPLATE& menu, int nPopup, CFrameWnd* pFrame, QWidget* pParent)
{
    int nFound = 0;
    for (size_t nPos = 0; nPos < menu.size();) {
        const MENUENTRY& e = menu[nPos++];
        if (e.eKind != MENUENTRY::Popup)
            continue;
        auto* pMenu = new QMenu(QString::fromUtf16(e.pszText), pParent);
        const size_t nNext = FillMenu(pMenu, menu, nPos, pFrame);
        if (nFound++ == nPopup) {
            pFrame->WatchMenu(pMenu);
            return pMenu;
        }
        delete pMenu;
        nPos = nNext;
    }
    return nullptr;
}
