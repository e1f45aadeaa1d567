#include "cli/StandardStreams.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFile>
#include <QSaveFile>
#include <cstdio>

bool IsStandardStream(const QString& strPath)
{
    return strPath == QLatin1String("-");
}

bool ReadInputBytes(const QString& strPath, qint64 nMaxSize, QByteArray& bytes, QString& strError)
{
    QFile file;
    const bool bOpen = IsStandardStream(strPath)
                           ? file.open(stdin, QIODevice::ReadOnly)
                           : (file.setFileName(strPath), file.open(QIODevice::ReadOnly));
    if (!bOpen) {
        strError = file.errorString();
        return false;
    }
    // Read in pieces and stop one byte past the limit: a pipe has no size to
    // ask for, and an endless one must not fill the memory.
    bytes.clear();
    char buffer[65536];
    qint64 nRead = 0;
    while ((nRead = file.read(buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<qsizetype>(nRead));
        if (bytes.size() > nMaxSize) {
            strError = LoadResString(IDS_CLI_INPUT_TOO_LARGE).arg(nMaxSize / (1024 * 1024));
            bytes.clear();
            return false;
        }
    }
    if (nRead < 0) {
        strError = file.errorString();
        return false;
    }
    return true;
}

bool WriteOutputBytes(const QString& strPath, const QByteArray& bytes, QString& strError)
{
    if (IsStandardStream(strPath)) {
        const size_t n = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        if (n != static_cast<size_t>(bytes.size()) || std::fflush(stdout) != 0) {
            strError = LoadResString(IDS_CLI_STDOUT_WRITE_FAILED);
            return false;
        }
        return true;
    }
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        strError = file.errorString();
        return false;
    }
    return true;
}
