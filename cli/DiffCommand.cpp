#include "cli/CliCommand.h"
#include "cli/MemoryFileArgs.h"

#include "model/StoreMemComparison.h"
#include "model/XmlDocData.h"
#include "resources/StringTable.h"

namespace {

int RunDiff(const QStringList& args);

const CLICOMMAND s_Diff{"diff", 2104, 2105, RunDiff};
VAULTLINE_CLI_COMMAND(s_Diff);

int RunDiff(const QStringList& args)
{
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(s_Diff, args, {}, 2, positional, options))
        return CLI_EXIT_USAGE;
    CXmlDocData dataA;
    CXmlDocData dataB;
    if (!LoadMemoryFile(dataA, positional.at(0)) || !LoadMemoryFile(dataB, positional.at(1)))
        return CLI_EXIT_FILE;

    int nValues = 0;
    int nMemories = 0;
    for (int i = 0; i < dataA.GetContainer().GetCount(); ++i) {
        const std::vector<STOREMEMDIFFERENCE> differences = CompareStoreMem(
            *dataA.GetContainer().GetAt(i), *dataB.GetContainer().GetAt(i), EStoreMemCompare::Exact);
        if (differences.empty())
            continue;
        PrintDifferences(i, differences);
        nValues += static_cast<int>(differences.size());
        ++nMemories;
    }
    if (nMemories == 0) {
        CliPrintError(LoadResString(2112));
        return CLI_EXIT_OK;
    }
    CliPrintError(LoadResString(2113).arg(nValues).arg(nMemories));
    return CLI_EXIT_DIFFERENT;
}

} // namespace
