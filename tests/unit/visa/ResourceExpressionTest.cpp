#include "platform/visa/ResourceExpression.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

// The listing, '*' repeating what precedes it (no shell wildcard), whole names in
// any case, lists and ranges, alternatives of whole expressions, and characters a
// regular-expression engine would read differently.
TEST(ResourceExpressionTest, MatchesTheWholeNameAsVisaDoes)
{
    // The expression, a name it matches and one it does not.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"?*::INSTR", "ASRL/dev/pts/4::INSTR", "TCPIP0::127.0.0.1::5025::SOCKET"},
        {"GPIB*", "GPIBBB", "GPIB0::1::INSTR"},
        {"?+", "A", ""},
        {"A?B", "AxB", "AB"},
        {"ASRL?*", "asrl/dev/ttyS0::instr", "GPIB0"},
        {"GPIB", "GPIB", "GPIB0"},
        {"GPIB[0-1]::?*", "GPIB1::5::INSTR", "GPIB2::5::INSTR"},
        {"GPIB[^0]::?*", "GPIB2::5::INSTR", "GPIB0::5::INSTR"},
        {"[a-c]x", "Bx", "dx"},
        {"[-x]", "-", "y"},
        {"[\\]]", "]", "\\"},
        {"[0-9]+", "1234", "12a4"},
        {"VXI|GPIB", "GPIB", "VXIGPIB"},
        {"(GPIB|ASRL)?*INSTR", "ASRL1::INSTR", "USB0::1::2::3::INSTR"},
        {"(ab)*", "ababab", "aba"},
        {"a.b", "a.b", "axb"},
        {"\\?", "?", "x"},
        {"a$", "a$", "a"},
        {"\\d", "d", "5"}};
    for (const auto& [pszExpression, pszMatching, pszNotMatching] : cases) {
        const CResourceExpression expression(QString::fromUtf8(pszExpression));
        EXPECT_TRUE(expression.Matches(QString::fromUtf8(pszMatching)))
            << pszExpression << " on " << pszMatching << " as " << qPrintable(expression.Pattern());
        EXPECT_FALSE(expression.Matches(QString::fromUtf8(pszNotMatching)))
            << pszExpression << " on " << pszNotMatching << " as " << qPrintable(expression.Pattern());
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
