#include "platform/args/ArgumentParser.h"

#include <algorithm>

void CArgumentParser::AddOption(const QStringList& names, const QString& strValueName,
                                const QString& strDescription)
{
    OPTION option;
    option.names = names;
    option.strValueName = strValueName;
    option.strDescription = strDescription;
    m_Options.push_back(option);
}

CArgumentParser::OPTION* CArgumentParser::FindOption(const QString& strName)
{
    for (OPTION& option : m_Options) {
        if (option.names.contains(strName))
            return &option;
    }
    return nullptr;
}

const CArgumentParser::OPTION* CArgumentParser::FindOption(const QString& strName) const
{
    return const_cast<CArgumentParser*>(this)->FindOption(strName);
}

bool CArgumentParser::Fail(EError eError, const QString& strArgument, const QString& strOption)
{
    m_eError = eError;
    m_strErrorArgument = strArgument;
    m_strErrorOption = strOption;
    return false;
}

bool CArgumentParser::Parse(const QStringList& args)
{
    bool bOptionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& strArg = args.at(i);
        if (bOptionsEnded) {
            m_Positional.append(strArg);
            continue;
        }
        if (strArg == QLatin1String("--") && !m_bPassThrough) {
            bOptionsEnded = true;
            continue;
        }
        const bool bLong = strArg.startsWith(QLatin1String("--")) && strArg.size() > 2;
        const int nEquals = bLong ? strArg.indexOf(QLatin1Char('=')) : -1;
        const QString strName = nEquals >= 0 ? strArg.left(nEquals) : strArg;
        OPTION* pOption = bLong || strArg.startsWith(QLatin1Char('-')) ? FindOption(strName) : nullptr;
        if (!pOption) {
            if (bLong && !m_bPassThrough)
                return Fail(ERROR_UNKNOWN_OPTION, strArg, strName);
            m_Positional.append(strArg);
            continue;
        }
        if (pOption->strValueName.isEmpty() && nEquals >= 0) {
            if (!m_bPassThrough)
                return Fail(ERROR_UNEXPECTED_VALUE, strArg, strName);
            m_Positional.append(strArg);
            continue;
        }
        pOption->bSet = true;
        if (pOption->strValueName.isEmpty())
            continue;
        if (nEquals >= 0) {
            pOption->values.append(strArg.mid(nEquals + 1));
        } else if (i + 1 < args.size()) {
            pOption->values.append(args.at(++i));
        } else {
            return Fail(ERROR_MISSING_VALUE, strArg, strName);
        }
    }
    return true;
}

bool CArgumentParser::IsSet(const QString& strName) const
{
    const OPTION* pOption = FindOption(strName);
    return pOption && pOption->bSet;
}

QString CArgumentParser::Value(const QString& strName) const
{
    const OPTION* pOption = FindOption(strName);
    return pOption && !pOption->values.isEmpty() ? pOption->values.last() : QString();
}

QStringList CArgumentParser::Values(const QString& strName) const
{
    const OPTION* pOption = FindOption(strName);
    return pOption ? pOption->values : QStringList();
}

QString CArgumentParser::OptionsHelp() const
{
    const int WIDTH = 79;
    QStringList terms;
    int nTermWidth = 0;
    for (const OPTION& option : m_Options) {
        QString strTerm = option.names.join(QLatin1String(", "));
        if (!option.strValueName.isEmpty())
            strTerm += QStringLiteral(" <%1>").arg(option.strValueName);
        nTermWidth = std::max(nTermWidth, static_cast<int>(strTerm.size()));
        terms.append(strTerm);
    }
    // Two spaces of indent, the terms, two spaces, then the descriptions.
    const int nIndent = 2 + nTermWidth + 2;
    const int nTextWidth = std::max(20, WIDTH - nIndent);
    QString strHelp;
    for (size_t i = 0; i < m_Options.size(); ++i) {
        QString strLine = QStringLiteral("  ") + terms.at(static_cast<int>(i)).leftJustified(nTermWidth + 2);
        int nColumn = 0;
        for (const QString& strWord :
             m_Options[i].strDescription.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (nColumn > 0 && nColumn + 1 + strWord.size() > nTextWidth) {
                strHelp += strLine + QLatin1Char('\n');
                strLine = QString(nIndent, QLatin1Char(' '));
                nColumn = 0;
            }
            if (nColumn > 0) {
                strLine += QLatin1Char(' ');
                ++nColumn;
            }
            strLine += strWord;
            nColumn += static_cast<int>(strWord.size());
        }
        while (strLine.endsWith(QLatin1Char(' ')))
            strLine.chop(1);
        strHelp += strLine + QLatin1Char('\n');
    }
    return strHelp;
}
