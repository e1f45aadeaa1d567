#include "resources/gui/FormTemplates.h"

#include "resources/Resource.h"

// The tree starts hidden: its form shows it once the image list is attached.
const DLGTEMPLATE& LeftViewTemplate()
{
    static const DLGTEMPLATE s_Template = {IDD_LEFTVIEW,
                                           nullptr,
                                           u"Tahoma",
                                           8,
                                           100,
                                           150,
                                           DLGT_CHILD,
                                           {
                                               {DLGCTRL::TreeView, IDC_TREE, 0, 0, 100, 150, nullptr,
                                                DLGS_TABSTOP | DLGS_HSCROLL | DLGS_HIDDEN, 0},
                                           }};
    return s_Template;
}

const DLGTEMPLATE& FormBlankTemplate()
{
    static const DLGTEMPLATE s_Template = {
        IDD_FORM_BLANK,
        nullptr,
        u"Tahoma",
        8,
        186,
        95,
        DLGT_CHILD,
        {
            {DLGCTRL::Static, -1, 7, 7, 125, 11, u"Select a tree item to edit...", 0, 0},
        }};
    return s_Template;
}

const DLGTEMPLATE& FormMemDataTemplate()
{
    static const DLGTEMPLATE s_Template = {
        IDD_FORM_MEMDATA,
        nullptr,
        u"Tahoma",
        8,
        335,
        215,
        DLGT_CHILD,
        {
            {DLGCTRL::ListView, IDC_LIST, 27, 29, 281, 173, nullptr, DLGS_TABSTOP | DLGS_BORDER, 0},
        }};
    return s_Template;
}
