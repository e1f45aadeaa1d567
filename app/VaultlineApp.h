#pragma once

#include "app/RecentFileList.h"
#include "platform/framework/WinApp.h"
#include "settings/AppOptions.h"

#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <memory>

class CDocTarget;
class CDesktopDocumentUi;
class CMainFrame;
class CVaultlineDoc;
class QWidget;

// The application: settings read at construction and written at destruction
// (after the last window), help for the run, the one document and the main
// window, and the commands that belong to neither (About, Help, Exit).
class CVaultlineApp : public CWinApp
{
public:
    CVaultlineApp();
    ~CVaultlineApp() override;

    // Start-up with the program's arguments (without the program name):
    // none opens a new document, one names a memory file to open. False when
    // the program must end (the file could not be opened, the window could not
    // be built); the document has shown its message then.
    bool InitInstance(const QStringList& args);
    // Closes the main window and the document; runs before the destructor.
    int ExitInstance();

    CVaultlineDoc* GetDocument() const { return m_pDoc.get(); }
    CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
    // The panes of the main window's splitter; null where there is none.
    CView* GetLeftPane() const;
    CView* GetRightPane() const;
    // The owner of message boxes: the main window once it shows.
    QWidget* GetMessageBoxOwner() const;

    void ShowHelp(unsigned nContext);
    void OnAppAbout();
    void AddToRecentFileList(const QString& strPath);
    const CRecentFileList& GetRecentFileList() const { return m_RecentFiles; }

    // The transfer dialog in nMode (upload, download, verify) on the
    // document and the settings, modal over the main window.
    void RunTransferDialog(int nMode);

    // Ends the program as File > Exit does, for a signal (SIGTERM, SIGINT,
    // SIGHUP) that leaves nobody to answer a question: open dialogs close
    // first (a running transfer stops after the memory in progress), and a
    // modified document goes to the recovery file instead of the save prompt.
    void EndBySignal(int nSignal);
    bool IsEndingBySignal() const { return m_nEndSignal != 0; }

    std::uint32_t m_dwHelpCookie;
    CAppOptions m_Options;

private:
    CRecentFileList m_RecentFiles;
    bool m_bRecentFilesRead = false;
    std::unique_ptr<CDesktopDocumentUi> m_pDocUi;
    std::unique_ptr<CVaultlineDoc> m_pDoc;
    std::unique_ptr<CDocTarget> m_pDocTarget;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    int m_nEndSignal = 0;
    QTimer m_EndTimer; // the steps of an end by signal, between events

    void ContinueEnding();
    void OfferRecovery();
};
