#include "app/DocumentUi.h"

#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"
#include "views/ValidateFormView.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

void CDocumentUi::MessageBox(const QString& strText)
{
    AfxMessageBox(strText);
}

IDocumentUi::EAnswer CDocumentUi::AskSaveChanges(const QString& strPrompt, unsigned)
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

QString CDocumentUi::RunFileDialog(const FILEDIALOG& dlg)
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

void CDocumentUi::BeginWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CDocumentUi::EndWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

bool CDocumentUi::ValidateRightPane()
{
    auto* pForm = dynamic_cast<CValidateFormView*>(m_App.GetRightPane());
    return !pForm || pForm->ValidateAll();
}

void CDocumentUi::InitialUpdateRightPane()
{
    if (CView* pView = m_App.GetRightPane())
        pView->SendInitialUpdate();
}

void CDocumentUi::AddToRecentFileList(const QString& strPath)
{
    m_App.AddToRecentFileList(strPath);
}

void CDocumentUi::OnDocumentTitleChanged()
{
    if (CMainFrame* pFrame = m_App.GetMainFrame())
        pFrame->OnUpdateFrameTitle();
}

void CDocumentUi::RunTransferDialog(int nMode)
{
    m_App.RunTransferDialog(nMode);
}

bool CDocTarget::OnCommand(unsigned nId)
{
    return m_Doc.OnCommand(nId);
}

bool CDocTarget::HasCommand(unsigned nId) const
{
    return CVaultlineDoc::HasCommand(nId);
}
