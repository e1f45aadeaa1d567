#include "instrument/StoreMemCommands.h"

#include "instrument/ScpiReply.h"

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

// A complete command fits in the buffer with its line feed.
QString FitCommand(QString str)
{
    if (str.size() > ScpiReply::REPLY_CHARS - 1) {
        str = ScpiReply::Buffer(str, ScpiReply::REPLY_CHARS - 1);
        str += QLatin1Char('\n');
    }
    return str;
}

// "%f,%f,...[,%s]": each number must follow a single comma; a keyword is read
// up to white space and kept to 15 characters. The first mismatch ends the
// scan and leaves the later fields as they were.
void ParseScan(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    const QString str = ScpiReply::Buffer(strReply, ScpiReply::REPLY_CHARS);
    int nPos = 0;
    for (int i = 0; i < command.nFields; ++i) {
        if (i > 0) {
            if (nPos >= str.size() || str.at(nPos) != QLatin1Char(','))
                return;
            ++nPos;
        }
        const SMEMFIELDREF ref = command.pfnField[i](mem);
        if (ref.pFloat) {
            if (!ScpiReply::ScanFloat(str, nPos, *ref.pFloat))
                return;
        } else if (ref.pText) {
            while (nPos < str.size() && ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            const int nStart = nPos;
            while (nPos < str.size() && !ScpiReply::IsSpace(str.at(nPos)))
                ++nPos;
            if (nPos == nStart)
                return;
            *ref.pText = ScpiReply::Buffer(str.mid(nStart, nPos - nStart), ScpiReply::FIELD_CHARS);
        }
    }
}

void ParseTokens(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    const QStringList tokens = ScpiReply::SplitTokens(strReply, command.nFields);
    for (int i = 0; i < tokens.size(); ++i) {
        const SMEMFIELDREF ref = command.pfnField[i](mem);
        if (ref.pFloat)
            *ref.pFloat = ScpiReply::ToFloat(tokens.at(i));
        else if (ref.pInt)
            *ref.pInt = ScpiReply::ToInt(tokens.at(i));
        else if (ref.pText)
            *ref.pText = tokens.at(i);
    }
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
            str += QString::asprintf("%0.4f", static_cast<double>(*ref.pFloat));
        else if (ref.pInt)
            str += QString::number(*ref.pInt);
        else if (command.eReply == ESmemReply::Memo)
            str += ScpiReply::QuoteText(*ref.pText, MEMO_LIMIT);
        else
            str += *ref.pText;
    }
    str += QLatin1Char('\n');
    return FitCommand(str);
}

QString FormatQuery(const SMEMCOMMAND& command)
{
    return QLatin1String(command.pszHeader) + QLatin1String("?\n");
}

void ParseReply(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem)
{
    switch (command.eReply) {
    case ESmemReply::Scan:
        ParseScan(command, strReply, mem);
        break;
    case ESmemReply::Tokens:
        ParseTokens(command, strReply, mem);
        break;
    case ESmemReply::Memo:
        *command.pfnField[0](mem).pText =
            ScpiReply::UnquoteText(ScpiReply::Buffer(strReply, ScpiReply::MEMO_CHARS));
        break;
    }
}

} // namespace StoreMemCommands
