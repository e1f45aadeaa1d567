#include "model/MemoryRows.h"

#include <gtest/gtest.h>

#include <set>

namespace {

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

// The command-line show proves a whole memory's texts; here the A/B/C cells,
// the cells without a value, and a decimal-comma formatter, which numbers pass
// through and texts never do.
TEST(MemoryRows, EachValueIsShownInItsCellAndVoltMNowhere)
{
    STOREMEM m;
    m.Curr = 1.5f;
    m.Abc[0].Curr_L = 2.25f;
    m.Abc[2].Cond_H = 0.125f;
    m.Abc[1].Volt_M = 77.0f;
    m.Mode = QStringLiteral("C.R");
    const NumberFormatter comma = [](const QString& str) { return QString(str).replace('.', ','); };
    const struct
    {
        int nRow, nColumn;
        const char* pszText;
        const char* pszComma;
    } cases[] = {// clang-format off
        {7, 1, "1.5000", "1,5000"}, {22, 1, "2.2500", "2,2500"}, {35, 3, "0.1250", "0,1250"}, {25, 2, "0.0000", "0,0000"},
        {3, 1, "C.R", "C.R"}, {10, 2, "-", "-"}, {24, 2, "-", "-"}, {2, 2, "", ""}, {21, 3, "HIGH", "HIGH"},
        {31, 0, "C Memory", "C Memory"}};
    // clang-format on
    for (const auto& c : cases) {
        const MEMORYCELL& cell = MemoryRows()[c.nRow].cells[c.nColumn];
        EXPECT_EQ(MemoryCellText(cell, m, NumberFormatter()), QString::fromLatin1(c.pszText)) << c.nRow;
        EXPECT_EQ(MemoryCellText(cell, m, comma), QString::fromLatin1(c.pszComma))
            << c.nRow << "," << c.nColumn;
    }
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r)
        for (int c = 0; c < MEMORY_COLUMN_COUNT; ++c)
            EXPECT_NE(MemoryCellText(MemoryRows()[r].cells[c], m, NumberFormatter()), "77.0000")
                << r << "," << c;
}

} // namespace
