#pragma once

#include <QStringList>
#include <vector>

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

// One subcommand of vaultline-cli. Each lives in a source file of its own and
// registers itself with VAULTLINE_CLI_COMMAND; the texts are string-table ids.
struct CLICOMMAND
{
    const char* pszName;
    unsigned nUsageId;                      // "NAME ARGS..." line
    unsigned nSummaryId;                    // one line for --help
    int (*pfnRun)(const QStringList& args); // args after the command name
};

class CCliCommandRegistry
{
public:
    static bool Register(const CLICOMMAND& command);
    static const std::vector<CLICOMMAND>& All();
    static const CLICOMMAND* Find(const QString& strName);
};

#define VAULTLINE_CLI_COMMAND_CAT2(a, b) a##b
#define VAULTLINE_CLI_COMMAND_CAT(a, b) VAULTLINE_CLI_COMMAND_CAT2(a, b)
#define VAULTLINE_CLI_COMMAND(...)                                                                           \
    static const bool VAULTLINE_CLI_COMMAND_CAT(s_bRegistered, __LINE__) =                                   \
        CCliCommandRegistry::Register(CLICOMMAND{__VA_ARGS__})

// Messages go to standard error, results to standard output.
void CliPrintError(const QString& strMessage);
void CliPrint(const QString& strLine);
// Reports a usage error for the command (its usage line) and returns CLI_EXIT_USAGE.
int CliUsageError(const CLICOMMAND& command, const QString& strWhy);
