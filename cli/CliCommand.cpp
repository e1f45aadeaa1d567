#include "cli/CliCommand.h"

#include "platform/args/ArgumentParser.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QTextStream>
#include <cstdio>

// Messages and results carry names and texts from files, the environment and
// instruments; none of them may reach a terminal as a control sequence.
void CliPrintError(const QString& strMessage)
{
    const QByteArray bytes =
        (EscapeControlCharacters(strMessage, QStringLiteral("\n\t")) + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

void CliPrint(const QString& strLine)
{
    const QByteArray bytes =
        (EscapeControlCharacters(strLine, QStringLiteral("\n\t")) + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

int CliUsageError(const CLICOMMAND& command, const QString& strWhy)
{
    CliPrintError(QStringLiteral("vaultline-cli %1: %2").arg(QLatin1String(command.pszName), strWhy));
    CliPrintError(LoadResString(IDS_CLI_USAGE_OF_COMMAND).arg(LoadResString(command.nUsageId)));
    return CLI_EXIT_USAGE;
}

int CliOptionError(const CLICOMMAND& command, const CArgumentParser& parser)
{
    if (parser.Error() == CArgumentParser::ERROR_MISSING_VALUE)
        return CliUsageError(command, LoadResString(IDS_CLI_OPTION_NEEDS_VALUE).arg(parser.ErrorOption()));
    return CliUsageError(command, LoadResString(IDS_CLI_UNKNOWN_OPTION).arg(parser.ErrorArgument()));
}
