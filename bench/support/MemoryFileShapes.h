#pragma once

// What the benchmarks of memory files share: big files made from the example,
// and the median of repeated runs.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <vector>

// The example's first Memory element repeated to nCount, Index descending, so
// that the ones a load reads (0 to 99) come last.
inline QByteArray ManyMemories(const QByteArray& oneHundred, int nCount)
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

// 0 for no values.
inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}
