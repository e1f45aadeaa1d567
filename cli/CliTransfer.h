#pragma once

#include "transfer/TransferProcedure.h"

#include <QString>
#include <QStringList>

struct CLICOMMAND;

// The arguments of download and upload.
struct TRANSFERARGS
{
    QStringList positional; // RESOURCE FILE, or FILE RESOURCE
    int nFirst = CTransferProcedure::FIRST_MEMORY;
    int nLast = CTransferProcedure::LAST_MEMORY;
    QString strInto;      // --into BASEFILE, download only
    bool bVerify = false; // --verify, upload only
};

// Runs the transfer procedure for download and upload on a terminal: a
// progress bar on standard error when that is a terminal, the messages on
// standard error, Ctrl+C cancelling between memories as the dialog's Cancel
// button does.
class CCliTransfer : public ITransferHost
{
public:
    CCliTransfer(int nMode, CStoreMemContainer& memories);

    // Opens the VISA resource manager and runs the procedure; reports every
    // outcome on standard error.
    CTransferProcedure::EResult Run(const QString& strResource, int nFirst, int nLast);

    // The exit code of a transfer outcome.
    static int ExitCode(CTransferProcedure::EResult result);
    // "FIRST-LAST" with 0 <= FIRST <= LAST <= 99.
    static bool ParseRange(const QString& strRange, int& nFirst, int& nLast);
    // Two positional arguments, --range and (with bInto) --into, as "--opt
    // VALUE" or "--opt=VALUE", and (with bVerify) the switch --verify. On a
    // usage error it has reported it and returns false.
    static bool ParseArguments(const CLICOMMAND& command, const QStringList& args, bool bInto,
                               TRANSFERARGS& out, bool bVerify = false);

    // Reads each memory back after writing it (upload --verify).
    void SetReadBack(bool bReadBack) { m_procedure.SetReadBack(bReadBack); }
    // After a completed verify or upload with read-back: prints the values
    // the instrument holds otherwise than the records, as diff prints them,
    // and returns the exit code (0 when none differ, 1 otherwise).
    int ReportReadBack(const CStoreMemContainer& memories) const;

    // ITransferHost
    void SetProgressRange(int nMemories) override;
    void StepProgress() override;
    void PumpMessages() override;
    void ShowMessage(const QString& strText) override;
    void SetModified() override {}
    void RefreshView() override {}

private:
    void DrawProgress();
    void ClearProgress();

    CTransferProcedure m_procedure;
    bool m_bProgressBar = false;
    bool m_bProgressShown = false;
    int m_nTotal = 0;
    int m_nDone = 0;
};
