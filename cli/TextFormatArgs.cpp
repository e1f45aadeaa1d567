#include "cli/TextFormatArgs.h"
#include "cli/MemoryFileArgs.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <map>

bool ParseTextFileArguments(const CLICOMMAND& command, const QStringList& args, bool bImport, TEXTFILEARGS& a)
{
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(command, args, {QStringLiteral("--format"), QStringLiteral("--output")}, 1,
                        positional, options))
        return false;
    a.strInput = positional.at(0);
    const auto output = options.find(QStringLiteral("--output"));
    if (output != options.end()) {
        a.strOutput = output->second;
    } else if (bImport) {
        CliUsageError(command, LoadResString(IDS_CLI_OPTION_NEEDS_VALUE).arg(QStringLiteral("--output")));
        return false;
    } else {
        a.strOutput = QStringLiteral("-");
    }

    const QString& strTextFile = bImport ? a.strInput : a.strOutput;
    const auto format = options.find(QStringLiteral("--format"));
    const QString strFormat = format != options.end() ? format->second.toLower()
                              : strTextFile.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                  ? QStringLiteral("csv")
                                  : QStringLiteral("json");
    if (strFormat == QLatin1String("json")) {
        a.eFormat = CMemoryTextFile::FORMAT_JSON;
        return true;
    }
    if (strFormat == QLatin1String("csv")) {
        a.eFormat = CMemoryTextFile::FORMAT_CSV;
        return true;
    }
    CliUsageError(command, LoadResString(IDS_CLI_NOT_A_FORMAT).arg(format->second));
    return false;
}
