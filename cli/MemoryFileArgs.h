#pragma once

#include "cli/CliCommand.h"

#include <QString>
#include <QStringList>
#include <map>
#include <vector>

class CXmlDocData;
struct STOREMEMDIFFERENCE;

// What the memory-file commands (show, copy, diff) share: their argument
// splitting, store-memory numbers, and loading and saving with the program's
// messages IDS_FILE_NOT_READ and IDS_FILE_NOT_WRITTEN.

// Splits args into positional arguments and "--name value" (or "--name=value")
// options; only the names in valueOptions are known, and "--" ends them. False (after a usage message) on an
// unknown option, a missing value, or a positional count other than nPositional.
bool SplitArguments(const CLICOMMAND& command, const QStringList& args, const QStringList& valueOptions,
                    int nPositional, QStringList& positional, std::map<QString, QString>& options);

// A store-memory number 0 to 99; false (after a usage message) otherwise.
bool ParseMemoryNumber(const CLICOMMAND& command, const QString& strText, int& nMemory);

// Resets the data and loads the file ("-": standard input); on failure prints IDS_FILE_NOT_READ with the
// path as given, and the reason, and returns false.
bool LoadMemoryFile(CXmlDocData& data, const QString& strPath);
// Saves ("-": standard output); on failure prints IDS_FILE_NOT_WRITTEN with the path as given, and the
// reason.
bool SaveMemoryFile(CXmlDocData& data, const QString& strPath);

// "Memory N", then one line per differing value on standard output: a tab, the
// field, the first value and the second, separated by tabs; a memo longer
// than the instrument keeps gets a fourth column that says so.
void PrintDifferences(int nMemory, const std::vector<STOREMEMDIFFERENCE>& differences);
