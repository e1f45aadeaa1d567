#include "model/MemoryRows.h"

#include <gtest/gtest.h>

#include <set>

namespace {

QString Cell(const STOREMEM& m, int nRow, int nColumn, const NumberFormatter& format = NumberFormatter())
{
    return MemoryCellText(MemoryRows()[nRow].cells[nColumn], m, format);
}

TEST(MemoryRows, GroupAndHeaderRowsSitWhereTheFormColoursThem)
{
    const std::set<int> groups{0, 11, 20}, headers{1, 6, 12, 21, 26, 31};
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r) {
        EXPECT_EQ(MemoryRows()[r].kind, groups.count(r)    ? MEMROW_GROUP
                                        : headers.count(r) ? MEMROW_HEADER
                                                           : MEMROW_DATA)
            << "row " << r;
        EXPECT_EQ(MemoryRows()[r].cells[0].kind, MEMCELL_LABEL) << "row " << r;
    }
}

TEST(MemoryRows, EachValueIsShownInItsCellAndVoltMNowhere)
{
    STOREMEM m;
    m.Curr = 1.5f;
    m.Abc[0].Curr_L = 2.25f;
    m.Abc[2].Cond_H = 0.125f;
    m.Abc[1].Volt_M = 77.0f;
    m.Response = -3;
    m.Memo = QStringLiteral("Batt discharge");
    const NumberFormatter comma = [](const QString& str) { return QString(str).replace('.', ','); };
    const struct
    {
        int nRow, nColumn;
        const char* pszText;
        const char* pszComma; // through a decimal-comma formatter
    } cases[] = {{7, 1, "1.5000", "1,5000"},
                 {22, 1, "2.2500", "2,2500"},
                 {35, 3, "0.1250", "0,1250"},
                 {25, 2, "0.0000", "0,0000"},
                 {15, 1, "-3", "-3"},
                 {2, 1, "Batt discharge", "Batt discharge"},
                 {3, 1, "CC", "CC"},
                 {7, 3, "TRIP", "TRIP"},
                 {9, 3, "-", "-"},
                 {10, 2, "-", "-"},
                 {24, 2, "-", "-"},
                 {2, 2, "", ""},
                 {21, 3, "HIGH", "HIGH"},
                 {31, 0, "C Memory", "C Memory"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Cell(m, c.nRow, c.nColumn), QString::fromLatin1(c.pszText)) << c.nRow << "," << c.nColumn;
        EXPECT_EQ(Cell(m, c.nRow, c.nColumn, comma), QString::fromLatin1(c.pszComma))
            << c.nRow << "," << c.nColumn;
    }
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r)
        for (int c = 0; c < MEMORY_COLUMN_COUNT; ++c)
            EXPECT_NE(Cell(m, r, c), QStringLiteral("77.0000")) << r << "," << c;
    m.Mode = QStringLiteral("C.R"); // texts never pass through the formatter
    EXPECT_EQ(Cell(m, 3, 1, comma), QStringLiteral("C.R"));
}

} // namespace
