#pragma once

#include "tests/gui/framework/GuiApp.h"

#include "model/DocumentUi.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"

#include <memory>

// The user interface of the document in tests: every prompt answered No,
// nothing shown.
class CSilentDocumentUi : public IDocumentUi
{
public:
    void MessageBox(const QString&) override {}
    EAnswer AskSaveChanges(const QString&, unsigned) override { return No; }
    QString RunFileDialog(const FILEDIALOG&) override { return QString(); }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    bool ValidateRightPane() override { return true; }
    void InitialUpdateRightPane() override {}
    void AddToRecentFileList(const QString&) override {}
    void OnDocumentTitleChanged() override {}
    void RunTransferDialog(int) override {}
};

// An application object with a document and no main window.
class CTestApp : public CWinApp
{
public:
    CTestApp() : m_Doc(m_Ui, [] { return std::shared_ptr<IResourceManager>(); }) { EnsureGuiApp(); }

    CVaultlineDoc& Doc() { return m_Doc; }

private:
    CSilentDocumentUi m_Ui;
    CVaultlineDoc m_Doc;
};
