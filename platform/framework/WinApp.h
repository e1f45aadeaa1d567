#pragma once

#include "platform/framework/CmdTarget.h"

#include <QString>

class CFrameWnd;
class CView;
class QObject;
class QWidget;

// The application object: the last command target of the routing, the owner
// of the main window, and the title every message box carries. There is one;
// AfxGetApp() finds it.
class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    CFrameWnd* GetMainWnd() const { return m_pMainWnd; }
    void SetMainWnd(CFrameWnd* pMainWnd) { m_pMainWnd = pMainWnd; }

    // Caption of message boxes. Until the application sets its display title
    // this is the program file's base name.
    QString GetAppName() const;
    void SetAppName(const QString& strName) { m_strAppName = strName; }

private:
    CFrameWnd* m_pMainWnd = nullptr;
    QString m_strAppName;
};

CWinApp* AfxGetApp();

// What a message tells the user, which its icon shows: a result as expected
// (a completed transfer) or something that failed or was refused.
enum class EMessageKind
{
    Information,
    Warning
};

// A message box with an OK button only, the application's title as caption
// and the main window (or the active modal window) as owner.
void AfxMessageBox(const QString& strText, EMessageKind eKind = EMessageKind::Warning);

// Runs fn after the current event handler has returned, in order with other
// posted work; dropped when pContext is destroyed first. This is how the
// program posts a message to a window.
void AfxPostCall(QObject* pContext, std::function<void()> fn);
