#pragma once

#include "dialogs/DlgVerifyResults.h"
#include "transfer/TransferProcedure.h"
#include "views/ValidateDialog.h"

class CAppOptions;
class CComboBox;
class CValueEdit;
class CVaultlineDoc;
class QAbstractButton;
class QProgressBar;
class QPushButton;
class QRadioButton;

// Upload (mode 1) or Download (mode 2) of all store memories or a range of
// them between the open document and one instrument, or Verify (mode 3): the
// memories read back and compared with the document, the differences listed. The dialog stays open
// after a transfer so that another can follow; Cancel stops a running
// transfer after the memory in progress, and closes the dialog otherwise.
class CDlgTransfer : public CValidateDialog, private ITransferHost
{
    Q_OBJECT

public:
    // The dialog works on doc and remembers the chosen instrument in options.
    CDlgTransfer(int nMode, CAppOptions& options, CVaultlineDoc& doc, QWidget* pParent = nullptr);
    ~CDlgTransfer() override;

    QString GetToolTipText(unsigned nId) override;

    int GetMode() const { return m_nMode; }
    bool IsRunning() const { return m_bRunning; }
    // The outcome of the last transfer that was started (steps 1 to 4 passed).
    bool HasRun() const { return m_bHasRun; }
    CTransferProcedure::EResult GetLastResult() const { return m_lastResult; }

protected:
    bool OnInitDialog() override;
    void OnCancel() override;
    void OnButtonClicked(int nId) override;
    QWidget* CreateControl(const DLGITEMTEMPLATE& item) override;

    void OnTransfer();
    void OnAll();
    void OnPartial();
    void OnResourceDropDown();
    void OnResourceSelChange();
    void FillResourceList();

    // The default system sound of a refused start.
    virtual void MessageBeep();

private:
    // What the procedure asks of the dialog while it runs.
    void SetProgressRange(int nMemories) override;
    void StepProgress() override;
    void PumpMessages() override;
    void ShowMessage(const QString& strText) override;
    void SetModified() override;
    void RefreshView() override;

    // Transfer is offered exactly when an entry is selected and no transfer
    // runs: a transfer started from inside the running one would share its
    // records and its instrument.
    void UpdateTransferButton();
    void ShowVerifyResults(const CTransferProcedure& procedure, const CStoreMemContainer& memories,
                           const QString& strResource);
    QString& RememberedResource();

    int m_nMode;
    CAppOptions& m_Options;
    CVaultlineDoc& m_Doc;
    QPushButton* m_btnCancel = nullptr;
    QProgressBar* m_ctlProgress = nullptr;
    CValueEdit* m_edtEndMem = nullptr;
    CValueEdit* m_edtStartMem = nullptr;
    CComboBox* m_cbxResource = nullptr;
    QPushButton* m_btnTransfer = nullptr;
    QRadioButton* m_btnAll = nullptr;
    QRadioButton* m_btnPartial = nullptr;
    bool m_bRunning = false;
    int m_nFirstMem = CTransferProcedure::FIRST_MEMORY;
    int m_nLastMem = CTransferProcedure::LAST_MEMORY;

    // The procedure while it runs, so that Cancel can reach it.
    CTransferProcedure* m_pProcedure = nullptr;
    bool m_bHasRun = false;
    CTransferProcedure::EResult m_lastResult = CTransferProcedure::RESULT_COMPLETED;
    // A verify's final report, held until its results are known.
    QString m_strHeldMessage;
    std::vector<VERIFYDIFFERENCE> m_differences;
};
