#include "instrument/StoreMemCommands.h"

#include "instrument/ScpiReply.h"
#include "model/StoreMemFields.h"
#include "xmlfile/XmlText.h"

#include <cmath>

#define SMEM_FIELD(member) [](STOREMEM& m) -> SMEMFIELDREF { return &m.member; }

// Within each A/B/C memory the instrument takes LOW, MEDium, HIGH (the reverse
// of the record's field order); the memory's own set value comes last.
#define SMEM_ABC_ROW(q)                                                                                      \
    SMEM_FIELD(Abc[0].q##_L), SMEM_FIELD(Abc[0].q##_M), SMEM_FIELD(Abc[0].q##_H), SMEM_FIELD(Abc[1].q##_L),  \
        SMEM_FIELD(Abc[1].q##_M), SMEM_FIELD(Abc[1].q##_H), SMEM_FIELD(Abc[2].q##_L),                        \
        SMEM_FIELD(Abc[2].q##_M), SMEM_FIELD(Abc[2].q##_H)

namespace StoreMemCommands {

namespace {

// Conductance travels under the keyword RES.
const SMEMCOMMAND s_Commands[COMMAND_COUNT] = {
    {"BACK:SMEM:CURR", ESmemReply::Scan, 11, {SMEM_ABC_ROW(Curr), SMEM_FIELD(Curr), SMEM_FIELD(Crange)}},
    {"BACK:SMEM:POW", ESmemReply::Scan, 10, {SMEM_ABC_ROW(Pow), SMEM_FIELD(Pow)}},
    {"BACK:SMEM:VOLT", ESmemReply::Scan, 11, {SMEM_ABC_ROW(Volt), SMEM_FIELD(Volt), SMEM_FIELD(Vrange)}},
    {"BACK:SMEM:RES", ESmemReply::Scan, 10, {SMEM_ABC_ROW(Cond), SMEM_FIELD(Cond)}},
    {"BACK:SMEM:FUNC",
     ESmemReply::Tokens,
     4,
     {SMEM_FIELD(Mode), SMEM_FIELD(SoftStartTime), SMEM_FIELD(CountTime), SMEM_FIELD(Response)}},
    {"BACK:SMEM:PROT",
     ESmemReply::Tokens,
     5,
     {SMEM_FIELD(CurrProtect), SMEM_FIELD(CurrProtectAction), SMEM_FIELD(PowProtect),
      SMEM_FIELD(PowProtectAction), SMEM_FIELD(VoltProtect)}},
    {"BACK:SMEM:PULS", ESmemReply::Scan, 2, {SMEM_FIELD(PulseFreq), SMEM_FIELD(PulseDuty)}},
    {"BACK:SMEM:SLEW", ESmemReply::Scan, 1, {SMEM_FIELD(SlewRate)}},
    {"BACK:SMEM:ITIM", ESmemReply::Scan, 1, {SMEM_FIELD(InputTime)}},
    {"BACK:SMEM:MEMO", ESmemReply::Memo, 1, {SMEM_FIELD(Memo)}},
};

// The file's name and precision of the record field p points into, so that a
// number goes to the instrument exactly as the memory file writes it.
struct FIELDINFO
{
    QString strName;
    int nPrecision = 4;
};

FIELDINFO FieldInfo(const STOREMEM& rec, const void* p)
{
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        if ((f.pFloat && &(rec.*f.pFloat) == p) || (f.pText && &(rec.*f.pText) == p) ||
            (f.pInt && &(rec.*f.pInt) == p))
            return {QLatin1String(f.pszName), f.nPrecision};
    }
    for (int nAbc = 0; nAbc < 3; ++nAbc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields) {
            if (&(rec.Abc[nAbc].*f.pField) == p)
                return {QLatin1String(g_AbcMemNames[nAbc]) + QLatin1Char('/') + QLatin1String(f.pszName),
                        f.nPrecision};
        }
    }
    return {};
}

const void* FieldAddress(const SMEMFIELDREF& ref)
{
    if (ref.pFloat)
        return ref.pFloat;
    if (ref.pInt)
        return ref.pInt;
    return ref.pText;
}

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
        const SMEMFIELDREF ref = command.pfnField[i](mem);
        if (ref.pFloat) {
            if (!ScpiReply::ScanFloat(str, nPos, *ref.pFloat))
                return false;
        } else if (ref.pText) {
            while (nPos < str.size() && ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            const int nStart = nPos;
            while (nPos < str.size() && !ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            const QString strKeyword = str.mid(nStart, nPos - nStart);
            if (!IsKeyword(strKeyword))
                return false;
            *ref.pText = strKeyword;
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
        const SMEMFIELDREF ref = command.pfnField[i](mem);
        if ((ref.pFloat || ref.pInt) && !IsNumberToken(tokens.at(i)))
            return false;
        if (ref.pText && !IsKeyword(tokens.at(i)))
            return false;
        if (ref.pFloat)
            *ref.pFloat = ScpiReply::ToFloat(tokens.at(i));
        else if (ref.pInt)
            *ref.pInt = ScpiReply::ToInt(tokens.at(i));
        else if (ref.pText)
            *ref.pText = tokens.at(i);
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
    *command.pfnField[0](mem).pText = ScpiReply::UnquoteText(str);
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
    // The accessors hand out writable references; formatting only reads them.
    STOREMEM& rec = const_cast<STOREMEM&>(mem);
    QString str = QLatin1String(command.pszHeader);
    str += QLatin1Char(' ');
    for (int i = 0; i < command.nFields; ++i) {
        if (i > 0)
            str += QLatin1Char(',');
        const SMEMFIELDREF ref = command.pfnField[i](rec);
        if (ref.pFloat)
            str += FormatNumber(*ref.pFloat, FieldInfo(rec, ref.pFloat).nPrecision);
        else if (ref.pInt)
            str += QString::number(*ref.pInt);
        else if (command.eReply == ESmemReply::Memo)
            str += ScpiReply::QuoteText(*ref.pText, MEMO_LIMIT);
        else
            str += *ref.pText;
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
    STOREMEM& rec = const_cast<STOREMEM&>(mem);
    for (const SMEMCOMMAND& command : s_Commands) {
        const QString strCommand = FormatCommand(command, mem);
        if (strCommand.size() <= ScpiReply::REPLY_CHARS - 1)
            continue;
        // The field whose text takes the most room is the one to blame.
        int nLongest = -1;
        QString strName;
        for (int i = 0; i < command.nFields; ++i) {
            const SMEMFIELDREF ref = command.pfnField[i](rec);
            const FIELDINFO info = FieldInfo(rec, FieldAddress(ref));
            const int nLength = ref.pFloat
                                    ? static_cast<int>(FormatNumber(*ref.pFloat, info.nPrecision).size())
                                : ref.pText ? static_cast<int>(ref.pText->size())
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
