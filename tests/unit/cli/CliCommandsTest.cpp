#include "cli/CliCommands.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace {

struct CLIRUN
{
    int nExit = -1;
    QString strOut;
    QString strErr;
};

// Runs the program in this process with standard output and error caught in
// files, as a shell would see them.
CLIRUN RunCli(const QStringList& args)
{
    QTemporaryFile out;
    QTemporaryFile err;
    CLIRUN run;
    if (!out.open() || !err.open())
        return run;
    std::fflush(stdout);
    std::fflush(stderr);
    const int nOldOut = dup(STDOUT_FILENO);
    const int nOldErr = dup(STDERR_FILENO);
    dup2(out.handle(), STDOUT_FILENO);
    dup2(err.handle(), STDERR_FILENO);
    run.nExit = CCliCommands::Run(args, QStringLiteral("1.2.3.4"));
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(nOldOut, STDOUT_FILENO);
    dup2(nOldErr, STDERR_FILENO);
    close(nOldOut);
    close(nOldErr);
    out.seek(0);
    err.seek(0);
    run.strOut = QString::fromUtf8(out.readAll());
    run.strErr = QString::fromUtf8(err.readAll());
    return run;
}

QString Name(const CLICOMMAND& c)
{
    return QString::fromLatin1(c.pszName);
}

// The table: what --help lists and what a mistyped table entry would break.
TEST(CliCommandTable, NamesAreUniqueAndInTheOrderHelpListsThem)
{
    const std::vector<CLICOMMAND>& commands = CCliCommands::All();
    ASSERT_FALSE(commands.empty());
    for (size_t i = 1; i < commands.size(); ++i)
        EXPECT_LT(qstrcmp(commands[i - 1].pszName, commands[i].pszName), 0)
            << commands[i - 1].pszName << " before " << commands[i].pszName;
    for (const CLICOMMAND& c : commands) {
        ASSERT_NE(CCliCommands::Find(Name(c)), nullptr) << c.pszName;
        EXPECT_EQ(CCliCommands::Find(Name(c)), &c) << c.pszName;
        EXPECT_NE(c.pfnRun, nullptr) << c.pszName;
    }
    EXPECT_EQ(CCliCommands::Find(QStringLiteral("Show")), nullptr);
    EXPECT_EQ(CCliCommands::Find(QString()), nullptr);
}

TEST(CliCommandTable, EveryCommandHasItsOwnUsageAndSummary)
{
    QSet<QString> summaries;
    QSet<const void*> runs;
    for (const CLICOMMAND& c : CCliCommands::All()) {
        const QString strUsage = LoadResString(c.nUsageId);
        const QString strSummary = LoadResString(c.nSummaryId);
        // The usage line names the command it belongs to.
        EXPECT_TRUE(strUsage == Name(c) || strUsage.startsWith(Name(c) + QLatin1Char(' ')))
            << c.pszName << ": " << qPrintable(strUsage);
        EXPECT_FALSE(strSummary.trimmed().isEmpty()) << c.pszName;
        EXPECT_NE(strSummary, strUsage) << c.pszName;
        EXPECT_FALSE(summaries.contains(strSummary)) << c.pszName << " repeats a summary";
        summaries.insert(strSummary);
        EXPECT_FALSE(runs.contains(reinterpret_cast<const void*>(c.pfnRun)))
            << c.pszName << " repeats a command";
        runs.insert(reinterpret_cast<const void*>(c.pfnRun));
    }
}

// Asking a command for help prints its two lines and runs nothing, wherever
// the switch stands.
TEST(CliCommandTable, EveryCommandAnswersHelp)
{
    const QList<QStringList> forms = {{QStringLiteral("--help")},
                                      {QStringLiteral("-h")},
                                      {QStringLiteral("nonexistent.xMem"), QStringLiteral("--help")}};
    for (const CLICOMMAND& c : CCliCommands::All()) {
        for (const QStringList& form : forms) {
            const CLIRUN run = RunCli(QStringList{Name(c)} + form);
            EXPECT_EQ(run.nExit, CLI_EXIT_OK) << c.pszName << " " << qPrintable(form.join(' '));
            EXPECT_EQ(run.strOut, CCliCommands::CommandHelp(c) + QLatin1Char('\n')) << c.pszName;
            EXPECT_TRUE(run.strErr.isEmpty()) << c.pszName << ": " << qPrintable(run.strErr);
        }
        EXPECT_TRUE(CCliCommands::CommandHelp(c).startsWith(QStringLiteral("vaultline-cli ") + Name(c)));
    }
}

// An option no command knows is a usage error whose last line is the usage of
// the command that was asked for: the table hands each command its own entry.
TEST(CliCommandTable, UsageErrorsNameTheCommandGiven)
{
    for (const CLICOMMAND& c : CCliCommands::All()) {
        const CLIRUN run = RunCli({Name(c), QStringLiteral("--no-such-option")});
        EXPECT_EQ(run.nExit, CLI_EXIT_USAGE) << c.pszName;
        EXPECT_TRUE(run.strErr.endsWith(
            LoadResString(IDS_CLI_USAGE_OF_COMMAND).arg(LoadResString(c.nUsageId)) + QLatin1Char('\n')))
            << c.pszName << ": " << qPrintable(run.strErr);
        EXPECT_TRUE(run.strOut.isEmpty()) << c.pszName;
    }
}

TEST(CliProgram, HelpListsEveryCommandOnceInTableOrder)
{
    const CLIRUN run = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(run.nExit, CLI_EXIT_OK);
    qsizetype nAt = 0;
    for (const CLICOMMAND& c : CCliCommands::All()) {
        const QString strLine = QStringLiteral("\n  vaultline-cli %1\n      %2\n")
                                    .arg(LoadResString(c.nUsageId), LoadResString(c.nSummaryId));
        const qsizetype nFound = run.strOut.indexOf(strLine, nAt);
        EXPECT_GE(nFound, nAt) << c.pszName;
        EXPECT_EQ(run.strOut.count(strLine), 1) << c.pszName;
        nAt = std::max(nAt, nFound);
    }
    // Without a command the same text is a usage error.
    const CLIRUN none = RunCli({});
    EXPECT_EQ(none.nExit, CLI_EXIT_USAGE);
    EXPECT_EQ(none.strOut, run.strOut);
}

TEST(CliProgram, VersionAndUnknownCommands)
{
    const struct
    {
        QStringList args;
        int nExit;
        const char* pszOut;
        const char* pszErr;
    } cases[] = {
        {{QStringLiteral("--version")}, CLI_EXIT_OK, "vaultline-cli 1.2.3.4\n", ""},
        {{QStringLiteral("frobnicate")},
         CLI_EXIT_USAGE,
         "",
         "vaultline-cli: unknown command 'frobnicate'. Run 'vaultline-cli --help' for the list of "
         "commands.\n"},
        // A command is matched by its whole name only.
        {{QStringLiteral("dow")},
         CLI_EXIT_USAGE,
         "",
         "vaultline-cli: unknown command 'dow'. Run 'vaultline-cli --help' for the list of commands.\n"},
        {{QStringLiteral("--log")}, CLI_EXIT_USAGE, "", "vaultline-cli: --log needs a file name.\n"},
    };
    for (const auto& c : cases) {
        const CLIRUN run = RunCli(c.args);
        EXPECT_EQ(run.nExit, c.nExit) << qPrintable(c.args.join(' '));
        EXPECT_EQ(run.strOut, QString::fromUtf8(c.pszOut)) << qPrintable(c.args.join(' '));
        EXPECT_EQ(run.strErr, QString::fromUtf8(c.pszErr)) << qPrintable(c.args.join(' '));
    }
}

} // namespace
