// Memory-file figures: Load and Save of a 100-memory file against a bare
// libxml2 parse of the same bytes in the same run, the growth of Load with
// the number of Memory elements, and Qt's DOM on the same bytes for the record.
#include "bench/support/MemoryFileShapes.h"
#include "model/XmlDocData.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

// The CPU time of this thread, in microseconds: on a shared, busy machine it
// varies far less than the wall clock.
double ThreadMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double WallMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Runs the candidates in turn, round after round, so that whatever else the
// machine does weighs on all of them alike; medians of CPU and wall time.
struct TIMING
{
    double dCpu;
    double dWall;
};

std::vector<TIMING> Interleaved(int nRounds, const std::vector<std::function<void()>>& candidates)
{
    std::vector<std::vector<double>> cpu(candidates.size());
    std::vector<std::vector<double>> wall(candidates.size());
    for (int r = 0; r < nRounds; ++r) {
        for (size_t i = 0; i < candidates.size(); ++i) {
            const double dWall = WallMicros();
            const double dCpu = ThreadMicros();
            candidates[i]();
            cpu[i].push_back(ThreadMicros() - dCpu);
            wall[i].push_back(WallMicros() - dWall);
        }
    }
    std::vector<TIMING> result;
    for (size_t i = 0; i < candidates.size(); ++i)
        result.push_back({Median(cpu[i]), Median(wall[i])});
    return result;
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
    const QString strSaved = dir.filePath(QStringLiteral("saved.xMem"));
    const auto bareParse = [](const QByteArray& b) {
        xmlDoc* pDoc = xmlReadMemory(b.constData(), static_cast<int>(b.size()), nullptr, nullptr, 0);
        xmlFreeDoc(pDoc);
    };
    const std::vector<TIMING> t = Interleaved(nRuns, {
                                                         [&] { bareParse(bytes); },
                                                         [&] { target.Load(strPath); },
                                                         [&] { target.LoadFromBytes(bytes); },
                                                         [&] { data.Save(strSaved); },
                                                         [&] { data.ToBytes(); },
                                                         [&] {
                                                             QDomDocument doc;
                                                             doc.setContent(bytes);
                                                         },
                                                     });
    const double dParse = t[0].dCpu;
    std::printf(
        "Memory file of 100 memories, %lld bytes; medians of %d interleaved rounds, CPU time of the thread\n",
        static_cast<long long>(bytes.size()), nRuns);
    std::printf("  bare libxml2 xmlReadMemory + xmlFreeDoc   %9.1f us\n", dParse);
    std::printf("  Load (read file, parse, map 100 records)  %9.1f us   %.2fx the bare parse\n", t[1].dCpu,
                t[1].dCpu / dParse);
    std::printf("  Load from bytes in memory                 %9.1f us   %.2fx\n", t[2].dCpu,
                t[2].dCpu / dParse);
    std::printf(
        "  Save (build, serialise, write, fsync,     %9.1f us   %.2fx the bare parse; wall clock %.1f us\n",
        t[3].dCpu, t[3].dCpu / dParse, t[3].dWall);
    std::printf("        rename)\n");
    std::printf("  Save to bytes in memory (no disk)         %9.1f us   %.2fx\n", t[4].dCpu,
                t[4].dCpu / dParse);
    std::printf("  QDomDocument::setContent, for comparison  %9.1f us   %.2fx\n", t[5].dCpu,
                t[5].dCpu / dParse);

    std::printf("Load against the number of Memory elements (descending Index, the 100 read come last)\n");
    double dFirst = 0;
    for (int nCount : {100, 1000, 10000}) {
        const QByteArray many = ManyMemories(bytes, nCount);
        const QString strMany = dir.filePath(QStringLiteral("many-%1.xMem").arg(nCount));
        WriteFile(strMany, many);
        const std::vector<TIMING> m =
            Interleaved(nCount > 1000 ? 11 : 51, {[&] { bareParse(many); }, [&] { target.Load(strMany); }});
        const double dMany = m[1].dCpu;
        if (dFirst == 0)
            dFirst = dMany;
        std::printf("  %6d Memory elements, %9lld bytes: Load %10.1f us (%6.1fx the 100 case, %.2f us per "
                    "element), bare parse %10.1f us (Load %.2fx)\n",
                    nCount, static_cast<long long>(many.size()), dMany, dMany / dFirst, dMany / nCount,
                    m[0].dCpu, dMany / m[0].dCpu);
    }

    // Hostile shapes: the 100 Memory elements nested inside each other, so
    // that each record's walk covers every element below it, with junk
    // elements at the bottom; and junk beside flat memories.
    std::printf("Hostile shapes (one run each, CPU time of the thread; wall clock)\n");
    const auto hostile = [&](const char* pszName, const QByteArray& shape) {
        const QString strHostile = dir.filePath(QStringLiteral("hostile.xMem"));
        WriteFile(strHostile, shape);
        const std::vector<TIMING> h =
            Interleaved(3, {[&] { bareParse(shape); }, [&] { target.Load(strHostile); }});
        std::printf("  %-46s %10lld bytes: Load %8.1f ms (wall %8.1f ms), bare parse %8.1f ms (Load %.2fx)\n",
                    pszName, static_cast<long long>(shape.size()), h[1].dCpu / 1000, h[1].dWall / 1000,
                    h[0].dCpu / 1000, h[1].dCpu / h[0].dCpu);
    };
    // The value names also appear outside every memory, so no walk of a
    // memory can stop before the end of its element.
    for (int nJunk : {0, 10000, 100000, 1000000}) {
        QByteArray nested = "<Memories><outside><Memo/><Curr/><AMem><Curr_L/></AMem></outside>";
        for (int i = 0; i < 100; ++i)
            nested += "<Memory Index=\"" + QByteArray::number(i) + "\">";
        nested += QByteArray("<j/>").repeated(nJunk) + QByteArray("</Memory>").repeated(100) + "</Memories>";
        hostile(qPrintable(QStringLiteral("100 nested Memory + %1 junk elements").arg(nJunk)), nested);
    }
    QByteArray junk = bytes;
    junk.insert(junk.indexOf("<Memory "), QByteArray("<j/>").repeated(1000000));
    hostile("100 memories after 1,000,000 junk elements", junk);
    QByteArray junkInside = ManyMemories(bytes, 100);
    junkInside.insert(junkInside.indexOf("<Memo>"), QByteArray("<j/>").repeated(1000000));
    hostile("1,000,000 junk elements inside memory 99", junkInside);
    return 0;
}
