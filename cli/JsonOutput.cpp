#include "cli/JsonOutput.h"

#include "cli/CliCommand.h"

#include "instrument/StoreMemCommands.h"
#include "model/StoreMemComparison.h"
#include "platform/args/ArgumentParser.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool TakeJsonSwitch(QStringList& args)
{
    // Wherever it stands; the other arguments are for the command's own parsing.
    CArgumentParser parser;
    parser.AddOption({QStringLiteral("--json")});
    parser.SetPassThrough(true);
    parser.Parse(args);
    args = parser.Positional();
    return parser.IsSet(QStringLiteral("--json"));
}

QJsonValue DifferenceJson(int nMemory, const STOREMEMDIFFERENCE& d, const QString& strA, const QString& strB)
{
    QJsonObject object{{QStringLiteral("Memory"), nMemory},
                       {QStringLiteral("Field"), d.strField},
                       {strA, d.strA},
                       {strB, d.strB}};
    if (d.bMemoTooLong)
        object.insert(
            QStringLiteral("Note"),
            LoadResString(IDS_MEMO_KEPT_SHORTER).arg(d.strA.size()).arg(StoreMemCommands::MEMO_LIMIT));
    return object;
}

void CliPrintJson(const QJsonValue& value)
{
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    CliPrint(QString::fromUtf8(doc.toJson(QJsonDocument::Indented)).trimmed());
}
