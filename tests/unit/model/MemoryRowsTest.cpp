#include "model/MemoryRows.h"
#include "resources/Resource.h"

#include <gtest/gtest.h>

#include <set>

namespace {

QString Cell(const STOREMEM& m, int nRow, int nColumn, const NumberFormatter& format = NumberFormatter())
{
    return MemoryCellText(MemoryRows()[nRow].cells[nColumn], m, format);
}

TEST(MemoryRows, GroupAndHeaderRowsSitWhereTheFormColoursThem)
{
    const std::set<int> groups{0, 11, 20};
    const std::set<int> headers{1, 6, 12, 21, 26, 31};
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r) {
        const EMemoryRowKind expected = groups.count(r)    ? MEMROW_GROUP
                                        : headers.count(r) ? MEMROW_HEADER
                                                           : MEMROW_DATA;
        EXPECT_EQ(MemoryRows()[r].kind, expected) << "row " << r;
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
    EXPECT_EQ(Cell(m, 7, 1), QStringLiteral("1.5000"));
    EXPECT_EQ(Cell(m, 22, 1), QStringLiteral("2.2500"));
    EXPECT_EQ(Cell(m, 35, 3), QStringLiteral("0.1250"));
    EXPECT_EQ(Cell(m, 15, 1), QStringLiteral("-3"));
    EXPECT_EQ(Cell(m, 2, 1), QStringLiteral("Batt discharge"));
    EXPECT_EQ(Cell(m, 3, 1), QStringLiteral("CC"));
    EXPECT_EQ(Cell(m, 7, 3), QStringLiteral("TRIP"));
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r) {
        for (int c = 0; c < MEMORY_COLUMN_COUNT; ++c)
            EXPECT_NE(Cell(m, r, c), QStringLiteral("77.0000")) << r << "," << c;
    }
    // The cells without a value show "-", the unused columns nothing.
    EXPECT_EQ(Cell(m, 9, 3), QStringLiteral("-"));
    EXPECT_EQ(Cell(m, 10, 2), QStringLiteral("-"));
    EXPECT_EQ(Cell(m, 24, 2), QStringLiteral("-"));
    EXPECT_TRUE(Cell(m, 2, 2).isEmpty());
    EXPECT_EQ(Cell(m, 21, 3), QStringLiteral("HIGH"));
    EXPECT_EQ(Cell(m, 31, 0), QStringLiteral("C Memory"));
}

TEST(MemoryRows, TheFormatterSeesNumbersButNotIntegersOrTexts)
{
    STOREMEM m;
    m.Curr = 1.5f;
    m.Response = 1000;
    m.Mode = QStringLiteral("C.R");
    const NumberFormatter comma = [](const QString& str) { return QString(str).replace('.', ','); };
    EXPECT_EQ(Cell(m, 7, 1, comma), QStringLiteral("1,5000"));
    EXPECT_EQ(Cell(m, 25, 2, comma), QStringLiteral("0,0000"));
    EXPECT_EQ(Cell(m, 15, 1, comma), QStringLiteral("1000"));
    EXPECT_EQ(Cell(m, 3, 1, comma), QStringLiteral("C.R"));
}

} // namespace
