#include "dialogs/AboutBox.h"

#include "platform/version/ModuleVersion.h"
#include "resources/Resource.h"
#include "resources/gui/GuiResources.h"

CAboutBox::CAboutBox(QWidget* pParent) : CDialog(AboutBoxTemplate(), pParent) {}

bool CAboutBox::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The template holds the format; a missing value leaves "Version ".
    CModuleVersion ver;
    ver.GetFileVersionInfo(GetModuleFileNameW());
    QString strText = GetDlgItemText(IDC_VERSION);
    const int nPos = strText.indexOf(QLatin1String("%s"));
    if (nPos >= 0)
        strText.replace(nPos, 2, ver.GetValue(QStringLiteral("FileVersion")));
    SetDlgItemText(IDC_VERSION, strText);
    return true;
}
