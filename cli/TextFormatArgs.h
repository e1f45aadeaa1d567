#pragma once

#include "cli/CliCommand.h"
#include "model/MemoryTextFile.h"

#include <QString>
#include <map>

// The --format option of export and import: json or csv; without it, a path
// ending in .csv means CSV and anything else JSON.
bool ParseTextFormat(const CLICOMMAND& command, const std::map<QString, QString>& options,
                     const QString& strPath, CMemoryTextFile::EFormat& eFormat);
