#include "resources/gui/TransferTemplate.h"

#include "resources/Resource.h"

// The Transfer button's caption and the title are replaced at start with the
// texts of the mode. The resource list is 76 units high: that is the height of
// its open list, the closed box takes the height of one line.
const DLGTEMPLATE& TransferDialogTemplate()
{
    static const DLGTEMPLATE s_Template = {
        IDD_TRANSFER,
        u"Transfer",
        u"Tahoma",
        8,
        248,
        162,
        DLGT_CAPTION | DLGT_SYSMENU | DLGT_MODALFRAME,
        {
            {DLGCTRL::Picture, -1, 9, 4, 20, 20, nullptr, 0, IDI_TRANSFER},
            {DLGCTRL::Static, -1, 39, 5, 201, 28,
             u"Transfers contents of Store Memories. \nIf you use ASRL (RS232), make sure to set the "
             u"instrument to 19200bps/N/8/2/AckOFF.",
             0, 0},
            {DLGCTRL::EtchedHorz, -1, 7, 36, 231, 1, nullptr, 0, 0},
            {DLGCTRL::Static, -1, 6, 44, 78, 8, u"VISA I/O Resource", 0, 0},
            {DLGCTRL::ComboBox, IDC_RESOURCE, 6, 56, 235, 76, nullptr,
             DLGS_SORT | DLGS_VSCROLL | DLGS_TABSTOP, 0},
            {DLGCTRL::GroupBox, -1, 7, 72, 199, 42, u"Transfer Options", 0, 0},
            {DLGCTRL::RadioButton, IDC_ALL, 15, 84, 62, 9, u"&All", DLGS_GROUP | DLGS_TABSTOP, 0},
            {DLGCTRL::RadioButton, IDC_PARTIAL, 15, 95, 62, 9, u"&Partial", 0, 0},
            {DLGCTRL::Static, -1, 89, 83, 56, 10, u"Start Memory#", 0, 0},
            {DLGCTRL::Edit, IDC_START_MEM, 153, 81, 30, 13, nullptr, DLGS_TABSTOP | DLGS_BORDER, 0},
            {DLGCTRL::Static, -1, 89, 96, 56, 10, u"End Memory#", 0, 0},
            {DLGCTRL::Edit, IDC_END_MEM, 153, 96, 30, 13, nullptr, DLGS_TABSTOP | DLGS_BORDER, 0},
            {DLGCTRL::PushButton, IDC_TRANSFER, 8, 121, 54, 14, u"(Transfer)", DLGS_TABSTOP, 0},
            {DLGCTRL::PushButton, IDCANCEL, 68, 121, 54, 14, u"&Cancel", DLGS_TABSTOP, 0},
            {DLGCTRL::Progress, IDC_PROGRESS, 7, 143, 233, 12, nullptr, DLGS_BORDER, 0},
        }};
    return s_Template;
}
