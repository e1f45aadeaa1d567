#include "cli/TextFormatArgs.h"

#include "resources/StringTable.h"

bool ParseTextFormat(const CLICOMMAND& command, const std::map<QString, QString>& options,
                     const QString& strPath, CMemoryTextFile::EFormat& eFormat)
{
    const auto it = options.find(QStringLiteral("--format"));
    const QString strFormat = it != options.end() ? it->second.toLower()
                              : strPath.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                  ? QStringLiteral("csv")
                                  : QStringLiteral("json");
    if (strFormat == QLatin1String("json")) {
        eFormat = CMemoryTextFile::FORMAT_JSON;
        return true;
    }
    if (strFormat == QLatin1String("csv")) {
        eFormat = CMemoryTextFile::FORMAT_CSV;
        return true;
    }
    CliUsageError(command, LoadResString(2944).arg(it->second));
    return false;
}
