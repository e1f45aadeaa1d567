#include "platform/help/HtmlHelp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

std::function<bool(const QUrl&)>& Viewer()
{
    static std::function<bool(const QUrl&)> s_fnOpen;
    return s_fnOpen;
}

std::uint32_t s_dwNextCookie = 1;

} // namespace

std::uint32_t HtmlHelpInitialize()
{
    // Nothing to load up front: the viewer is the desktop's, found when the
    // guide is first opened.
    return s_dwNextCookie++;
}

void HtmlHelpUninitialize(std::uint32_t) {}

QString FindHelpFile(const QString& strProgramDir)
{
    const QDir dir(strProgramDir);
    const QString candidates[] = {
        dir.filePath(QStringLiteral("guide/index.html")),
        dir.filePath(QStringLiteral("../share/doc/vaultline/guide/index.html")),
    };
    for (const QString& strPath : candidates) {
        const QFileInfo info(strPath);
        if (info.isFile() && info.isReadable())
            return info.canonicalFilePath();
    }
    return QString();
}

bool HtmlHelpContext(const QString& strHelpFile, unsigned nContext)
{
    if (strHelpFile.isEmpty() || !QFileInfo(strHelpFile).isFile())
        return false;
    QUrl url = QUrl::fromLocalFile(strHelpFile);
    url.setFragment(QStringLiteral("context-%1").arg(nContext));
    if (Viewer())
        return Viewer()(url);
    return QDesktopServices::openUrl(url);
}

void SetHelpViewer(std::function<bool(const QUrl&)> fnOpen)
{
    Viewer() = std::move(fnOpen);
}
