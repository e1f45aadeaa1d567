#pragma once

#include <QStringList>

class CArgumentParser;

// Exit codes of vaultline-cli; scripts rely on them.
enum ECliExit
{
    CLI_EXIT_OK = 0,
    CLI_EXIT_DIFFERENT = 1,
    CLI_EXIT_PROBLEMS = 1, // doctor found something wrong
    CLI_EXIT_USAGE = 2,
    CLI_EXIT_FILE = 3,
    CLI_EXIT_WRONG_MODEL = 4,
    CLI_EXIT_VISA = 5,
    CLI_EXIT_INSTRUMENT = 6,
    CLI_EXIT_REFUSED = 7, // an upload the instrument cannot take whole; nothing was sent
    CLI_EXIT_CANCELLED = 130,
};

// One subcommand of vaultline-cli, an entry of the table in CliCommands.cpp;
// the texts are string-table ids.
struct CLICOMMAND
{
    const char* pszName;
    unsigned nUsageId;   // "NAME ARGS..." line
    unsigned nSummaryId; // one line for --help
    // args are those after the command name; command is this entry, for its usage line.
    int (*pfnRun)(const CLICOMMAND& command, const QStringList& args);
};

// Messages go to standard error, results to standard output.
void CliPrintError(const QString& strMessage);
void CliPrint(const QString& strLine);
// Reports a usage error for the command (its usage line) and returns CLI_EXIT_USAGE.
int CliUsageError(const CLICOMMAND& command, const QString& strWhy);
// Reports, as a usage error, the option the parser refused: unknown, or without its value.
int CliOptionError(const CLICOMMAND& command, const CArgumentParser& parser);
