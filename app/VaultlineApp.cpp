#include "app/VaultlineApp.h"

#include "app/DesktopDocumentUi.h"
#include "app/DocTarget.h"
#include "app/MainFrame.h"
#include "app/Recovery.h"
#include "dialogs/AboutBox.h"
#include "dialogs/DlgTransfer.h"
#include "model/VaultlineDoc.h"
#include "platform/help/HtmlHelp.h"
#include "platform/version/FileVersion.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/GuiResources.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <csignal>
#include <cstdio>

namespace {

// The window class of the main window as other programs see it (the class
// part of WM_CLASS).
const char* const s_pszWindowClass = "CueBench";

// Where the framework of the original kept its recent-file list.
QString RecentFileSection()
{
    return QStringLiteral("Software\\Local AppWizard-Generated Applications\\%1\\Recent File List")
        .arg(QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
}

constexpr int RECENT_FILE_COUNT = 4;

const char* SignalName(int nSignal)
{
    switch (nSignal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

} // namespace

CVaultlineApp::CVaultlineApp() : m_dwHelpCookie(0), m_RecentFiles(RecentFileSection(), RECENT_FILE_COUNT)
{
    // m_Options has read the settings by now; help comes next and lives as
    // long as the application.
    m_dwHelpCookie = HtmlHelpInitialize();

    AddCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    AddCommand(ID_HELP_INDEX, [this] { ShowHelp(3); });
    AddCommand(ID_HELP, [this] { ShowHelp(3); });
    AddCommand(ID_APP_EXIT, [this] {
        if (m_pMainFrame)
            m_pMainFrame->close();
    });
    // The framework's own New and Open: reached only while no view is
    // active, since the document sees these commands first.
    AddCommand(ID_FILE_NEW, [this] {
        if (m_pDoc)
            m_pDoc->OnFileNew();
    });
    AddCommand(ID_FILE_OPEN, [this] {
        if (m_pDoc)
            m_pDoc->OnFileOpen();
    });
    m_EndTimer.setInterval(50);
    QObject::connect(&m_EndTimer, &QTimer::timeout, [this] { ContinueEnding(); });
}

CVaultlineApp::~CVaultlineApp()
{
    ExitInstance();
    HtmlHelpUninitialize(m_dwHelpCookie);
    // m_Options writes the settings back as it is destroyed, after this.
}

bool CVaultlineApp::InitInstance(const QStringList& args)
{
    SetDialogImageProvider(&LoadResBitmap);
    m_RecentFiles.ReadList();
    m_bRecentFilesRead = true;

    m_pDocUi = std::make_unique<CDesktopDocumentUi>(*this);
    m_pDoc = std::make_unique<CVaultlineDoc>(*m_pDocUi);
    m_pDocTarget = std::make_unique<CDocTarget>(*m_pDoc);

    // The X11 window class is taken from the application name when the first
    // window is created.
    QCoreApplication::setApplicationName(QString::fromLatin1(s_pszWindowClass));
    m_pMainFrame = std::make_unique<CMainFrame>(*m_pDoc);
    SetMainWnd(m_pMainFrame.get());
    if (!m_pMainFrame->Create(m_pDocTarget.get())) {
        ExitInstance();
        return false;
    }

    // The document's first state: new, or the file of the command line.
    const bool bOk = args.isEmpty() ? m_pDoc->OnNewDocument() : m_pDoc->OnOpenDocument(args.constFirst());
    if (!bOk) {
        ExitInstance();
        return false;
    }

    m_pMainFrame->show();
    m_pMainFrame->InitialUpdateFrame();
    m_pMainFrame->update();

    // From here on every message box carries the program's display title.
    SetAppName(LoadResString(IDS_APP_TITLE));
    OfferRecovery();
    return true;
}

void CVaultlineApp::OfferRecovery()
{
    if (!CRecovery::Exists() || !m_pDoc)
        return;
    QMessageBox box(QMessageBox::Question, GetAppName(),
                    LoadResString(IDS_RECOVERY_OFFER).arg(CRecovery::KeptTitle(), CRecovery::FilePath()),
                    QMessageBox::Yes | QMessageBox::No, GetMessageBoxOwner());
    box.setDefaultButton(QMessageBox::Yes);
    const int nAnswer = box.exec();
    // A signal that closed the question answered nothing: the file waits.
    if (IsEndingBySignal())
        return;
    if (nAnswer != QMessageBox::Yes) {
        CRecovery::Discard();
        return;
    }
    QString strError;
    if (!CRecovery::Restore(*m_pDoc, strError)) {
        AfxMessageBox(LoadResString(IDS_RECOVERY_UNREADABLE).arg(CRecovery::FilePath(), strError));
        return;
    }
    if (CView* pView = GetRightPane())
        pView->SendInitialUpdate();
}

void CVaultlineApp::EndBySignal(int nSignal)
{
    if (IsEndingBySignal())
        return;
    m_nEndSignal = nSignal;
    m_EndTimer.start();
}

void CVaultlineApp::ContinueEnding()
{
    // Innermost window first: a message box over the transfer dialog goes
    // before the dialog. Closing is what Escape or the close box does; a
    // running transfer takes it as Cancel and stays until its memory is done,
    // so this step comes again until no dialog is left.
    if (QWidget* pPopup = QApplication::activePopupWidget()) {
        pPopup->close();
        return;
    }
    if (QWidget* pModal = QApplication::activeModalWidget()) {
        pModal->close();
        return;
    }
    m_EndTimer.stop();
    if (m_pDoc && m_pDoc->IsModified()) {
        QString strError;
        if (CRecovery::Keep(*m_pDoc, strError)) {
            std::fprintf(
                stderr, "%s\n",
                qPrintable(LoadResString(IDS_RECOVERY_KEPT)
                               .arg(QString::fromLatin1(SignalName(m_nEndSignal)), CRecovery::FilePath())));
        } else {
            std::fprintf(stderr, "%s\n",
                         qPrintable(LoadResString(IDS_RECOVERY_NOT_KEPT)
                                        .arg(QString::fromLatin1(SignalName(m_nEndSignal)),
                                             CRecovery::FilePath(), strError)));
        }
        // Kept (or, failing that, reported): nobody is left to answer the prompt.
        m_pDoc->SetModifiedFlag(false);
    }
    if (m_pMainFrame)
        m_pMainFrame->close();
    QCoreApplication::quit();
}

int CVaultlineApp::ExitInstance()
{
    // Views first (they hold the document), then the document; the settings
    // stay until the destructor.
    SetMainWnd(nullptr);
    m_pMainFrame.reset();
    m_pDocTarget.reset();
    m_pDoc.reset();
    m_pDocUi.reset();
    // A run that never read the list (ended before start-up) leaves it alone.
    if (m_bRecentFilesRead)
        m_RecentFiles.WriteList();
    m_bRecentFilesRead = false;
    return 0;
}

CView* CVaultlineApp::GetLeftPane() const
{
    return m_pMainFrame ? m_pMainFrame->GetSplitter().GetPane(0, 0) : nullptr;
}

CView* CVaultlineApp::GetRightPane() const
{
    return m_pMainFrame ? m_pMainFrame->GetSplitter().GetPane(0, 1) : nullptr;
}

QWidget* CVaultlineApp::GetMessageBoxOwner() const
{
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    return m_pMainFrame && m_pMainFrame->isVisible() ? m_pMainFrame.get() : nullptr;
}

void CVaultlineApp::ShowHelp(unsigned nContext)
{
    const QString strDir = QFileInfo(GetModuleFileNameW()).absolutePath();
    HtmlHelpContext(FindHelpFile(strDir), nContext);
}

void CVaultlineApp::OnAppAbout()
{
    CAboutBox dlg(GetMessageBoxOwner());
    dlg.DoModal();
}

void CVaultlineApp::AddToRecentFileList(const QString& strPath)
{
    m_RecentFiles.Add(strPath);
}

void CVaultlineApp::RunTransferDialog(int nMode)
{
    if (!m_pDoc)
        return;
    CDlgTransfer dlg(nMode, m_Options, *m_pDoc, GetMessageBoxOwner());
    dlg.DoModal();
}
