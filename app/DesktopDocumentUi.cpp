#include "app/DesktopDocumentUi.h"

#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "views/ValidateFormView.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void CDesktopDocumentUi::MessageBox(const QString& strText)
{
    AfxMessageBox(strText);
}

IDocumentUi::EAnswer CDesktopDocumentUi::AskSaveChanges(const QString& strPrompt, unsigned)
{
    QMessageBox box(QMessageBox::Question, m_App.GetAppName(), strPrompt,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_App.GetMessageBoxOwner());
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    default:
        return Cancel;
    }
}

QString CDesktopDocumentUi::RunFileDialog(const FILEDIALOG& dlg)
{
    QFileDialog fd(m_App.GetMessageBoxOwner());
    fd.setNameFilter(dlg.strFilterName.contains(dlg.strFilterPattern)
                         ? dlg.strFilterName
                         : QStringLiteral("%1 (%2)").arg(dlg.strFilterName, dlg.strFilterPattern));
    fd.setDefaultSuffix(dlg.strDefaultExt);
    if (dlg.eKind == FILEDIALOG::Open) {
        fd.setAcceptMode(QFileDialog::AcceptOpen);
        fd.setFileMode(dlg.bFileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    } else {
        fd.setAcceptMode(QFileDialog::AcceptSave);
        fd.setFileMode(QFileDialog::AnyFile);
        fd.setOption(QFileDialog::DontConfirmOverwrite, !dlg.bOverwritePrompt);
    }
    // A wildcard as initial name is the filter itself, which the dialog
    // already applies; only a real name goes into the field.
    if (!dlg.strInitialName.isEmpty() && !dlg.strInitialName.contains(QLatin1Char('*')))
        fd.selectFile(dlg.strInitialName);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return QString();
    return fd.selectedFiles().constFirst();
}

void CDesktopDocumentUi::BeginWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CDesktopDocumentUi::EndWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

bool CDesktopDocumentUi::ValidateRightPane()
{
    auto* pForm = dynamic_cast<CValidateFormView*>(m_App.GetRightPane());
    return !pForm || pForm->ValidateAll();
}

void CDesktopDocumentUi::InitialUpdateRightPane()
{
    if (CView* pView = m_App.GetRightPane())
        pView->SendInitialUpdate();
}

void CDesktopDocumentUi::AddToRecentFileList(const QString& strPath)
{
    m_App.AddToRecentFileList(strPath);
}

void CDesktopDocumentUi::OnDocumentTitleChanged()
{
    if (CMainFrame* pFrame = m_App.GetMainFrame())
        pFrame->OnUpdateFrameTitle();
}

void CDesktopDocumentUi::RunTransferDialog(int nMode)
{
    m_App.RunTransferDialog(nMode);
}
