#pragma once

#include "platform/framework/FormView.h"
#include "views/ToolTipCtrl.h"

// Base of the right-hand forms: tooltips for every control, answered by
// GetToolTipText, and the check ValidateAll that the main window asks before
// it replaces the form and the document asks before it saves.
class CValidateFormView : public CFormView
{
    Q_OBJECT

public:
    explicit CValidateFormView(const DLGTEMPLATE& tpl, QWidget* pParent = nullptr);

    virtual QString GetToolTipText(unsigned nId);
    virtual bool ValidateAll() { return true; }

    // The store memory the form shows; set by the main window before the
    // form's initial updates.
    int m_nMemoryIndex = 0;

    // How far the controls move down at the first initial update.
    static constexpr int CONTROL_OFFSET = 22;

protected:
    void OnInitialUpdate() override;
    void resizeEvent(QResizeEvent* pEvent) override;
    // Lays the controls out for the form's current size; runs on every size
    // change and once more after the first initial update.
    virtual void OnSize() {}

    CToolTipCtrl m_ToolTip;
};

// The tooltip text for a control of pWnd: the range of the value edit with
// that identifier, otherwise empty.
QString ValueEditToolTip(const QWidget* pWnd, unsigned nId);
