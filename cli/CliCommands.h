#pragma once

#include "cli/CliCommand.h"

#include <QString>
#include <QStringList>
#include <vector>

// The commands of vaultline-cli in one table, and the program over it: the
// executable is main() around CCliCommands::Run, so tests link the same code.
class CCliCommands
{
public:
    // Every command, in the order of their names (the order --help lists them in).
    static const std::vector<CLICOMMAND>& All();
    static const CLICOMMAND* Find(const QString& strName);
    // The lines "vaultline-cli COMMAND --help" prints.
    static QString CommandHelp(const CLICOMMAND& command);
    // Runs vaultline-cli with the arguments after the program name; returns its exit code.
    static int Run(QStringList args, const QString& strVersion);
};

// The commands, each in a source file of its own.
int RunBackup(const CLICOMMAND& command, const QStringList& args);
int RunCopy(const CLICOMMAND& command, const QStringList& args);
int RunDiff(const CLICOMMAND& command, const QStringList& args);
int RunDoctor(const CLICOMMAND& command, const QStringList& args);
int RunDownload(const CLICOMMAND& command, const QStringList& args);
int RunExport(const CLICOMMAND& command, const QStringList& args);
int RunIdentify(const CLICOMMAND& command, const QStringList& args);
int RunImport(const CLICOMMAND& command, const QStringList& args);
int RunList(const CLICOMMAND& command, const QStringList& args);
int RunRestore(const CLICOMMAND& command, const QStringList& args);
int RunShow(const CLICOMMAND& command, const QStringList& args);
int RunUpload(const CLICOMMAND& command, const QStringList& args);
int RunVerify(const CLICOMMAND& command, const QStringList& args);
