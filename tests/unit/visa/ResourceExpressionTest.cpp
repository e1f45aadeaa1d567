#include "platform/visa/ResourceExpression.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The listing, '*' repeating what precedes it (no shell wildcard), whole names in
// any case, lists and ranges, alternatives of whole expressions, and characters a
// regular-expression engine would read differently.
TEST(ResourceExpressionTest, MatchesTheWholeNameAsVisaDoes)
{
    const struct
    {
        const char* pszExpression;
        const char* pszName;
        bool bMatches;
    } cases[] = {{"?*::INSTR", "ASRL/dev/pts/4::INSTR", true},
                 {"?*::INSTR", "USB0::0x1AB1::0x0588::DS1::INSTR", true},
                 {"?*::INSTR", "TCPIP0::127.0.0.1::5025::SOCKET", false},
                 {"?*::INSTR", "GPIB0::INTFC", false},
                 {"GPIB*", "GPIB0::1::INSTR", false},
                 {"GPIB*", "GPIBBB", true},
                 {"?*", "", true},
                 {"?", "", false},
                 {"?+", "A", true},
                 {"A?B", "AB", false},
                 {"GPIB", "GPIB0", false},
                 {"ASRL?*", "asrl/dev/ttyS0::instr", true},
                 {"GPIB[0-1]::?*", "GPIB2::5::INSTR", false},
                 {"GPIB[^0]::?*", "GPIB2::5::INSTR", true},
                 {"GPIB[^0]::?*", "GPIB0::5::INSTR", false},
                 {"[a-c]x", "Bx", true},
                 {"[-x]", "-", true},
                 {"[\\]]", "]", true},
                 {"[0-9]+", "12a4", false},
                 {"[ds]", "7", false},
                 {"VXI|GPIB", "GPIB", true},
                 {"VXI|GPIB", "VXIGPIB", false},
                 {"(GPIB|ASRL)?*INSTR", "ASRL1::INSTR", true},
                 {"(GPIB|ASRL)?*INSTR", "USB0::1::2::3::INSTR", false},
                 {"(ab)*", "ababab", true},
                 {"a.b", "axb", false},
                 {"\\?", "x", false},
                 {"\\*", "*", true},
                 {"a$", "a$", true},
                 {"^a", "^a", true},
                 {"\\d", "5", false}};
    for (const auto& c : cases) {
        const CResourceExpression expression(QString::fromUtf8(c.pszExpression));
        EXPECT_EQ(expression.Matches(QString::fromUtf8(c.pszName)), c.bMatches)
            << c.pszExpression << " on " << c.pszName << " as " << qPrintable(expression.Pattern());
    }
}

TEST(ResourceExpressionTest, BadExpressionsAreRefusedWithInvalidExpression)
{
    for (const char* pszExpression :
         {"", "*", "+", "a**", "a*+", "?|*", "(*a)", "(abc", "abc)", "[abc", "[]", "[^]", "abc]", "[z-a]",
          "a\\", "[a\\", "ASRL?*INSTR{VI_ATTR_ASRL_BAUD == 9600}"}) {
        QString strText;
        EXPECT_EQ(StatusOf([&] { CResourceExpression(QString::fromUtf8(pszExpression)); }, &strText),
                  Visa::VI_ERROR_INV_EXPR)
            << pszExpression;
        EXPECT_TRUE(strText.startsWith(QLatin1String("Invalid expression specified for search.")))
            << qPrintable(strText);
    }
}

} // namespace
