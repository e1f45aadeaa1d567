#include "dialogs/DlgTransfer.h"

#include "dialogs/DlgVerifyResults.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/ComboBox.h"
#include "platform/framework/WinApp.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/TransferTemplate.h"
#include "settings/AppOptions.h"
#include "views/ValidateFormView.h"
#include "views/ValueEdit.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

CDlgTransfer::CDlgTransfer(int nMode, CAppOptions& options, CVaultlineDoc& doc, QWidget* pParent)
    : CValidateDialog(TransferDialogTemplate(), pParent), m_nMode(nMode), m_Options(options), m_Doc(doc)
{
}

CDlgTransfer::~CDlgTransfer() = default;

QString& CDlgTransfer::RememberedResource()
{
    // A verify checks what was uploaded, so it goes where the uploads go.
    return m_nMode == CTransferProcedure::MODE_DOWNLOAD ? m_Options.m_strIoResourceDn
                                                        : m_Options.m_strIoResourceUp;
}

QWidget* CDlgTransfer::CreateControl(const DLGITEMTEMPLATE& item)
{
    switch (item.nId) {
    case IDC_START_MEM:
    case IDC_END_MEM: {
        auto* pEdit = new CValueEdit(this);
        // The range is not part of the document.
        pEdit->SetModifyDoc(false);
        (item.nId == IDC_START_MEM ? m_edtStartMem : m_edtEndMem) = pEdit;
        return pEdit;
    }
    default:
        return nullptr;
    }
}

bool CDlgTransfer::OnInitDialog()
{
    const bool bResult = CValidateDialog::OnInitDialog();

    m_btnCancel = qobject_cast<QPushButton*>(GetDlgItem(IDCANCEL));
    m_ctlProgress = qobject_cast<QProgressBar*>(GetDlgItem(IDC_PROGRESS));
    m_btnTransfer = qobject_cast<QPushButton*>(GetDlgItem(IDC_TRANSFER));
    m_btnAll = qobject_cast<QRadioButton*>(GetDlgItem(IDC_ALL));
    m_btnPartial = qobject_cast<QRadioButton*>(GetDlgItem(IDC_PARTIAL));
    m_cbxResource = qobject_cast<CComboBox*>(GetDlgItem(IDC_RESOURCE));
    Q_ASSERT(m_btnCancel && m_ctlProgress && m_btnTransfer && m_btnAll && m_btnPartial && m_cbxResource &&
             m_edtStartMem && m_edtEndMem);

    m_ctlProgress->setTextVisible(false);

    const bool bUpload = m_nMode == CTransferProcedure::MODE_UPLOAD;
    if (m_nMode == CTransferProcedure::MODE_VERIFY) {
        setWindowTitle(LoadResString(IDS_VERIFY_TITLE));
        m_btnTransfer->setText(LoadResString(IDS_VERIFY));
    } else {
        setWindowTitle(LoadResString(bUpload ? IDS_UPLOAD_TITLE : IDS_DOWNLOAD_TITLE));
        m_btnTransfer->setText(LoadResString(bUpload ? IDS_UPLOAD : IDS_DOWNLOAD));
    }

    m_btnAll->setChecked(true);
    m_edtStartMem->setEnabled(false);
    m_edtEndMem->setEnabled(false);

    m_edtStartMem->SetRange(m_nFirstMem, m_nLastMem, false, 0, false);
    m_edtStartMem->SetIntValue(m_nFirstMem);
    m_edtEndMem->SetRange(m_nFirstMem, m_nLastMem, false, 0, false);
    m_edtEndMem->SetIntValue(m_nLastMem);

    connect(m_btnAll, &QRadioButton::clicked, this, &CDlgTransfer::OnAll);
    connect(m_btnPartial, &QRadioButton::clicked, this, &CDlgTransfer::OnPartial);
    connect(m_cbxResource, &CComboBox::DropDown, this, &CDlgTransfer::OnResourceDropDown);
    connect(m_cbxResource, &QComboBox::currentIndexChanged, this, &CDlgTransfer::OnResourceSelChange);

    FillResourceList();
    return bResult;
}

QString CDlgTransfer::GetToolTipText(unsigned nId)
{
    return ValueEditToolTip(this, nId);
}

void CDlgTransfer::OnButtonClicked(int nId)
{
    if (nId == IDC_TRANSFER)
        OnTransfer();
    else
        CValidateDialog::OnButtonClicked(nId);
}

void CDlgTransfer::OnAll()
{
    m_edtStartMem->setEnabled(false);
    m_edtEndMem->setEnabled(false);
}

void CDlgTransfer::OnPartial()
{
    m_edtStartMem->setEnabled(true);
    m_edtEndMem->setEnabled(true);
}

void CDlgTransfer::OnResourceDropDown()
{
    FillResourceList();
}

void CDlgTransfer::OnResourceSelChange()
{
    UpdateTransferButton();
}

void CDlgTransfer::UpdateTransferButton()
{
    m_btnTransfer->setEnabled(m_cbxResource->currentIndex() >= 0 && !m_pProcedure);
}

void CDlgTransfer::FillResourceList()
{
    const QStringList resources = m_Doc.FindInstruments();

    m_cbxResource->clear();
    m_cbxResource->setCurrentIndex(-1);
    for (const QString& strResource : std::as_const(resources))
        m_cbxResource->AddString(strResource);
    m_cbxResource->SelectString(RememberedResource());
    UpdateTransferButton();
}

void CDlgTransfer::MessageBeep()
{
    QApplication::beep();
}

void CDlgTransfer::OnTransfer()
{
    // The button is disabled while a transfer runs; nothing else may start one.
    if (m_pProcedure)
        return;
    if (!ValidateValueEdits(this))
        return;

    int nFirst = m_nFirstMem;
    int nLast = m_nLastMem;
    if (m_btnPartial->isChecked()) {
        nFirst = m_edtStartMem->GetIntValue();
        nLast = m_edtEndMem->GetIntValue();
    }
    if (nFirst > nLast) {
        MessageBeep();
        return;
    }
    const int nSelected = m_cbxResource->currentIndex();
    if (nSelected < 0) {
        MessageBeep();
        return;
    }

    CTransferProcedure procedure(m_nMode, m_Doc.GetData().GetContainer(), *this);
    m_pProcedure = &procedure;
    m_bRunning = true;
    UpdateTransferButton();
    // Remembered before the instrument is opened, whatever comes of it.
    QString& strResource = RememberedResource();
    strResource = m_cbxResource->itemText(nSelected);

    std::shared_ptr<IResourceManager> pResourceManager = m_Doc.GetResourceManager();
    m_strHeldMessage.clear();
    m_lastResult = procedure.Run(pResourceManager, strResource, nFirst, nLast);
    m_bHasRun = true;

    m_pProcedure = nullptr;
    m_bRunning = false;
    UpdateTransferButton();
    if (m_nMode == CTransferProcedure::MODE_VERIFY)
        ShowVerifyResults(procedure, m_Doc.GetData().GetContainer(), strResource);
}

void CDlgTransfer::ShowVerifyResults(const CTransferProcedure& procedure, const CStoreMemContainer& memories,
                                     const QString& strResource)
{
    // Anything but a completed read-back is reported as any transfer reports it.
    if (m_lastResult != CTransferProcedure::RESULT_COMPLETED) {
        AfxMessageBox(m_strHeldMessage);
        return;
    }
    m_differences.clear();
    int nMemories = 0;
    for (const auto& [nMemory, differences] : procedure.CompareReadBack(memories)) {
        for (const STOREMEMDIFFERENCE& d : differences)
            m_differences.push_back({nMemory, d});
        ++nMemories;
    }
    if (m_differences.empty()) {
        AfxMessageBox(LoadResString(IDS_VERIFY_SAME), EMessageKind::Information);
        return;
    }
    CDlgVerifyResults dlg(m_differences, nMemories, strResource, this);
    dlg.exec();
}

void CDlgTransfer::OnCancel()
{
    // Until the procedure has returned, a click only (again) asks it to stop:
    // two clicks in a row must not close the dialog under a transfer that is
    // still finishing its memory.
    if (m_pProcedure) {
        m_bRunning = false;
        m_pProcedure->Cancel();
        return;
    }
    CValidateDialog::OnCancel();
}

void CDlgTransfer::SetProgressRange(int nMemories)
{
    m_ctlProgress->setRange(0, nMemories);
    m_ctlProgress->setValue(0);
}

void CDlgTransfer::StepProgress()
{
    m_ctlProgress->setValue(m_ctlProgress->value() + 1);
}

void CDlgTransfer::PumpMessages()
{
    QCoreApplication::processEvents();
}

void CDlgTransfer::ShowMessage(const QString& strText)
{
    // A verify ends with its results instead of "Transfer has completed."; a
    // failure is shown once the procedure has returned.
    if (m_nMode == CTransferProcedure::MODE_VERIFY) {
        m_strHeldMessage = strText;
        return;
    }
    // Only the completion is good news; aborts, wrong models and errors warn.
    const bool bCompleted = strText == LoadResString(IDS_TRANSFER_COMPLETED);
    AfxMessageBox(strText, bCompleted ? EMessageKind::Information : EMessageKind::Warning);
}

void CDlgTransfer::SetModified()
{
    m_Doc.SetModifiedFlag(true);
}

void CDlgTransfer::RefreshView()
{
    m_Doc.UpdateForm();
}
