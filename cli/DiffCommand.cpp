#include "cli/CliCommand.h"
#include "cli/MemoryFileArgs.h"

#include "model/StoreMemFields.h"
#include "model/XmlDocData.h"
#include "resources/StringTable.h"
#include "xmlfile/XmlText.h"

#include <cmath>

namespace {

int RunDiff(const QStringList& args);

const CLICOMMAND s_Diff{"diff", 2104, 2105, RunDiff};
VAULTLINE_CLI_COMMAND(s_Diff);

bool SameFloat(float a, float b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// The two values as the file writes them, or with every digit a float holds
// when the file's decimals would show them alike.
void AddFloatDifference(QStringList& lines, const QString& strName, float a, float b, int nPrecision)
{
    if (SameFloat(a, b))
        return;
    QString strA = QString::fromStdString(XmlText::FormatFixed(static_cast<double>(a), nPrecision));
    QString strB = QString::fromStdString(XmlText::FormatFixed(static_cast<double>(b), nPrecision));
    if (strA == strB) {
        strA = QString::number(static_cast<double>(a), 'g', 9);
        strB = QString::number(static_cast<double>(b), 'g', 9);
    }
    lines.append(strName + QLatin1Char('\t') + strA + QLatin1Char('\t') + strB);
}

// One line per differing value: its element name in the file and the two values.
QStringList Differences(const STOREMEM& a, const STOREMEM& b)
{
    QStringList lines;
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        const QString strName = QString::fromLatin1(f.pszName);
        switch (f.kind) {
        case FIELD_TEXT:
            // An absent text and an empty one are the same to every reader.
            if (a.*f.pText != b.*f.pText && !((a.*f.pText).isEmpty() && (b.*f.pText).isEmpty()))
                lines.append(strName + QLatin1Char('\t') + EscapeForLine(a.*f.pText) + QLatin1Char('\t') +
                             EscapeForLine(b.*f.pText));
            break;
        case FIELD_FLOAT:
            AddFloatDifference(lines, strName, a.*f.pFloat, b.*f.pFloat, f.nPrecision);
            break;
        case FIELD_COUNTTIME:
        case FIELD_RESPONSE:
            if (a.*f.pInt != b.*f.pInt)
                lines.append(strName + QLatin1Char('\t') + QString::number(a.*f.pInt) + QLatin1Char('\t') +
                             QString::number(b.*f.pInt));
            break;
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            AddFloatDifference(
                lines, QStringLiteral("%1/%2").arg(QLatin1String(g_AbcMemNames[i]), QLatin1String(f.pszName)),
                a.Abc[i].*f.pField, b.Abc[i].*f.pField, f.nPrecision);
    }
    return lines;
}

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
        const QStringList lines = Differences(*dataA.GetContainer().GetAt(i), *dataB.GetContainer().GetAt(i));
        if (lines.isEmpty())
            continue;
        CliPrint(LoadResString(2106).arg(i));
        for (const QString& str : lines)
            CliPrint(QLatin1Char('\t') + str);
        nValues += lines.size();
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
