#pragma once

#include <QString>

// What the memory document asks of a file dialog. The document fills it in;
// the user interface shows the dialog as described and returns the chosen path.
struct FILEDIALOG
{
    enum EKind
    {
        Open,
        Save
    };

    EKind eKind = Open;
    QString strFilterName;    // "Vaultline File (*.xMem)": the one entry of the file-type list
    QString strFilterPattern; // "*.xMem"
    QString strDefaultExt;    // "xMem": appended by the dialog when the typed name has no extension
    QString strInitialName;   // the text the file-name field starts with ("*.xMem")
    bool bFileMustExist = false;
    bool bPathMustExist = false;
    bool bOverwritePrompt = false;
    bool bHideReadOnly = false;
};

// Everything the memory document needs of the user interface. The desktop
// program implements it over its main window; tests replace it with a script.
// The document itself links no widgets, so every prompt, dialog and cursor goes
// through here.
class IDocumentUi
{
public:
    enum EAnswer
    {
        Yes,
        No,
        Cancel
    };

    virtual ~IDocumentUi() = default;

    // A message box with the application's title and an OK button only.
    virtual void MessageBox(const QString& strText) = 0;

    // The Yes/No/Cancel question whether to save the changes; strPrompt already
    // names the document's title. nHelpContext is the prompt's help context.
    virtual EAnswer AskSaveChanges(const QString& strPrompt, unsigned nHelpContext) = 0;

    // Shows an Open or Save dialog owned by the main window; the chosen full
    // path, or an empty text when the user cancelled.
    virtual QString RunFileDialog(const FILEDIALOG& dlg) = 0;

    // The wait cursor. Calls nest: the cursor returns to normal at the last End.
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;

    // The right-hand form of the main window. ValidateRightPane runs its
    // ValidateAll (an out-of-range field beeps and takes the focus) and is true
    // when every field is in range or when there is no main window or form yet.
    // InitialUpdateRightPane rebuilds the form from the document; it does
    // nothing while the main window does not exist (the document at start-up).
    virtual bool ValidateRightPane() = 0;
    virtual void InitialUpdateRightPane() = 0;

    // Adds a successfully opened or saved file to the recent-file list.
    virtual void AddToRecentFileList(const QString& strPath) = 0;

    // The document's title or modified flag changed: the frame renews its caption.
    virtual void OnDocumentTitleChanged() = 0;

    // Runs the transfer dialog modally: nMode 1 uploads (PC to instrument),
    // 2 downloads (instrument to PC).
    virtual void RunTransferDialog(int nMode) = 0;
};
