#include "model/VaultlineDoc.h"

#include "platform/visa/ResourceManagerFactory.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFileInfo>
#include <exception>

namespace {

// Keeps the wait cursor up for one scope, whatever leaves it.
class CWaitCursor
{
public:
    explicit CWaitCursor(IDocumentUi& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~CWaitCursor() { m_ui.EndWaitCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    IDocumentUi& m_ui;
};

QString FullPath(const QString& strPath)
{
    return QFileInfo(strPath).absoluteFilePath();
}

// Record-by-record copy that keeps the destination's record objects (and so
// every pointer a caller obtained from GetAt) alive.
void CopyRecords(const CXmlDocData& from, CXmlDocData& to)
{
    const CStoreMemContainer& src = from.GetContainer();
    CStoreMemContainer& dst = to.GetContainer();
    for (int i = 0; i < src.GetCount() && i < dst.GetCount(); ++i)
        *dst.GetAt(i) = *src.GetAt(i);
}

} // namespace

CVaultlineDoc::CVaultlineDoc(IDocumentUi& ui, ResourceManagerFactory fnCreateResourceManager) : m_ui(ui)
{
    // Without VISA the program still opens, shows and saves memory files; the
    // transfer dialog reports the missing resource manager when it is used.
    try {
        m_pResourceManager = fnCreateResourceManager ? fnCreateResourceManager() : CreateResourceManager();
    } catch (const _com_error&) {
        m_pResourceManager.reset();
    } catch (const std::exception&) {
        m_pResourceManager.reset();
    }
    m_Data.Reset();
}

CVaultlineDoc::~CVaultlineDoc() = default;

void CVaultlineDoc::SetTitle(const QString& strTitle)
{
    if (strTitle == m_strTitle)
        return;
    m_strTitle = strTitle;
    m_ui.OnDocumentTitleChanged();
}

void CVaultlineDoc::SetPathName(const QString& strPath, bool bAddToMru)
{
    m_strPathName = FullPath(strPath);
    SetTitle(QFileInfo(m_strPathName).fileName());
    if (bAddToMru)
        m_ui.AddToRecentFileList(m_strPathName);
}

bool CVaultlineDoc::IsModified()
{
    return m_bModified;
}

void CVaultlineDoc::SetModifiedFlag(bool bModified)
{
    if (bModified == m_bModified)
        return;
    m_bModified = bModified;
    m_ui.OnDocumentTitleChanged();
}

bool CVaultlineDoc::CopyToBuffer(int nIndex)
{
    const STOREMEM* pMem = GetAt(nIndex);
    if (!pMem)
        return false;
    if (!m_pCopyBuffer)
        m_pCopyBuffer = std::make_unique<STOREMEM>();
    *m_pCopyBuffer = *pMem;
    return true;
}

bool CVaultlineDoc::PasteFromBuffer(int nIndex)
{
    STOREMEM* pMem = GetAt(nIndex);
    if (!pMem || !m_pCopyBuffer)
        return false;
    *pMem = *m_pCopyBuffer;
    SetModifiedFlag(true);
    return true;
}

QStringList CVaultlineDoc::FindInstruments()
{
    if (!m_pResourceManager)
        return QStringList();
    CWaitCursor wait(m_ui);
    try {
        return m_pResourceManager->FindRsrc(QStringLiteral("?*::INSTR"));
    } catch (...) {
        return QStringList();
    }
}

bool CVaultlineDoc::SerializeWithReport(bool bSave, const QString& strPath)
{
    bool bOk = false;
    QString strDetail;
    {
        CWaitCursor wait(m_ui);
        try {
            if (bSave) {
                bOk = m_Data.Serialize(true, strPath);
                strDetail = m_Data.GetLastError();
            } else {
                // A file can fail half-way through; read it into a copy so that a
                // failed Open leaves every record as it was, not half replaced.
                CXmlDocData scratch;
                scratch.Reset();
                CopyRecords(m_Data, scratch);
                bOk = scratch.Serialize(false, strPath);
                strDetail = scratch.GetLastError();
                if (bOk)
                    CopyRecords(scratch, m_Data);
            }
        } catch (const _com_error& e) {
            bOk = false;
            strDetail = e.ErrorMessage();
        } catch (const std::exception& e) {
            bOk = false;
            strDetail = QString::fromLocal8Bit(e.what());
        }
    }
    if (!bOk) {
        // The system's own words first; the reason, when known, below them.
        QString strText = FormatResString(bSave ? IDS_FILE_NOT_WRITTEN : IDS_FILE_NOT_READ, strPath);
        if (!strDetail.isEmpty())
            strText += QStringLiteral("\n\n") + strDetail;
        m_ui.MessageBox(strText);
    }
    return bOk;
}

void CVaultlineDoc::BindToFile(const QString& strPath)
{
    SetModifiedFlag(false);
    m_bNewDocument = false;
    SetPathName(strPath);
}

bool CVaultlineDoc::OnNewDocument()
{
    m_Data.Reset();
    SetTitle(LoadResString(AFX_IDS_UNTITLED));
    SetModifiedFlag(false);
    // The path of an earlier file stays stored; m_bNewDocument alone decides
    // that the next Save asks for a name.
    m_bNewDocument = true;
    m_ui.InitialUpdateRightPane();
    return true;
}

bool CVaultlineDoc::OnOpenDocument(const QString& strPath)
{
    const QString strFull = FullPath(strPath);
    if (!SerializeWithReport(false, strFull))
        return false;
    BindToFile(strFull);
    m_ui.InitialUpdateRightPane();
    return true;
}

bool CVaultlineDoc::OnSaveDocument(const QString& strPath)
{
    // The form has already beeped and selected the bad field.
    if (!m_ui.ValidateRightPane())
        return false;
    const QString strFull = FullPath(strPath);
    if (!SerializeWithReport(true, strFull))
        return false;
    BindToFile(strFull);
    return true;
}

IDocumentUi::EAnswer CVaultlineDoc::AskSaveChanges()
{
    if (!IsModified())
        return IDocumentUi::No;
    return m_ui.AskSaveChanges(FormatResString(AFX_IDP_ASK_TO_SAVE, m_strTitle), AFX_IDP_ASK_TO_SAVE);
}

bool CVaultlineDoc::PromptAndSaveIfModified()
{
    switch (AskSaveChanges()) {
    case IDocumentUi::Yes:
        // Still modified means the save was refused or cancelled.
        OnFileSave();
        return !IsModified();
    case IDocumentUi::No:
        return true;
    case IDocumentUi::Cancel:
        break;
    }
    return false;
}

bool CVaultlineDoc::SaveModified()
{
    // Puts the focus on an out-of-range field before the question; whether the
    // form is valid is decided again if the answer is Yes.
    m_ui.ValidateRightPane();
    return PromptAndSaveIfModified();
}

void CVaultlineDoc::OnFileNew()
{
    if (!PromptAndSaveIfModified())
        return;
    OnNewDocument();
}

void CVaultlineDoc::OnFileOpen()
{
    if (!PromptAndSaveIfModified())
        return;
    const QString strPath = m_ui.RunFileDialog(OpenDialog());
    if (strPath.isEmpty())
        return;
    OnOpenDocument(strPath);
}

void CVaultlineDoc::OnFileSave()
{
    if (!m_ui.ValidateRightPane())
        return;
    if (m_bNewDocument || m_strPathName.isEmpty())
        OnFileSaveAs();
    else
        OnSaveDocument(m_strPathName);
}

void CVaultlineDoc::OnFileSaveAs()
{
    const QString strPath = m_ui.RunFileDialog(SaveDialog());
    if (strPath.isEmpty())
        return;
    OnSaveDocument(strPath);
}

void CVaultlineDoc::OnTransferUpload()
{
    m_ui.RunTransferDialog(UPLOAD);
}

void CVaultlineDoc::OnTransferDownload()
{
    m_ui.RunTransferDialog(DOWNLOAD);
}

void CVaultlineDoc::OnTransferVerify()
{
    m_ui.RunTransferDialog(VERIFY);
}

namespace {

// The document's commands: routing and the question whether the document has
// a command both read this one table.
struct DOCCOMMAND
{
    unsigned nId;
    void (CVaultlineDoc::*pfnHandler)();
};

constexpr DOCCOMMAND s_commands[] = {
    {ID_FILE_NEW, &CVaultlineDoc::OnFileNew},
    {ID_FILE_OPEN, &CVaultlineDoc::OnFileOpen},
    {ID_FILE_SAVE, &CVaultlineDoc::OnFileSave},
    {ID_FILE_SAVE_AS, &CVaultlineDoc::OnFileSaveAs},
    {ID_TRANSFER_UPLOAD, &CVaultlineDoc::OnTransferUpload},
    {ID_TRANSFER_DOWNLOAD, &CVaultlineDoc::OnTransferDownload},
    {ID_TRANSFER_VERIFY, &CVaultlineDoc::OnTransferVerify},
};

const DOCCOMMAND* FindCommand(unsigned nId)
{
    for (const DOCCOMMAND& command : s_commands) {
        if (command.nId == nId)
            return &command;
    }
    return nullptr;
}

} // namespace

bool CVaultlineDoc::HasCommand(unsigned nId)
{
    return FindCommand(nId) != nullptr;
}

bool CVaultlineDoc::OnCommand(unsigned nId)
{
    const DOCCOMMAND* pCommand = FindCommand(nId);
    if (!pCommand)
        return false;
    (this->*pCommand->pfnHandler)();
    return true;
}

namespace {

FILEDIALOG MemoryFileDialog(FILEDIALOG::EKind eKind)
{
    FILEDIALOG dlg;
    dlg.eKind = eKind;
    dlg.strFilterName = QStringLiteral("Vaultline File (*.xMem)");
    dlg.strFilterPattern = QStringLiteral("*.xMem");
    dlg.strDefaultExt = QStringLiteral("xMem");
    dlg.strInitialName = QStringLiteral("*.xMem");
    dlg.bHideReadOnly = true;
    return dlg;
}

} // namespace

FILEDIALOG CVaultlineDoc::OpenDialog()
{
    FILEDIALOG dlg = MemoryFileDialog(FILEDIALOG::Open);
    dlg.bFileMustExist = true;
    return dlg;
}

FILEDIALOG CVaultlineDoc::SaveDialog()
{
    FILEDIALOG dlg = MemoryFileDialog(FILEDIALOG::Save);
    dlg.bPathMustExist = true;
    dlg.bOverwritePrompt = true;
    return dlg;
}
