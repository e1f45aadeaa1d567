#pragma once

#include "platform/framework/Dialog.h"
#include "views/ToolTipCtrl.h"

// Base of dialogs with value edits: tooltips for every control, answered by
// GetToolTipText, and the check ValidateAll.
class CValidateDialog : public CDialog
{
    Q_OBJECT

public:
    explicit CValidateDialog(const DLGTEMPLATE& tpl, QWidget* pParent = nullptr);

    virtual QString GetToolTipText(unsigned nId);
    virtual bool ValidateAll() { return true; }

protected:
    bool OnInitDialog() override;

    CToolTipCtrl m_ToolTip;
};
