#include "resources/Resource.h"
#include "resources/gui/GuiResources.h"

const DLGTEMPLATE& AboutBoxTemplate()
{
    static const DLGTEMPLATE s_Template = {
        IDD_ABOUTBOX,
        u"DXR9K Vaultline",
        u"Tahoma",
        8,
        302,
        73,
        DLGT_CAPTION | DLGT_SYSMENU | DLGT_MODALFRAME,
        {
            {DLGCTRL::Picture, -1, 9, 8, 20, 20, nullptr, 0, IDB_ABOUT},
            {DLGCTRL::Static, -1, 82, 8, 199, 11, u"DXR9K Vaultline", 0, 0},
            {DLGCTRL::Static, IDC_VERSION, 82, 19, 199, 11, u"Version %s", DLGS_NOPREFIX, 0},
            {DLGCTRL::Static, -1, 82, 30, 199, 11,
             u"Store-memory backup and restore for DXR9K electronic loads", 0, 0},
            {DLGCTRL::EtchedHorz, -1, 5, 44, 293, 1, nullptr, 0, 0},
            {DLGCTRL::DefPushButton, IDOK, 246, 50, 50, 14, u"OK", DLGS_TABSTOP, 0},
        }};
    return s_Template;
}
