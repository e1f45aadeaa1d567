#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/JsonOutput.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "platform/visa/ResourceManagerFactory.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonObject>

namespace {

// A DXR9K answers with a serial number of at least this many characters.
constexpr int MIN_SERIAL_LENGTH = 8;

void PrintField(unsigned nLabelId, const QString& strValue)
{
    CliPrint(QStringLiteral("%1: %2").arg(LoadResString(nLabelId), strValue));
}

} // namespace

int RunIdentify(const CLICOMMAND& command, const QStringList& argsGiven)
{
    QStringList args = argsGiven;
    const bool bJson = TakeJsonSwitch(args);
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-')))
        return CliUsageError(command, args.isEmpty()
                                          ? LoadResString(IDS_CLI_RESOURCE_MISSING)
                                          : LoadResString(IDS_CLI_EXPECTED_ONE_RESOURCE).arg(args.join(' ')));
    const QString& strResource = args.first();

    std::shared_ptr<IResourceManager> pResourceManager = CreateResourceManager();
    QString strManufacturer, strModel, strSerial, strFirmware;
    std::uint16_t wVersion = 0;
    try {
        CDxr dxr;
        dxr.Open(pResourceManager, strResource);
        wVersion = dxr.m_wVersion;
        if (wVersion != 0)
            dxr.GetIdentity(strManufacturer, strModel, strSerial, strFirmware);
    } catch (const _com_error& e) {
        QString strMessage = LoadResString(IDS_CLI_IDENTIFY_FAILED).arg(strResource, e.ErrorMessage());
        if (e.Error() == Visa::VI_ERROR_TMO)
            strMessage += QLatin1Char('\n') + LoadResString(IDS_CLI_NO_ANSWER_HINT);
        else if (!pResourceManager)
            strMessage += QLatin1Char('\n') + LoadResString(IDS_CLI_NO_RESOURCE_MANAGER);
        CliPrintError(strMessage);
        return CLI_EXIT_VISA;
    } catch (const CScpiException& e) {
        CliPrintError(e.GetReport().trimmed());
        return CLI_EXIT_INSTRUMENT;
    }

    if (wVersion == 0 || strSerial.size() < MIN_SERIAL_LENGTH) {
        CliPrintError(LoadResString(IDS_WRONG_MODEL));
        if (wVersion != 0)
            CliPrintError(
                LoadResString(IDS_CLI_IDENTIFIED_AS).arg(strManufacturer, strModel, strSerial, strFirmware));
        return CLI_EXIT_WRONG_MODEL;
    }

    const QString strVersion = QStringLiteral("%1.%2 (0x%3)")
                                   .arg(wVersion >> 8)
                                   .arg(wVersion & 0xFF, 2, 10, QLatin1Char('0'))
                                   .arg(wVersion, 4, 16, QLatin1Char('0'));
    if (bJson) {
        CliPrintJson(QJsonObject{{QStringLiteral("Manufacturer"), strManufacturer},
                                 {QStringLiteral("Model"), strModel},
                                 {QStringLiteral("Serial"), strSerial},
                                 {QStringLiteral("Firmware"), strFirmware},
                                 {QStringLiteral("Version"), strVersion}});
        return CLI_EXIT_OK;
    }
    PrintField(IDS_IDENTIFY_MANUFACTURER, strManufacturer);
    PrintField(IDS_IDENTIFY_MODEL, strModel);
    PrintField(IDS_IDENTIFY_SERIAL, strSerial);
    PrintField(IDS_IDENTIFY_FIRMWARE, strFirmware);
    PrintField(IDS_IDENTIFY_FIRMWARE_VERSION, strVersion);
    return CLI_EXIT_OK;
}
