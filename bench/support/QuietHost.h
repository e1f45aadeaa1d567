#pragma once

#include "transfer/TransferProcedure.h"

// A transfer host for the benchmarks: no progress, no event loop, and the
// final message kept for the report of a failed run.
class CQuietHost : public ITransferHost
{
public:
    void SetProgressRange(int) override {}
    void StepProgress() override {}
    void PumpMessages() override {}
    void ShowMessage(const QString& strText) override { m_strMessage = strText; }
    void SetModified() override {}
    void RefreshView() override {}
    QString m_strMessage;
};
