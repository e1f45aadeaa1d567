#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/JsonOutput.h"
#include "cli/MemoryFileArgs.h"

#include "model/MemoryRows.h"
#include "model/StoreMemComparison.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

void PrintMemory(const STOREMEM& m)
{
    const MEMORYROW* pRows = MemoryRows();
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r) {
        QStringList cells;
        for (const MEMORYCELL& cell : pRows[r].cells)
            cells.append(EscapeForLine(MemoryCellText(cell, m, NumberFormatter())));
        CliPrint(cells.join(QLatin1Char('\t')));
    }
}

// The same rows and cells as text, the cells unescaped.
QJsonValue MemoryJson(int nMemory, const STOREMEM& m)
{
    const MEMORYROW* pRows = MemoryRows();
    QJsonArray rows;
    for (int r = 0; r < MEMORY_ROW_COUNT; ++r) {
        QJsonArray cells;
        for (const MEMORYCELL& cell : pRows[r].cells)
            cells.append(MemoryCellText(cell, m, NumberFormatter()));
        rows.append(cells);
    }
    return QJsonObject{{QStringLiteral("Memory"), nMemory}, {QStringLiteral("Rows"), rows}};
}

} // namespace

int RunShow(const CLICOMMAND& command, const QStringList& argsGiven)
{
    QStringList args = argsGiven;
    const bool bJson = TakeJsonSwitch(args);
    QStringList positional;
    std::map<QString, QString> options;
    if (!SplitArguments(command, args, {QStringLiteral("--memory")}, 1, positional, options))
        return CLI_EXIT_USAGE;
    int nOnly = -1;
    if (options.count(QStringLiteral("--memory")) &&
        !ParseMemoryNumber(command, options[QStringLiteral("--memory")], nOnly))
        return CLI_EXIT_USAGE;

    CXmlDocData data;
    if (!LoadMemoryFile(data, positional.at(0)))
        return CLI_EXIT_FILE;
    const CStoreMemContainer& memories = data.GetContainer();
    if (bJson) {
        QJsonArray array;
        for (int i = 0; i < memories.GetCount(); ++i) {
            if (nOnly < 0 || i == nOnly)
                array.append(MemoryJson(i, *memories.GetAt(i)));
        }
        CliPrintJson(array);
        return CLI_EXIT_OK;
    }
    if (nOnly >= 0) {
        PrintMemory(*memories.GetAt(nOnly));
        return CLI_EXIT_OK;
    }
    for (int i = 0; i < memories.GetCount(); ++i) {
        CliPrint(LoadResString(IDS_CLI_MEMORY_HEADING).arg(i));
        PrintMemory(*memories.GetAt(i));
    }
    return CLI_EXIT_OK;
}
