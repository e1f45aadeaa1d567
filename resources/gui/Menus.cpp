#include "resources/Resource.h"
#include "resources/gui/GuiResources.h"

const MENUTEMPLATE& LoadMenuTemplate(unsigned nId)
{
    using E = MENUENTRY;
    static const MENUTEMPLATE s_MainFrame = {
        {E::Popup, u"&File", 0},
        {E::Item, u"&New\tCtrl+N", ID_FILE_NEW},
        {E::Item, u"&Open...\tCtrl+O", ID_FILE_OPEN},
        {E::Item, u"&Save\tCtrl+S", ID_FILE_SAVE},
        {E::Item, u"Save &As...", ID_FILE_SAVE_AS},
        {E::Separator, nullptr, 0},
        {E::Item, u"E&xit", ID_APP_EXIT},
        {E::End, nullptr, 0},
        {E::Popup, u"&Edit", 0},
        {E::Item, u"&Copy\tCtrl+C", ID_EDIT_COPY_MEMORY},
        {E::Item, u"&Paste As Overwrite\tCtrl+V", ID_EDIT_PASTE_OVERWRITE},
        {E::Separator, nullptr, 0},
        {E::Item, u"Pre&ferences...", ID_EDIT_PREFERENCES},
        {E::End, nullptr, 0},
        {E::Popup, u"&View", 0},
        {E::Item, u"&Toolbar", ID_VIEW_TOOLBAR},
        {E::Item, u"&Status Bar", ID_VIEW_STATUS_BAR},
        {E::End, nullptr, 0},
        {E::Popup, u"&Transfer", 0},
        {E::Item, u"&Upload...", ID_TRANSFER_UPLOAD},
        {E::Item, u"&Download...", ID_TRANSFER_DOWNLOAD},
        {E::Item, u"&Verify...", ID_TRANSFER_VERIFY},
        {E::End, nullptr, 0},
        {E::Popup, u"&Help", 0},
        {E::Item, u"&Help Index...", ID_HELP_INDEX},
        {E::Item, u"&About Vaultline...", ID_APP_ABOUT},
        {E::End, nullptr, 0},
    };
    static const MENUTEMPLATE s_Context = {
        {E::Popup, u"Tree", 0},
        {E::Item, u"&Copy\tCtrl+C", ID_EDIT_COPY_MEMORY},
        {E::Item, u"&Paste As Overwrite\tCtrl+V", ID_EDIT_PASTE_OVERWRITE},
        {E::End, nullptr, 0},
    };
    static const MENUTEMPLATE s_Empty;
    switch (nId) {
    case IDR_MAINFRAME:
        return s_MainFrame;
    case IDR_VAULTLINE_CONTEXT:
        return s_Context;
    default:
        return s_Empty;
    }
}

const std::vector<ACCELENTRY>& LoadAccelerators(unsigned nId)
{
    static const std::vector<ACCELENTRY> s_MainFrame = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY_MEMORY},
        {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE_OVERWRITE},
        {QKeySequence(Qt::Key_F1), ID_HELP},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
    };
    static const std::vector<ACCELENTRY> s_Empty;
    return nId == IDR_MAINFRAME ? s_MainFrame : s_Empty;
}

const std::vector<unsigned>& LoadToolBar(unsigned nId)
{
    static const std::vector<unsigned> s_MainFrame = {
        ID_FILE_NEW, ID_FILE_OPEN,        ID_FILE_SAVE,
        0,           ID_EDIT_COPY_MEMORY, ID_EDIT_PASTE_OVERWRITE,
        0,           ID_TRANSFER_UPLOAD,  ID_TRANSFER_DOWNLOAD,
        0,           ID_APP_ABOUT,
    };
    static const std::vector<unsigned> s_Empty;
    return nId == IDR_MAINFRAME ? s_MainFrame : s_Empty;
}
