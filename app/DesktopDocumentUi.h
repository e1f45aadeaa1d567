#pragma once

#include "model/DocumentUi.h"
#include "platform/framework/CmdTarget.h"

class CVaultlineApp;
class CVaultlineDoc;

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

// The document as a command target of the frame's routing: its command table
// is the document's own.
class CDocTarget : public CCmdTarget
{
public:
    explicit CDocTarget(CVaultlineDoc& doc) : m_Doc(doc) {}

    bool OnCommand(unsigned nId) override;
    bool HasCommand(unsigned nId) const override;

private:
    CVaultlineDoc& m_Doc;
};
