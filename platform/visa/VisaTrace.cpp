#include "platform/visa/VisaTrace.h"

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

Q_LOGGING_CATEGORY(lcVisa, "vaultline.visa", QtInfoMsg)

namespace {

struct TRACESINK
{
    std::mutex mutex;
    std::FILE* pFile = nullptr;
};

TRACESINK& Sink()
{
    static TRACESINK sink;
    return sink;
}

} // namespace

bool CVisaTrace::Start(const QString& strPath, QString& strError)
{
    // Appended, as the simulator does, so that one file can collect several runs.
    std::FILE* pFile = std::fopen(QFile::encodeName(strPath).constData(), "a");
    if (!pFile) {
        strError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    TRACESINK& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    if (sink.pFile)
        std::fclose(sink.pFile);
    sink.pFile = pFile;
    return true;
}

void CVisaTrace::Stop()
{
    TRACESINK& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    if (sink.pFile)
        std::fclose(sink.pFile);
    sink.pFile = nullptr;
}

bool CVisaTrace::IsOn()
{
    TRACESINK& sink = Sink();
    {
        std::lock_guard<std::mutex> lock(sink.mutex);
        if (sink.pFile)
            return true;
    }
    return lcVisa().isDebugEnabled();
}

QByteArray CVisaTrace::Printable(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '\\')
            out += QByteArray("\\x") + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

void CVisaTrace::Write(char cDirection, const QByteArray& text, const QString& strNote)
{
    QByteArray line = QByteArray(1, cDirection) + ' ' + Printable(text);
    if (!strNote.isEmpty())
        line += ' ' + strNote.toUtf8();
    qCDebug(lcVisa, "%s", line.constData());

    TRACESINK& sink = Sink();
    std::lock_guard<std::mutex> lock(sink.mutex);
    if (!sink.pFile)
        return;
    const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
    std::fprintf(sink.pFile, "%s %s\n", stamp.constData(), line.constData());
    // Flushed line by line: the transcript is read when something went wrong,
    // often after the program was stopped.
    std::fflush(sink.pFile);
}
