#include "app/Recovery.h"

#include "model/VaultlineDoc.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString NotePath()
{
    return QDir(CRecovery::Folder()).filePath(QStringLiteral("recovery.title"));
}

} // namespace

QString CRecovery::Folder()
{
    QString strState = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG base directories that are relative paths are to be ignored.
    if (strState.isEmpty() || QDir::isRelativePath(strState))
        strState = QDir::homePath() + QStringLiteral("/.local/state");
    return strState + QStringLiteral("/vaultline");
}

QString CRecovery::FilePath()
{
    return QDir(Folder()).filePath(QStringLiteral("recovery.xMem"));
}

bool CRecovery::Exists()
{
    return QFile::exists(FilePath());
}

QString CRecovery::KeptTitle()
{
    QFile file(NotePath());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(4096)).trimmed();
}

bool CRecovery::Keep(CVaultlineDoc& doc, QString& strError)
{
    if (!QDir().mkpath(Folder())) {
        strError = QStringLiteral("cannot create %1").arg(Folder());
        return false;
    }
    QSaveFile note(NotePath());
    if (note.open(QIODevice::WriteOnly))
        note.write(doc.GetTitle().toUtf8());
    note.commit();
    if (!doc.GetData().Save(FilePath())) {
        strError = doc.GetData().GetLastError();
        return false;
    }
    return true;
}

bool CRecovery::Restore(CVaultlineDoc& doc, QString& strError)
{
    CXmlDocData kept;
    kept.Reset();
    if (!kept.Load(FilePath())) {
        strError = kept.GetLastError();
        return false;
    }
    const QString strTitle = KeptTitle();
    doc.OnNewDocument();
    CStoreMemContainer& target = doc.GetData().GetContainer();
    for (int i = 0; i < target.GetCount(); ++i)
        *target.GetAt(i) = *kept.GetContainer().GetAt(i);
    if (!strTitle.isEmpty())
        doc.SetTitle(strTitle);
    doc.SetModifiedFlag(true);
    Discard();
    return true;
}

void CRecovery::Discard()
{
    QFile::remove(FilePath());
    QFile::remove(NotePath());
}
