#pragma once

#include "model/DocumentUi.h"
#include "model/VaultlineDoc.h"
#include "platform/framework/WinApp.h"

#include <QApplication>

// The widgets need a QApplication; one lives for the whole test program.
QApplication& TestApplication();

// The user interface of the document in tests: every prompt answered No,
// nothing shown.
class CSilentDocumentUi : public IDocumentUi
{
public:
    void MessageBox(const QString& strText) override { m_strLastMessage = strText; }
    EAnswer AskSaveChanges(const QString&, unsigned) override { return No; }
    QString RunFileDialog(const FILEDIALOG&) override { return QString(); }
    void BeginWaitCursor() override {}
    void EndWaitCursor() override {}
    bool ValidateRightPane() override { return true; }
    void InitialUpdateRightPane() override {}
    void AddToRecentFileList(const QString&) override {}
    void OnDocumentTitleChanged() override {}
    void RunTransferDialog(int) override {}

    QString m_strLastMessage;
};

// An application object with a document and no main window.
class CTestApp : public CWinApp
{
public:
    CTestApp();
    ~CTestApp() override;

    CVaultlineDoc& Doc() { return m_Doc; }

private:
    CSilentDocumentUi m_Ui;
    CVaultlineDoc m_Doc;
};
