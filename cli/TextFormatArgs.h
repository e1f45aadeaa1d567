#pragma once

#include "cli/CliCommand.h"
#include "model/MemoryTextFile.h"

#include <QString>
#include <QStringList>

// The arguments of "export FILE [--output OUT] [--format F]" and
// "import TEXT --output OUT [--format F]".
struct TEXTFILEARGS
{
    QString strInput;
    // Export writes to standard output when --output is not given; import requires it.
    QString strOutput;
    CMemoryTextFile::EFormat eFormat = CMemoryTextFile::FORMAT_JSON;
};

// The format of the text file (export's output, import's input) is json or
// csv; without --format, a path ending in .csv means CSV and anything else
// JSON. False (after a usage message) on arguments that do not fit.
bool ParseTextFileArguments(const CLICOMMAND& command, const QStringList& args, bool bImport,
                            TEXTFILEARGS& a);
