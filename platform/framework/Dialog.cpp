#include "platform/framework/Dialog.h"

#include <QAbstractButton>

CDialog::CDialog(const DLGTEMPLATE& tpl, QWidget* pParent) : QDialog(pParent), m_Template(tpl)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (tpl.dwStyle & DLGT_CAPTION)
        flags |= Qt::WindowTitleHint;
    if (tpl.dwStyle & DLGT_SYSMENU)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    if (tpl.pszCaption)
        setWindowTitle(QString::fromUtf16(tpl.pszCaption));
}

void CDialog::Create()
{
    if (m_bCreated)
        return;
    m_bCreated = true;
    const QSize size = BuildDialogControls(
        this, m_Template, [this](const DLGITEMTEMPLATE& item) { return CreateControl(item); });
    setFixedSize(size);
    const QList<QAbstractButton*> buttons = findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
    for (QAbstractButton* pButton : buttons) {
        const int nId = GetDlgCtrlID(pButton);
        connect(pButton, &QAbstractButton::clicked, this, [this, nId] {
            if (nId == IDOK)
                OnOK();
            else if (nId == IDCANCEL)
                OnCancel();
            else
                OnButtonClicked(nId);
        });
    }
    // A dialog that returns false has placed the focus itself; Qt keeps a
    // focus set before the dialog shows, and otherwise picks the first tab
    // stop, so both answers need nothing more here.
    OnInitDialog();
}

int CDialog::DoModal()
{
    Create();
    return exec();
}

void CDialog::EndDialog(int nResult)
{
    QDialog::done(nResult);
}

bool CDialog::OnInitDialog()
{
    return true;
}

void CDialog::OnButtonClicked(int) {}

QWidget* CDialog::CreateControl(const DLGITEMTEMPLATE&)
{
    return nullptr;
}
