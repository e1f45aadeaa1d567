#include "platform/framework/WinApp.h"

#include "platform/framework/FrameWnd.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>

namespace {
CWinApp* s_pApp = nullptr;
}

CWinApp::CWinApp()
{
    s_pApp = this;
}

CWinApp::~CWinApp()
{
    if (s_pApp == this)
        s_pApp = nullptr;
}

QString CWinApp::GetAppName() const
{
    if (!m_strAppName.isEmpty())
        return m_strAppName;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

CWinApp* AfxGetApp()
{
    return s_pApp;
}

void AfxMessageBox(const QString& strText, EMessageKind eKind)
{
    QWidget* pOwner = QApplication::activeModalWidget();
    if (!pOwner && s_pApp && s_pApp->GetMainWnd() && s_pApp->GetMainWnd()->isVisible())
        pOwner = s_pApp->GetMainWnd();
    const QString strTitle = s_pApp ? s_pApp->GetAppName() : QCoreApplication::applicationName();
    const QMessageBox::Icon eIcon =
        eKind == EMessageKind::Information ? QMessageBox::Information : QMessageBox::Warning;
    QMessageBox box(eIcon, strTitle, strText, QMessageBox::Ok, pOwner);
    box.exec();
}

void AfxPostCall(QObject* pContext, std::function<void()> fn)
{
    QMetaObject::invokeMethod(pContext, std::move(fn), Qt::QueuedConnection);
}
