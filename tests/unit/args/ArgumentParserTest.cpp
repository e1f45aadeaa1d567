#include "platform/args/ArgumentParser.h"

#include <gtest/gtest.h>

namespace {

// The options every case below declares: two that take values, one of them
// repeatable, a switch with a short spelling, and a plain switch.
CArgumentParser MakeParser(bool bPassThrough = false)
{
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--output")}, QStringLiteral("FILE"));
    parser.AddOption({QStringLiteral("--queue")}, QStringLiteral("CODE"));
    parser.AddOption({QStringLiteral("-h"), QStringLiteral("--help")});
    parser.AddOption({QStringLiteral("--json")});
    parser.SetPassThrough(bPassThrough);
    return parser;
}

QStringList Split(const char* psz)
{
    return QString::fromUtf8(psz).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

TEST(ArgumentParser, AcceptedCommandLines)
{
    const struct
    {
        const char* pszArgs;
        const char* pszPositional;
        const char* pszOutput; // the last --output
        const char* pszQueue;  // every --queue, joined by '|'
        bool bHelp;
        bool bJson;
    } cases[] = {
        {"", "", "", "", false, false},
        {"a.xMem b.xMem", "a.xMem b.xMem", "", "", false, false},
        {"a --output o.xMem b", "a b", "o.xMem", "", false, false},
        {"--output=o.xMem a", "a", "o.xMem", "", false, false},
        // The last of a repeated option counts; every value is kept.
        {"--output x --output y", "", "y", "", false, false},
        {"--queue 1 --queue=-2 --queue 3", "", "", "1|-2|3", false, false},
        // The value is the next argument whatever it looks like.
        {"--output --json", "", "--json", "", false, false},
        {"--output -", "", "-", "", false, false},
        {"--output=", "", "", "", false, false},
        // A single dash or an undeclared short option is positional; "-h" is declared.
        {"- -5 -x", "- -5 -x", "", "", false, false},
        {"a -h", "a", "", "", true, false},
        {"--help --json", "", "", "", true, true},
        // "--" ends the options.
        {"a -- --json --bogus", "a --json --bogus", "", "", false, false},
        {"-- --", "--", "", "", false, false},
    };
    for (const auto& c : cases) {
        CArgumentParser parser = MakeParser();
        ASSERT_TRUE(parser.Parse(Split(c.pszArgs))) << c.pszArgs;
        EXPECT_EQ(parser.Error(), CArgumentParser::ERROR_NONE) << c.pszArgs;
        EXPECT_EQ(parser.Positional(), Split(c.pszPositional)) << c.pszArgs;
        EXPECT_EQ(parser.Value(QStringLiteral("--output")), QString::fromUtf8(c.pszOutput)) << c.pszArgs;
        EXPECT_EQ(parser.Values(QStringLiteral("--queue")).join(QLatin1Char('|')),
                  QString::fromUtf8(c.pszQueue))
            << c.pszArgs;
        EXPECT_EQ(parser.IsSet(QStringLiteral("--help")), c.bHelp) << c.pszArgs;
        EXPECT_EQ(parser.IsSet(QStringLiteral("-h")), c.bHelp) << c.pszArgs;
        EXPECT_EQ(parser.IsSet(QStringLiteral("--json")), c.bJson) << c.pszArgs;
    }
}

TEST(ArgumentParser, RefusedCommandLines)
{
    const struct
    {
        const char* pszArgs;
        CArgumentParser::EError eError;
        const char* pszArgument;
        const char* pszOption;
    } cases[] = {
        {"a --bogus b", CArgumentParser::ERROR_UNKNOWN_OPTION, "--bogus", "--bogus"},
        {"--bogus=1", CArgumentParser::ERROR_UNKNOWN_OPTION, "--bogus=1", "--bogus"},
        // Names match whole: no abbreviations, no case folding.
        {"--out x", CArgumentParser::ERROR_UNKNOWN_OPTION, "--out", "--out"},
        {"--JSON", CArgumentParser::ERROR_UNKNOWN_OPTION, "--JSON", "--JSON"},
        {"a --output", CArgumentParser::ERROR_MISSING_VALUE, "--output", "--output"},
        {"--json=yes", CArgumentParser::ERROR_UNEXPECTED_VALUE, "--json=yes", "--json"},
        // The first fault is the one reported.
        {"--bogus --output", CArgumentParser::ERROR_UNKNOWN_OPTION, "--bogus", "--bogus"},
    };
    for (const auto& c : cases) {
        CArgumentParser parser = MakeParser();
        EXPECT_FALSE(parser.Parse(Split(c.pszArgs))) << c.pszArgs;
        EXPECT_EQ(parser.Error(), c.eError) << c.pszArgs;
        EXPECT_EQ(parser.ErrorArgument(), QString::fromUtf8(c.pszArgument)) << c.pszArgs;
        EXPECT_EQ(parser.ErrorOption(), QString::fromUtf8(c.pszOption)) << c.pszArgs;
    }
}

// Pass-through takes the declared options out and leaves everything else, in
// order, for the parser that comes next.
TEST(ArgumentParser, PassThroughLeavesTheRestInOrder)
{
    const struct
    {
        const char* pszArgs;
        const char* pszPositional;
        const char* pszOutput;
    } cases[] = {
        {"download --output t.log R F --range 1-2", "download R F --range 1-2", "t.log"},
        {"--range=1-2 -- --output x y", "--range=1-2 -- y", "x"},
        {"--json=1 a", "--json=1 a", ""},
    };
    for (const auto& c : cases) {
        CArgumentParser parser = MakeParser(true);
        ASSERT_TRUE(parser.Parse(Split(c.pszArgs))) << c.pszArgs;
        EXPECT_EQ(parser.Positional(), Split(c.pszPositional)) << c.pszArgs;
        EXPECT_EQ(parser.Value(QStringLiteral("--output")), QString::fromUtf8(c.pszOutput)) << c.pszArgs;
        EXPECT_FALSE(parser.IsSet(QStringLiteral("--json"))) << c.pszArgs;
    }
    CArgumentParser parser = MakeParser(true);
    EXPECT_FALSE(parser.Parse(Split("a --output")));
    EXPECT_EQ(parser.Error(), CArgumentParser::ERROR_MISSING_VALUE);
}

// The help text is read by people and by the man page script: one item per
// option, descriptions in one column, nothing wider than 79 characters, and
// every word of every description kept.
TEST(ArgumentParser, HelpTextColumns)
{
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("-h"), QStringLiteral("--help")}, QString(),
                     QStringLiteral("Shows this."));
    parser.AddOption({QStringLiteral("--silent-after")}, QStringLiteral("N"),
                     QStringLiteral("Stop answering after N command lines, counted from the start of the "
                                    "session, and never answer again until the program is started anew."));
    parser.AddOption({QStringLiteral("--pty")});
    const QStringList lines = parser.OptionsHelp().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines.last(), QString()); // ends with a line feed
    const int nColumn = static_cast<int>(QStringLiteral("  --silent-after <N>  ").size());
    EXPECT_EQ(lines.at(0), QStringLiteral("  -h, --help") + QString(nColumn - 12, QLatin1Char(' ')) +
                               QStringLiteral("Shows this."));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("  --silent-after <N>  Stop answering")));
    QString strWords;
    int nLine = 1;
    for (; lines.at(nLine) != QLatin1String("  --pty"); ++nLine) {
        const QString& strLine = lines.at(nLine);
        EXPECT_LE(strLine.size(), 79) << qPrintable(strLine);
        EXPECT_FALSE(strLine.endsWith(QLatin1Char(' '))) << qPrintable(strLine);
        // Continuation lines start in the description column.
        if (nLine > 1) {
            EXPECT_TRUE(strLine.left(nColumn).trimmed().isEmpty() && strLine.at(nColumn) != QLatin1Char(' '))
                << qPrintable(strLine);
        }
        strWords += QLatin1Char(' ') + strLine.mid(nColumn);
        ASSERT_LT(nLine + 1, lines.size());
    }
    EXPECT_GE(nLine, 3); // the long description was wrapped
    EXPECT_EQ(strWords.simplified(),
              QStringLiteral("Stop answering after N command lines, counted from the start of "
                             "the session, and never answer again until the program is "
                             "started anew."));
}

} // namespace
