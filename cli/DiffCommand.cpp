#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/JsonOutput.h"
#include "cli/MemoryFileArgs.h"

#include "model/StoreMemComparison.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonArray>

int RunDiff(const CLICOMMAND& command, const QStringList& argsGiven)
{
    QStringList args = argsGiven;
    const bool bJson = TakeJsonSwitch(args);
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(command, args, {}, 2, positional, options))
        return CLI_EXIT_USAGE;
    CXmlDocData dataA;
    CXmlDocData dataB;
    if (!LoadMemoryFile(dataA, positional.at(0)) || !LoadMemoryFile(dataB, positional.at(1)))
        return CLI_EXIT_FILE;

    int nValues = 0;
    int nMemories = 0;
    QJsonArray array;
    for (int i = 0; i < dataA.GetContainer().GetCount(); ++i) {
        const std::vector<STOREMEMDIFFERENCE> differences = CompareStoreMem(
            *dataA.GetContainer().GetAt(i), *dataB.GetContainer().GetAt(i), EStoreMemCompare::Exact);
        if (differences.empty())
            continue;
        if (bJson) {
            for (const STOREMEMDIFFERENCE& d : differences)
                array.append(DifferenceJson(i, d, QStringLiteral("A"), QStringLiteral("B")));
        } else {
            PrintDifferences(i, differences);
        }
        nValues += static_cast<int>(differences.size());
        ++nMemories;
    }
    if (bJson)
        CliPrintJson(array);
    if (nMemories == 0) {
        CliPrintError(LoadResString(IDS_CLI_FILES_SAME));
        return CLI_EXIT_OK;
    }
    CliPrintError(LoadResString(IDS_CLI_FILES_DIFFER).arg(nValues).arg(nMemories));
    return CLI_EXIT_DIFFERENT;
}
