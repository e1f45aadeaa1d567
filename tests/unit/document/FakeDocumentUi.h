#pragma once

#include "model/DocumentUi.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <deque>
#include <vector>

// The user as a script: answers to the save prompt and paths for the file
// dialogs are queued beforehand, and everything the document shows is kept.
// A prompt or dialog without a queued answer fails the test.
class CFakeDocumentUi : public IDocumentUi
{
public:
    ~CFakeDocumentUi() override { EXPECT_EQ(m_nWaitDepth, 0) << "wait cursor left on"; }

    void MessageBox(const QString& strText) override
    {
        EXPECT_EQ(m_nWaitDepth, 0) << "message box under the wait cursor";
        m_messages.append(strText);
    }

    EAnswer AskSaveChanges(const QString& strPrompt, unsigned nHelpContext) override
    {
        m_prompts.append(strPrompt);
        m_nPromptHelp = nHelpContext;
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected save prompt: " << strPrompt.toStdString();
            return Cancel;
        }
        const EAnswer e = m_answers.front();
        m_answers.pop_front();
        return e;
    }

    QString RunFileDialog(const FILEDIALOG& dlg) override
    {
        m_dialogs.push_back(dlg);
        if (m_paths.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return QString();
        }
        const QString str = m_paths.front();
        m_paths.pop_front();
        return str;
    }

    void BeginWaitCursor() override { ++m_nWaitDepth; }
    void EndWaitCursor() override { --m_nWaitDepth; }

    bool ValidateRightPane() override
    {
        ++m_nValidations;
        return m_bFormValid;
    }
    void InitialUpdateRightPane() override { ++m_nInitialUpdates; }
    void AddToRecentFileList(const QString& strPath) override { m_recent.append(strPath); }
    void OnDocumentTitleChanged() override {}
    void RunTransferDialog(int nMode) override { m_transfers.push_back(nMode); }

    // Script
    std::deque<EAnswer> m_answers;
    std::deque<QString> m_paths; // an empty path cancels the dialog
    bool m_bFormValid = true;

    // Record
    QStringList m_messages;
    QStringList m_prompts;
    unsigned m_nPromptHelp = 0;
    std::vector<FILEDIALOG> m_dialogs;
    int m_nWaitDepth = 0;
    int m_nValidations = 0;
    int m_nInitialUpdates = 0;
    QStringList m_recent;
    std::vector<int> m_transfers;
};
