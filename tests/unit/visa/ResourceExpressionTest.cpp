#include "platform/visa/ResourceExpression.h"
#include "platform/visa/Visa.h"

#include <gtest/gtest.h>

namespace {

struct MATCHCASE
{
    const char* pszExpression;
    const char* pszName;
    bool bMatches;
};

class ExpressionMatchTest : public ::testing::TestWithParam<MATCHCASE>
{
};

TEST_P(ExpressionMatchTest, MatchesTheWholeNameAsVisaDoes)
{
    const MATCHCASE& c = GetParam();
    const CResourceExpression expression(QString::fromUtf8(c.pszExpression));
    EXPECT_EQ(expression.Matches(QString::fromUtf8(c.pszName)), c.bMatches)
        << c.pszExpression << " on " << c.pszName << " as " << qPrintable(expression.Pattern());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionMatchTest,
    ::testing::Values(
        // The system's own listing
        MATCHCASE{"?*::INSTR", "ASRL/dev/pts/4::INSTR", true},
        MATCHCASE{"?*::INSTR", "GPIB0::1::INSTR", true},
        MATCHCASE{"?*::INSTR", "USB0::0x1AB1::0x0588::DS1::INSTR", true},
        MATCHCASE{"?*::INSTR", "TCPIP0::127.0.0.1::5025::SOCKET", false},
        MATCHCASE{"?*::INSTR", "GPIB0::INTFC", false}, MATCHCASE{"?*::INSTR", "::INSTR", true},
        // '*' repeats what precedes it; it is not a shell wildcard
        MATCHCASE{"GPIB*", "GPIB0::1::INSTR", false}, MATCHCASE{"GPIB*", "GPIBBB", true},
        MATCHCASE{"GPIB*", "GPI", true}, MATCHCASE{"?*", "", true}, MATCHCASE{"?", "", false},
        MATCHCASE{"?+", "", false}, MATCHCASE{"?+", "A", true}, MATCHCASE{"A?B", "AxB", true},
        MATCHCASE{"A?B", "AB", false},
        // Whole name, any case
        MATCHCASE{"GPIB", "GPIB0", false}, MATCHCASE{"vxi?*instr", "VXI0::1::INSTR", true},
        MATCHCASE{"ASRL?*", "asrl/dev/ttyS0::instr", true},
        // Lists and ranges
        MATCHCASE{"GPIB[0-1]::?*", "GPIB1::5::INSTR", true},
        MATCHCASE{"GPIB[0-1]::?*", "GPIB2::5::INSTR", false},
        MATCHCASE{"GPIB[^0]::?*", "GPIB2::5::INSTR", true},
        MATCHCASE{"GPIB[^0]::?*", "GPIB0::5::INSTR", false}, MATCHCASE{"[AG]?*", "ASRL1::INSTR", true},
        MATCHCASE{"[a-c]x", "Bx", true}, MATCHCASE{"[-x]", "-", true}, MATCHCASE{"[x-]", "-", true},
        MATCHCASE{"[\\]]", "]", true}, MATCHCASE{"[0-9]+", "1234", true}, MATCHCASE{"[0-9]+", "12a4", false},
        MATCHCASE{"[ds]", "\\", false}, MATCHCASE{"[ds]", "7", false},
        // Alternatives are whole expressions; groups bind tightest
        MATCHCASE{"VXI|GPIB", "GPIB", true}, MATCHCASE{"VXI|GPIB", "VXIGPIB", false},
        MATCHCASE{"(GPIB|ASRL)?*INSTR", "ASRL1::INSTR", true},
        MATCHCASE{"(GPIB|ASRL)?*INSTR", "USB0::1::2::3::INSTR", false}, MATCHCASE{"(ab)*", "ababab", true},
        MATCHCASE{"(ab)+", "", false},
        // Characters the regular-expression engine would read differently
        MATCHCASE{"a.b", "axb", false}, MATCHCASE{"a.b", "a.b", true}, MATCHCASE{"\\?", "?", true},
        MATCHCASE{"\\?", "x", false}, MATCHCASE{"\\*", "*", true}, MATCHCASE{"a$", "a$", true},
        MATCHCASE{"^a", "^a", true},
        MATCHCASE{"TCPIP::1.2.3.4::5025::SOCKET", "TCPIP::1.2.3.4::5025::SOCKET", true},
        MATCHCASE{"\\d", "d", true}, MATCHCASE{"\\d", "5", false}));

class BadExpressionTest : public ::testing::TestWithParam<const char*>
{
};

TEST_P(BadExpressionTest, IsRefusedWithInvalidExpression)
{
    try {
        CResourceExpression expression(QString::fromUtf8(GetParam()));
        FAIL() << "accepted " << GetParam();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_INV_EXPR);
        EXPECT_TRUE(e.Description().startsWith(QLatin1String("Invalid expression specified for search.")))
            << qPrintable(e.Description());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, BadExpressionTest,
                         ::testing::Values("", "*", "+", "a**", "a*+", "?|*", "(*a)", "(abc", "abc)", "[abc",
                                           "[]", "[^]", "abc]", "[z-a]", "a\\", "[a\\",
                                           "ASRL?*INSTR{VI_ATTR_ASRL_BAUD == 9600}"));

} // namespace
