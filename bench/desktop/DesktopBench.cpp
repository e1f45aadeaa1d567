// Desktop figures: the time from a program's start to its first painted
// frame on the offscreen platform and its resident memory then, for the
// desktop program with the example file and for a bare Qt window measured in
// the same run; and the load of a 14 MB memory file of 10,000 Memory
// elements: its time and peak memory, in the document alone and in the whole
// program. Each measurement runs in a child process of its own (this program
// started again), so that each starts from nothing and its peak is its own.
#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "bench/support/MemoryFileShapes.h"
#include "model/XmlDocData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A field of /proc/self/status in kB: VmRSS (resident now) or VmHWM (peak).
long StatusKb(const char* pszField)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(pszField))
            return line.mid(static_cast<int>(std::strlen(pszField)) + 1)
                .trimmed()
                .split(' ')
                .value(0)
                .toLong();
    }
    return -1;
}

// Reports at the first paint of pWindow and ends the process at once.
class CFirstPaint : public QObject
{
public:
    explicit CFirstPaint(QWidget* pWindow) { pWindow->installEventFilter(this); }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint) {
            // The frame is painted once this handler has run.
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("painted %ld %ld\n", StatusKb("VmRSS:"), StatusKb("VmHWM:"));
                    std::fflush(stdout);
                    std::_Exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(pWatched, pEvent);
    }
};

// A window that paints nothing, or one line of text: the text brings in the
// font database, which every window with text pays for at its first paint.
int ChildBare(int argc, char** argv, bool bText)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(800, 600);
    if (bText)
        new QLabel(QStringLiteral("Memories"), &window);
    CFirstPaint paint(&window);
    window.show();
    return QApplication::exec();
}

// With nMemory >= 0 that memory's form is shown before the first paint.
int ChildDesktop(int argc, char** argv, const QString& strFile, int nMemory)
{
    QApplication app(argc, argv);
    CVaultlineApp theApp;
    if (!theApp.InitInstance({strFile}))
        return 1;
    if (nMemory >= 0)
        theApp.GetMainFrame()->SelectForm(QString::number(nMemory));
    CFirstPaint paint(theApp.GetMainFrame());
    theApp.GetMainFrame()->update();
    return QApplication::exec();
}

int ChildLoad(const QString& strFile)
{
    const long nBefore = StatusKb("VmRSS:");
    CXmlDocData data;
    data.Reset();
    QElapsedTimer timer;
    timer.start();
    const bool bOk = data.Load(strFile);
    const double dMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("loaded %d %.1f %ld %ld %ld\n", bOk ? 1 : 0, dMs, nBefore, StatusKb("VmHWM:"),
                StatusKb("VmRSS:"));
    return bOk ? 0 : 1;
}

struct CHILDRESULT
{
    double dMs = 0; // wall time from start to the line
    QList<QByteArray> fields;
};

CHILDRESULT RunChild(const QStringList& args)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), args);
    CHILDRESULT result;
    while (child.waitForReadyRead(30000) || child.canReadLine()) {
        if (child.canReadLine()) {
            result.dMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            result.fields = child.readLine().trimmed().split(' ');
            break;
        }
    }
    child.waitForFinished(30000);
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--bare") == 0)
        return ChildBare(argc, argv, false);
    if (argc >= 2 && std::strcmp(argv[1], "--bare-text") == 0)
        return ChildBare(argc, argv, true);
    if (argc >= 3 && std::strcmp(argv[1], "--desktop") == 0)
        return ChildDesktop(argc, argv, QString::fromLocal8Bit(argv[2]), argc >= 4 ? std::atoi(argv[3]) : -1);
    if (argc >= 3 && std::strcmp(argv[1], "--load") == 0)
        return ChildLoad(QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const QString strExample = QStringLiteral(VAULTLINE_EXAMPLE);
    QTemporaryDir dir;
    // Settings and recovery of the children stay out of the user's folders.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));

    const int nRounds = 15;
    std::vector<double> bare, text, desktop, bareRss, textRss, desktopRss;
    for (int r = 0; r < nRounds; ++r) {
        const CHILDRESULT b = RunChild({QStringLiteral("--bare")});
        const CHILDRESULT t = RunChild({QStringLiteral("--bare-text")});
        const CHILDRESULT d = RunChild({QStringLiteral("--desktop"), strExample});
        if (b.fields.value(0) != "painted" || t.fields.value(0) != "painted" ||
            d.fields.value(0) != "painted") {
            std::fprintf(stderr, "a child did not paint\n");
            return 1;
        }
        bare.push_back(b.dMs);
        text.push_back(t.dMs);
        desktop.push_back(d.dMs);
        bareRss.push_back(b.fields.value(1).toDouble() / 1024);
        textRss.push_back(t.fields.value(1).toDouble() / 1024);
        desktopRss.push_back(d.fields.value(1).toDouble() / 1024);
    }
    std::printf("Start to the first painted frame (offscreen), medians of %d interleaved runs\n", nRounds);
    std::printf("  bare Qt window                       %7.1f ms   %5.1f MB resident\n", Median(bare),
                Median(bareRss));
    std::printf("  bare Qt window with a line of text   %7.1f ms   %5.1f MB resident\n", Median(text),
                Median(textRss));
    std::printf(
        "  vaultline with the example file      %7.1f ms   %5.1f MB resident   %.2fx the bare window, "
        "%.2fx the one with text\n",
        Median(desktop), Median(desktopRss), Median(desktop) / Median(bare), Median(desktop) / Median(text));

    QFile example(strExample);
    if (!example.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray big = ManyMemories(example.readAll(), 10000);
    const QString strBig = dir.filePath(QStringLiteral("big.xMem"));
    QFile file(strBig);
    if (!file.open(QIODevice::WriteOnly) || file.write(big) != big.size())
        return 1;
    file.close();
    const double dSizeMb = static_cast<double>(big.size()) / (1024 * 1024);
    std::vector<double> loadMs, loadPeak, loadAfter, paintMs, paintPeak, paintRss;
    for (int r = 0; r < 5; ++r) {
        const CHILDRESULT l = RunChild({QStringLiteral("--load"), strBig});
        const CHILDRESULT d = RunChild({QStringLiteral("--desktop"), strBig});
        if (l.fields.value(0) != "loaded" || l.fields.value(1) != "1" || d.fields.value(0) != "painted") {
            std::fprintf(stderr, "the big file did not load\n");
            return 1;
        }
        const double dBase = l.fields.value(3).toDouble();
        loadMs.push_back(l.fields.value(2).toDouble());
        loadPeak.push_back((l.fields.value(4).toDouble() - dBase) / 1024);
        loadAfter.push_back((l.fields.value(5).toDouble() - dBase) / 1024);
        paintMs.push_back(d.dMs);
        paintRss.push_back(d.fields.value(1).toDouble() / 1024);
        paintPeak.push_back(d.fields.value(2).toDouble() / 1024);
    }
    std::printf("Memory file of 10,000 Memory elements, %.1f MB; medians of 5 runs\n", dSizeMb);
    std::printf(
        "  document load                        %7.1f ms   peak %5.1f MB above the start (%.2fx the file), "
        "%5.1f MB kept after\n",
        Median(loadMs), Median(loadPeak), Median(loadPeak) / dSizeMb, Median(loadAfter));
    std::printf("  vaultline with it, to the first paint%7.1f ms   peak %5.1f MB, %5.1f MB resident after\n",
                Median(paintMs), Median(paintPeak), Median(paintRss));

    // A memo of 5 MB in memory 0, shown at start against the same file with
    // a short memo.
    example.seek(0);
    QByteArray withMemo = example.readAll();
    const int nMemoStart = withMemo.indexOf("<Memo>", withMemo.indexOf("<Memory Index=\"0\""));
    const int nMemoEnd = withMemo.indexOf("</Memo>", nMemoStart);
    withMemo.replace(nMemoStart + 6, nMemoEnd - nMemoStart - 6, QByteArray("word ").repeated(1024 * 1024));
    const QString strMemo = dir.filePath(QStringLiteral("memo.xMem"));
    QFile memoFile(strMemo);
    if (!memoFile.open(QIODevice::WriteOnly) || memoFile.write(withMemo) != withMemo.size())
        return 1;
    memoFile.close();
    std::vector<double> shortMs, longMs;
    for (int r = 0; r < 5; ++r) {
        const CHILDRESULT s = RunChild({QStringLiteral("--desktop"), strExample, QStringLiteral("0")});
        const CHILDRESULT l = RunChild({QStringLiteral("--desktop"), strMemo, QStringLiteral("0")});
        if (s.fields.value(0) != "painted" || l.fields.value(0) != "painted") {
            std::fprintf(stderr, "the memo file did not show\n");
            return 1;
        }
        shortMs.push_back(s.dMs);
        longMs.push_back(l.dMs);
    }
    std::printf("Memory 0 shown at start, to the first paint; medians of 5 runs\n");
    std::printf("  with its short memo                  %7.1f ms\n", Median(shortMs));
    std::printf("  with a memo of 5 MB                  %7.1f ms   (%.1f ms more)\n", Median(longMs),
                Median(longMs) - Median(shortMs));
    return 0;
}
