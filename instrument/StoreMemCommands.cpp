#include "instrument/StoreMemCommands.h"

#include "instrument/ScpiReply.h"
#include "xmlfile/XmlText.h"

#include <cmath>

namespace StoreMemCommands {

namespace {

// The presets of one quantity in the A, B and C memories, then the record's
// own value and, where the command has one, the range. Within each memory the
// instrument takes LOW, MEDium, HIGH, the reverse of the record's order.
constexpr SMEMCOMMAND AbcRow(const char* pszHeader, float ABCMEM::*pLow, float ABCMEM::*pMedium,
                             float ABCMEM::*pHigh, STOREMEMFIELDREF value, STOREMEMFIELDREF range = {})
{
    SMEMCOMMAND command{pszHeader, ESmemReply::Scan, 0, {}};
    for (int nAbc = 0; nAbc < 3; ++nAbc) {
        command.fields[command.nFields++] = {nAbc, pLow};
        command.fields[command.nFields++] = {nAbc, pMedium};
        command.fields[command.nFields++] = {nAbc, pHigh};
    }
    command.fields[command.nFields++] = value;
    if (range != STOREMEMFIELDREF())
        command.fields[command.nFields++] = range;
    return command;
}

// Conductance travels under the keyword RES.
constexpr SMEMCOMMAND s_Commands[COMMAND_COUNT] = {
    AbcRow("BACK:SMEM:CURR", &ABCMEM::Curr_L, &ABCMEM::Curr_M, &ABCMEM::Curr_H, &STOREMEM::Curr,
           &STOREMEM::Crange),
    AbcRow("BACK:SMEM:POW", &ABCMEM::Pow_L, &ABCMEM::Pow_M, &ABCMEM::Pow_H, &STOREMEM::Pow),
    AbcRow("BACK:SMEM:VOLT", &ABCMEM::Volt_L, &ABCMEM::Volt_M, &ABCMEM::Volt_H, &STOREMEM::Volt,
           &STOREMEM::Vrange),
    AbcRow("BACK:SMEM:RES", &ABCMEM::Cond_L, &ABCMEM::Cond_M, &ABCMEM::Cond_H, &STOREMEM::Cond),
    {"BACK:SMEM:FUNC",
     ESmemReply::Tokens,
     4,
     {&STOREMEM::Mode, &STOREMEM::SoftStartTime, &STOREMEM::CountTime, &STOREMEM::Response}},
    {"BACK:SMEM:PROT",
     ESmemReply::Tokens,
     5,
     {&STOREMEM::CurrProtect, &STOREMEM::CurrProtectAction, &STOREMEM::PowProtect,
      &STOREMEM::PowProtectAction, &STOREMEM::VoltProtect}},
    {"BACK:SMEM:PULS", ESmemReply::Scan, 2, {&STOREMEM::PulseFreq, &STOREMEM::PulseDuty}},
    {"BACK:SMEM:SLEW", ESmemReply::Scan, 1, {&STOREMEM::SlewRate}},
    {"BACK:SMEM:ITIM", ESmemReply::Scan, 1, {&STOREMEM::InputTime}},
    {"BACK:SMEM:MEMO", ESmemReply::Memo, 1, {&STOREMEM::Memo}},
};

// A keyword as the instrument sends it: a letter, then letters, digits or
// underscores, short enough for the keyword buffer.
bool IsKeyword(const QString& str)
{
    if (str.isEmpty() || str.size() > ScpiReply::FIELD_CHARS - 1 || !str.at(0).isLetter() ||
        str.at(0).unicode() > 0x7F)
        return false;
    for (const QChar c : str) {
        if (c.unicode() > 0x7F || !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    }
    return true;
}

// Only the line's end (and white space) may follow the last value.
bool OnlySpaceFrom(const QString& str, int nPos)
{
    for (int i = nPos; i < str.size(); ++i) {
        if (!ScpiReply::IsSpace(str.at(i)))
            return false;
    }
    return true;
}

// "%f,%f,...[,%s]": each number must follow a single comma; a keyword is read
// up to white space. The reply fits when every value is there, each of its
// kind, and nothing follows.
bool ParseScan(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    if (strReply.size() > ScpiReply::REPLY_CHARS - 1)
        return false;
    const QString& str = strReply;
    int nPos = 0;
    for (int i = 0; i < command.nFields; ++i) {
        if (i > 0) {
            if (nPos >= str.size() || str.at(nPos) != QLatin1Char(','))
                return false;
            ++nPos;
        }
        const STOREMEMFIELDREF& field = command.fields[i];
        if (float* pFloat = field.Float(mem)) {
            if (!ScpiReply::ScanFloat(str, nPos, *pFloat))
                return false;
        } else if (QString* pText = field.Text(mem)) {
            while (nPos < str.size() && ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            const int nStart = nPos;
            while (nPos < str.size() && !ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            const QString strKeyword = str.mid(nStart, nPos - nStart);
            if (!IsKeyword(strKeyword))
                return false;
            *pText = strKeyword;
        }
    }
    return OnlySpaceFrom(str, nPos);
}

// A token that is a number and nothing else.
bool IsNumberToken(const QString& strToken)
{
    int nPos = 0;
    float f = 0;
    return ScpiReply::ScanFloat(strToken, nPos, f) && nPos == strToken.size();
}

bool ParseTokens(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    if (strReply.size() > ScpiReply::REPLY_CHARS - 1)
        return false;
    // Whatever follows the line feed is no part of this reply.
    const qsizetype nEnd = strReply.indexOf(QLatin1Char('\n'));
    if (nEnd >= 0 && !OnlySpaceFrom(strReply, static_cast<int>(nEnd)))
        return false;
    const QStringList tokens = ScpiReply::SplitTokens(strReply, command.nFields + 1);
    if (tokens.size() != command.nFields)
        return false;
    for (int i = 0; i < tokens.size(); ++i) {
        const STOREMEMFIELDREF& field = command.fields[i];
        if (float* pFloat = field.Float(mem)) {
            if (!IsNumberToken(tokens.at(i)))
                return false;
            *pFloat = ScpiReply::ToFloat(tokens.at(i));
        } else if (std::int32_t* pInt = field.Int(mem)) {
            if (!IsNumberToken(tokens.at(i)))
                return false;
            *pInt = ScpiReply::ToInt(tokens.at(i));
        } else if (QString* pText = field.Text(mem)) {
            if (!IsKeyword(tokens.at(i)))
                return false;
            *pText = tokens.at(i);
        }
    }
    return true;
}

// A quoted string and the line's end: the first and the last character are
// double quotes. What lies between is the memo as received, even a quote
// that an instrument failed to double.
bool ParseMemo(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    QString str = strReply;
    if (str.endsWith(QLatin1Char('\n')))
        str.chop(1);
    if (str.endsWith(QLatin1Char('\r')))
        str.chop(1);
    if (str.size() < 2 || str.size() > ScpiReply::MEMO_CHARS - 1 || !str.startsWith(QLatin1Char('"')) ||
        !str.endsWith(QLatin1Char('"')))
        return false;
    *command.fields[0].Text(mem) = ScpiReply::UnquoteText(str);
    return true;
}

} // namespace

const SMEMCOMMAND* Table()
{
    return s_Commands;
}

QString FormatSelect(std::int32_t nMemory)
{
    return QStringLiteral("BACK:SMEM:NSEL %1\n").arg(nMemory);
}

QString FormatCommand(const SMEMCOMMAND& command, const STOREMEM& mem)
{
    QString str = QLatin1String(command.pszHeader);
    str += QLatin1Char(' ');
    for (int i = 0; i < command.nFields; ++i) {
        if (i > 0)
            str += QLatin1Char(',');
        const STOREMEMFIELDREF& field = command.fields[i];
        // A number goes to the instrument exactly as the memory file writes it.
        if (const float* pFloat = field.Float(mem))
            str += FormatNumber(*pFloat, DescribeField(field).nPrecision);
        else if (const std::int32_t* pInt = field.Int(mem))
            str += QString::number(*pInt);
        else if (command.eReply == ESmemReply::Memo)
            str += ScpiReply::QuoteText(*field.Text(mem), MEMO_LIMIT);
        else
            str += *field.Text(mem);
    }
    str += QLatin1Char('\n');
    return str;
}

QString FormatNumber(float fValue, int nPrecision)
{
    // No number (an empty value of a memory file) goes out as the C library
    // spells it, for the instrument to refuse.
    if (std::isnan(fValue))
        return QStringLiteral("nan");
    return QString::fromStdString(XmlText::FormatFixed(static_cast<double>(fValue), nPrecision));
}

QString TooLongField(const STOREMEM& mem)
{
    for (const SMEMCOMMAND& command : s_Commands) {
        const QString strCommand = FormatCommand(command, mem);
        if (strCommand.size() <= ScpiReply::REPLY_CHARS - 1)
            continue;
        // The field whose text takes the most room is the one to blame.
        int nLongest = -1;
        QString strName;
        for (int i = 0; i < command.nFields; ++i) {
            const STOREMEMFIELDREF& field = command.fields[i];
            const STOREMEMFIELDINFO info = DescribeField(field);
            const float* pFloat = field.Float(mem);
            const QString* pText = field.Text(mem);
            const int nLength = pFloat  ? static_cast<int>(FormatNumber(*pFloat, info.nPrecision).size())
                                : pText ? static_cast<int>(pText->size())
                                        : 11;
            if (nLength > nLongest) {
                nLongest = nLength;
                strName = info.strName;
            }
        }
        return strName;
    }
    return QString();
}

QString FormatQuery(const SMEMCOMMAND& command)
{
    return QLatin1String(command.pszHeader) + QLatin1String("?\n");
}

bool ParseReply(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    // A NUL byte is no part of any reply: line noise, or a peer gone wrong.
    if (strReply.contains(QChar(0)))
        return false;
    switch (command.eReply) {
    case ESmemReply::Scan:
        return ParseScan(command, strReply, mem);
    case ESmemReply::Tokens:
        return ParseTokens(command, strReply, mem);
    case ESmemReply::Memo:
        return ParseMemo(command, strReply, mem);
    }
    return false;
}

} // namespace StoreMemCommands
