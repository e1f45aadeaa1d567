#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/MemoryFileArgs.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

// Copy of SOURCE, then Paste As Overwrite onto TARGET: the whole record,
// memo and A/B/C memories included, then a save.
int RunCopy(const CLICOMMAND& command, const QStringList& args)
{
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(command, args, {QStringLiteral("--output")}, 3, positional, options))
        return CLI_EXIT_USAGE;
    int nSource = 0;
    int nTarget = 0;
    if (!ParseMemoryNumber(command, positional.at(1), nSource) ||
        !ParseMemoryNumber(command, positional.at(2), nTarget))
        return CLI_EXIT_USAGE;
    const QString strOutput =
        options.count(QStringLiteral("--output")) ? options[QStringLiteral("--output")] : positional.at(0);

    CXmlDocData data;
    if (!LoadMemoryFile(data, positional.at(0)))
        return CLI_EXIT_FILE;
    CStoreMemContainer& memories = data.GetContainer();
    *memories.GetAt(nTarget) = *memories.GetAt(nSource);
    if (!SaveMemoryFile(data, strOutput))
        return CLI_EXIT_FILE;
    CliPrintError(LoadResString(IDS_CLI_MEMORY_COPIED).arg(nSource).arg(nTarget).arg(strOutput));
    return CLI_EXIT_OK;
}
