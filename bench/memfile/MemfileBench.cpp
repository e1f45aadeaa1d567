// Memory-file figures: Load and Save of a 100-memory file against a bare
// libxml2 parse of the same bytes in the same run, the growth of Load with
// the number of Memory elements, and Qt's DOM on the same bytes for the record.
#include "model/XmlDocData.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Median of the runs, in microseconds.
double MedianMicros(int nRuns, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < nRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Fill(CXmlDocData& data)
{
    data.Reset();
    for (int i = 0; i < data.GetContainer().GetCount(); ++i) {
        STOREMEM& m = *data.GetContainer().GetAt(i);
        m.Memo = QStringLiteral("Memory %1\r\nsecond line").arg(i);
        m.Mode = QStringLiteral("CR");
        m.Curr = 1.25f * static_cast<float>(i);
        m.Cond = 0.000125f * static_cast<float>(i);
        m.CountTime = i % 2;
        m.Response = i;
        for (ABCMEM& abc : m.Abc)
            abc.Volt_H = 0.5f * static_cast<float>(i);
    }
}

// A file of nCount Memory elements in descending Index order, so that the
// ones a load reads (0 to 99) come last.
QByteArray ManyMemories(const QByteArray& oneHundred, int nCount)
{
    const int nStart = oneHundred.indexOf("<Memory ");
    const int nEnd = oneHundred.indexOf("</Memory>") + 9;
    QByteArray memory = oneHundred.mid(nStart, nEnd - nStart);
    memory.replace("Index=\"0\"", "Index=\"%1\"");
    QByteArray bytes = oneHundred.left(nStart);
    for (int i = nCount - 1; i >= 0; --i)
        bytes += QString::fromLatin1(memory).arg(i).toLatin1();
    return bytes + "</Memories>\n";
}

bool WriteFile(const QString& strPath, const QByteArray& bytes)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("bench.xMem"));

    CXmlDocData data;
    Fill(data);
    if (!data.Save(strPath)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(strPath));
        return 1;
    }
    QFile file(strPath);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    file.close();

    const int nRuns = 201;
    CXmlDocData target;
    target.Reset();
    const double dParse = MedianMicros(nRuns, [&] {
        xmlDoc* pDoc = xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), nullptr, nullptr, 0);
        xmlFreeDoc(pDoc);
    });
    const double dLoad = MedianMicros(nRuns, [&] { target.Load(strPath); });
    const double dLoadBytes = MedianMicros(nRuns, [&] { target.LoadFromBytes(bytes); });
    const QString strSaved = dir.filePath(QStringLiteral("saved.xMem"));
    const double dSave = MedianMicros(nRuns, [&] { data.Save(strSaved); });
    const double dSaveBytes = MedianMicros(nRuns, [&] { data.ToBytes(); });
    const double dQDom = MedianMicros(nRuns, [&] {
        QDomDocument doc;
        doc.setContent(bytes);
    });

    std::printf("Memory file of 100 memories, %lld bytes; medians of %d runs\n",
                static_cast<long long>(bytes.size()), nRuns);
    std::printf("  bare libxml2 xmlReadMemory + xmlFreeDoc   %9.1f us\n", dParse);
    std::printf("  Load (read file, parse, map 100 records)  %9.1f us   %.2fx the bare parse\n", dLoad,
                dLoad / dParse);
    std::printf("  Load from bytes in memory                 %9.1f us   %.2fx\n", dLoadBytes,
                dLoadBytes / dParse);
    std::printf("  Save (build, serialise, write, fsync,     %9.1f us   %.2fx the bare parse\n", dSave,
                dSave / dParse);
    std::printf("        rename)\n");
    std::printf("  Save to bytes in memory (no disk)         %9.1f us   %.2fx\n", dSaveBytes,
                dSaveBytes / dParse);
    std::printf("  QDomDocument::setContent, for comparison  %9.1f us   %.2fx\n", dQDom, dQDom / dParse);

    std::printf("Load against the number of Memory elements (descending Index, the 100 read come last)\n");
    double dFirst = 0;
    for (int nCount : {100, 1000, 10000}) {
        const QByteArray many = ManyMemories(bytes, nCount);
        const QString strMany = dir.filePath(QStringLiteral("many-%1.xMem").arg(nCount));
        WriteFile(strMany, many);
        const double dParseMany = MedianMicros(nCount > 1000 ? 21 : 101, [&] {
            xmlDoc* pDoc =
                xmlReadMemory(many.constData(), static_cast<int>(many.size()), nullptr, nullptr, 0);
            xmlFreeDoc(pDoc);
        });
        const double dMany = MedianMicros(nCount > 1000 ? 21 : 101, [&] { target.Load(strMany); });
        if (dFirst == 0)
            dFirst = dMany;
        std::printf("  %6d Memory elements, %9lld bytes: Load %10.1f us (%6.1fx the 100 case, %.2f us per "
                    "element), bare parse %10.1f us (%.2fx)\n",
                    nCount, static_cast<long long>(many.size()), dMany, dMany / dFirst, dMany / nCount,
                    dParseMany, dMany / dParseMany);
    }
    return 0;
}
