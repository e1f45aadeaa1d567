#include "platform/text/TextTable.h"

#include <gtest/gtest.h>

namespace {

const TEXTENTRY s_Entries[] = {
    {7, u"seven"},
    {41, u"Usage: %1"},
    {204, u"Upload (PC \u0081--> DXR9K)"},
    {300, u""},
};

} // namespace

TEST(TextTable, LooksTextsUpByIdentifierAndGivesNothingForAnUnknownOne)
{
    const CTextTable table(s_Entries);
    const std::pair<unsigned, QString> cases[] = {
        {7, QStringLiteral("seven")},
        {41, QStringLiteral("Usage: %1")},
        {300, QString()},
        {0, QString()},
        {8, QString()},
        {42, QString()},
    };
    for (const auto& [nId, strText] : cases)
        EXPECT_EQ(table.Text(nId), strText) << nId;
}

TEST(TextTable, KeepsControlAndNonAsciiCharactersAsTheyAreWritten)
{
    // The arrow of the transfer titles is drawn with U+0081 (the original font's
    // glyph); it must come through as that one character, not as bytes.
    const QString str = CTextTable(s_Entries).Text(204);
    ASSERT_EQ(str.size(), 22);
    EXPECT_EQ(str.at(11).unicode(), 0x81);
    EXPECT_TRUE(str.endsWith(QStringLiteral("--> DXR9K)")));
}
