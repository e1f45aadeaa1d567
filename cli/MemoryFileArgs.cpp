#include "cli/MemoryFileArgs.h"
#include "cli/StandardStreams.h"

#include "instrument/StoreMemCommands.h"
#include "model/StoreMemComparison.h"
#include "model/XmlDocData.h"
#include "platform/args/ArgumentParser.h"
#include "platform/com/ComError.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "xmlfile/XmlFile.h"

bool SplitArguments(const CLICOMMAND& command, const QStringList& args, const QStringList& valueOptions,
                    int nPositional, QStringList& positional, std::map<QString, QString>& options)
{
    CArgumentParser parser;
    for (const QString& strOption : valueOptions)
        parser.AddOption({strOption}, QStringLiteral("VALUE"));
    if (!parser.Parse(args)) {
        CliOptionError(command, parser);
        return false;
    }
    positional = parser.Positional();
    for (const QString& strOption : valueOptions) {
        if (parser.IsSet(strOption))
            options[strOption] = parser.Value(strOption);
    }
    if (positional.size() != nPositional) {
        CliUsageError(command, LoadResString(IDS_CLI_EXPECTED_ARGS).arg(nPositional).arg(positional.size()));
        return false;
    }
    return true;
}

bool ParseMemoryNumber(const CLICOMMAND& command, const QString& strText, int& nMemory)
{
    bool bOk = false;
    nMemory = strText.trimmed().toInt(&bOk, 10);
    if (!bOk || nMemory < 0 || nMemory >= CXmlDocData::MEMORY_COUNT) {
        CliUsageError(command, LoadResString(IDS_CLI_NOT_A_MEMORY_NUMBER).arg(strText));
        return false;
    }
    return true;
}

bool LoadMemoryFile(CXmlDocData& data, const QString& strPath)
{
    data.Reset();
    if (IsStandardStream(strPath)) {
        QByteArray bytes;
        QString strError;
        if (ReadInputBytes(strPath, CXmlFile::MAX_FILE_SIZE, bytes, strError) && data.LoadFromBytes(bytes))
            return true;
        CliPrintError(FormatResString(IDS_FILE_NOT_READ, strPath));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(strError.isEmpty() ? data.GetLastError() : strError));
        return false;
    }
    if (data.Load(strPath))
        return true;
    CliPrintError(FormatResString(IDS_FILE_NOT_READ, strPath));
    if (!data.GetLastError().isEmpty())
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(data.GetLastError()));
    return false;
}

bool SaveMemoryFile(CXmlDocData& data, const QString& strPath)
{
    if (IsStandardStream(strPath)) {
        QString strError;
        try {
            if (WriteOutputBytes(strPath, data.ToBytes(), strError))
                return true;
        } catch (const _com_error& e) {
            strError = e.ErrorMessage();
        }
        CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, strPath));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(strError));
        return false;
    }
    if (data.Save(strPath))
        return true;
    CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, strPath));
    if (!data.GetLastError().isEmpty())
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(data.GetLastError()));
    return false;
}

void PrintDifferences(int nMemory, const std::vector<STOREMEMDIFFERENCE>& differences)
{
    CliPrint(LoadResString(IDS_CLI_MEMORY_HEADING).arg(nMemory));
    for (const STOREMEMDIFFERENCE& d : differences) {
        QString strLine = QLatin1Char('\t') + d.strField + QLatin1Char('\t') + EscapeForLine(d.strA) +
                          QLatin1Char('\t') + EscapeForLine(d.strB);
        if (d.bMemoTooLong)
            strLine +=
                QLatin1Char('\t') +
                LoadResString(IDS_MEMO_KEPT_SHORTER).arg(d.strA.size()).arg(StoreMemCommands::MEMO_LIMIT);
        CliPrint(strLine);
    }
}
