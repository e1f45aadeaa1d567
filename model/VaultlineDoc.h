#pragma once

#include "model/DocumentUi.h"
#include "model/XmlDocData.h"
#include "platform/visa/Visa.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The one document of the program: the 100 store memories being edited, the
// VISA resource manager through which instruments are reached, and the
// one-record copy buffer of Copy and Paste As Overwrite. It carries the File
// commands itself (its own dialogs and save prompt) and hands Upload and
// Download to the transfer dialog. The same object lives from start-up to the
// end: New and Open reuse it, so the copy buffer survives them.
class CVaultlineDoc
{
public:
    // Creates the resource manager; null when none is available.
    using ResourceManagerFactory = std::function<std::shared_ptr<IResourceManager>()>;

    static constexpr int UPLOAD = 1;   // transfer dialog mode: PC to instrument
    static constexpr int DOWNLOAD = 2; // transfer dialog mode: instrument to PC
    static constexpr int VERIFY = 3;   // transfer dialog mode: instrument compared with the document

    // ui must outlive the document. Without a factory the resource manager
    // comes from the system's VISA providers (CreateResourceManager); a factory
    // that throws leaves the document without one, silently.
    explicit CVaultlineDoc(IDocumentUi& ui, ResourceManagerFactory fnCreateResourceManager = {});
    virtual ~CVaultlineDoc();

    CVaultlineDoc(const CVaultlineDoc&) = delete;
    CVaultlineDoc& operator=(const CVaultlineDoc&) = delete;

    // Title, path and modified flag, as the framework's document keeps them.
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& strTitle);
    const QString& GetPathName() const { return m_strPathName; }
    // Stores the absolute path, makes the file's name the title and, when
    // bAddToMru, adds the path to the recent-file list.
    void SetPathName(const QString& strPath, bool bAddToMru = true);
    virtual bool IsModified();
    virtual void SetModifiedFlag(bool bModified = true);
    bool IsNewDocument() const { return m_bNewDocument; }
    // Shows the records again in the memory form, after something other than
    // the form (a transfer) changed them.
    void UpdateForm() { m_ui.InitialUpdateRightPane(); }

    // The store memories; records are addressed by index 0 to 99.
    CXmlDocData& GetData() { return m_Data; }
    const CXmlDocData& GetData() const { return m_Data; }
    STOREMEM* GetAt(int nIndex) { return m_Data.GetContainer().GetAt(nIndex); }

    // Null when no VISA resource manager could be created.
    const std::shared_ptr<IResourceManager>& GetResourceManager() const { return m_pResourceManager; }
    // The instruments the resource manager finds ("?*::INSTR"), searched for
    // under the wait cursor. A missing resource manager or a failed search
    // both give an empty list: the operator sees no instrument, which is what
    // there is to see.
    QStringList FindInstruments();

    // The copy buffer. CopyToBuffer copies record nIndex into the buffer
    // (creating it on the first Copy) and leaves the modified flag alone.
    // PasteFromBuffer writes the buffer over record nIndex and marks the
    // document modified. Both return false and change nothing for an index
    // without a record; Paste also before the first Copy.
    bool CopyToBuffer(int nIndex);
    bool PasteFromBuffer(int nIndex);
    bool HasCopyBuffer() const { return m_pCopyBuffer != nullptr; }

    // The framework's document steps. Start-up runs OnNewDocument (no file on
    // the command line) or OnOpenDocument (a file); false means failure.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& strPath);
    virtual bool OnSaveDocument(const QString& strPath);
    // Asked before the main window closes: true lets it close.
    virtual bool SaveModified();

    // The document's commands.
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();
    void OnFileSaveAs();
    void OnTransferUpload();
    void OnTransferDownload();
    void OnTransferVerify();

    // Runs the handler of a command identifier (resources/Resource.h); false
    // when the document has none for it. HasCommand answers the same question
    // without running anything; the document's commands are always enabled.
    bool OnCommand(unsigned nId);
    static bool HasCommand(unsigned nId);

    // The two file dialogs of the document, as they are shown.
    static FILEDIALOG OpenDialog();
    static FILEDIALOG SaveDialog();

private:
    // Load or save with the wait cursor; a failure is reported with message
    // IDS_FILE_NOT_READ or IDS_FILE_NOT_WRITTEN naming the path, and the reason when one is known.
    bool SerializeWithReport(bool bSave, const QString& strPath);
    // The save prompt: shown only when modified; not modified counts as No.
    IDocumentUi::EAnswer AskSaveChanges();
    // Prompt, and save on Yes; true when the caller may go on discarding the
    // current contents.
    bool PromptAndSaveIfModified();
    // Title, path, flags and recent files after a successful load or save.
    void BindToFile(const QString& strPath);

    IDocumentUi& m_ui;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;

    std::shared_ptr<IResourceManager> m_pResourceManager;
    CXmlDocData m_Data;
    std::unique_ptr<STOREMEM> m_pCopyBuffer; // created by the first Copy
    bool m_bNewDocument = true;
};
