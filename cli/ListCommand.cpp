#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/JsonOutput.h"

#include "platform/visa/ResourceManagerFactory.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonArray>

int RunList(const CLICOMMAND& command, const QStringList& argsGiven)
{
    QStringList args = argsGiven;
    const bool bJson = TakeJsonSwitch(args);
    if (!args.isEmpty())
        return CliUsageError(command, LoadResString(IDS_CLI_UNEXPECTED_ARGUMENT).arg(args.first()));
    const std::shared_ptr<IResourceManager> pResourceManager = CreateResourceManager();
    if (!pResourceManager) {
        // Only a forced provider can leave no resource manager at all.
        CliPrintError(LoadResString(IDS_CLI_LIST_NO_RESOURCE_MANAGER)
                          .arg(qEnvironmentVariable("VAULTLINE_VISA_PROVIDER")));
        return CLI_EXIT_OK;
    }
    QStringList resources;
    try {
        resources = pResourceManager->FindRsrc(QStringLiteral("?*::INSTR"));
    } catch (const _com_error& e) {
        // VISA reports an empty search as a failure; that is an empty list.
        if (e.Error() != Visa::VI_ERROR_RSRC_NFOUND) {
            CliPrintError(LoadResString(IDS_CLI_LIST_FAILED).arg(e.ErrorMessage()));
            return CLI_EXIT_VISA;
        }
    }
    if (bJson) {
        CliPrintJson(QJsonArray::fromStringList(resources));
        return CLI_EXIT_OK;
    }
    for (const QString& strResource : resources)
        CliPrint(strResource);
    return CLI_EXIT_OK;
}
