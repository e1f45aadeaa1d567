#pragma once

#include "model/DocumentUi.h"

class CVaultlineApp;

// The document's side of the desktop program: its prompts as message boxes
// with the application's title, its file dialogs, the wait cursor, and the
// right-hand form of the main window.
class CDesktopDocumentUi : public IDocumentUi
{
public:
    explicit CDesktopDocumentUi(CVaultlineApp& app) : m_App(app) {}

    void MessageBox(const QString& strText) override;
    EAnswer AskSaveChanges(const QString& strPrompt, unsigned nHelpContext) override;
    QString RunFileDialog(const FILEDIALOG& dlg) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool ValidateRightPane() override;
    void InitialUpdateRightPane() override;
    void AddToRecentFileList(const QString& strPath) override;
    void OnDocumentTitleChanged() override;
    void RunTransferDialog(int nMode) override;

private:
    CVaultlineApp& m_App;
};
