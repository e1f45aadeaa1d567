#pragma once

#include "platform/framework/Dialog.h"
#include "views/ToolTipCtrl.h"

// Base of property pages with value edits: tooltips for every control,
// answered by GetToolTipText, and the check ValidateAll, which also decides
// whether the page may be left (OnKillActive), so a page holding a value out
// of range keeps the user until it is corrected. A page is a dialog template
// shown inside a property sheet; the sheet asks OnKillActive before it
// switches pages or closes.
class CValidatePropPage : public CDialog
{
    Q_OBJECT

public:
    explicit CValidatePropPage(const DLGTEMPLATE& tpl, QWidget* pParent = nullptr);

    virtual QString GetToolTipText(unsigned nId);
    virtual bool ValidateAll() { return true; }
    virtual bool OnKillActive() { return ValidateAll(); }

protected:
    bool OnInitDialog() override;

    CToolTipCtrl m_ToolTip;
};
