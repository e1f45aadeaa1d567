#include "sim/SimInstrument.h"

#include "model/StoreMemFields.h"
#include "xmlfile/XmlText.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>

namespace {

enum class EOp
{
    Idn,
    Cls,
    Rst,
    Opc,
    SystErr,
    Nsel,
    Smem,
    // IEEE 488.2 status reporting
    Esr,
    Ese,
    Sre,
    Stb,
    Tst,
    Wai,
};

// What one parameter of a store-memory command must be.
enum class EKind
{
    Number,
    Integer,
    Keyword,
    String,
};

struct SIMFIELD
{
    EKind eKind;
    STOREMEMFIELDREF field;
};

struct SIMROW
{
    int nFields;
    SIMFIELD fields[11];
};

// The instrument keeps each A/B/C preset row as LOW, MEDium, HIGH, then the
// set value and, for current and voltage, the range keyword.
constexpr SIMROW PresetRow(float ABCMEM::*pLow, float ABCMEM::*pMedium, float ABCMEM::*pHigh,
                           float STOREMEM::*pValue, QString STOREMEM::*pRange = nullptr)
{
    SIMROW row{0, {}};
    for (int nAbc = 0; nAbc < 3; ++nAbc) {
        row.fields[row.nFields++] = {EKind::Number, {nAbc, pLow}};
        row.fields[row.nFields++] = {EKind::Number, {nAbc, pMedium}};
        row.fields[row.nFields++] = {EKind::Number, {nAbc, pHigh}};
    }
    row.fields[row.nFields++] = {EKind::Number, pValue};
    if (pRange)
        row.fields[row.nFields++] = {EKind::Keyword, pRange};
    return row;
}

constexpr SIMROW s_Rows[] = {
    PresetRow(&ABCMEM::Curr_L, &ABCMEM::Curr_M, &ABCMEM::Curr_H, &STOREMEM::Curr, &STOREMEM::Crange),
    PresetRow(&ABCMEM::Pow_L, &ABCMEM::Pow_M, &ABCMEM::Pow_H, &STOREMEM::Pow),
    PresetRow(&ABCMEM::Volt_L, &ABCMEM::Volt_M, &ABCMEM::Volt_H, &STOREMEM::Volt, &STOREMEM::Vrange),
    PresetRow(&ABCMEM::Cond_L, &ABCMEM::Cond_M, &ABCMEM::Cond_H, &STOREMEM::Cond),
    {4,
     {{EKind::Keyword, &STOREMEM::Mode},
      {EKind::Number, &STOREMEM::SoftStartTime},
      {EKind::Integer, &STOREMEM::CountTime},
      {EKind::Integer, &STOREMEM::Response}}},
    {5,
     {{EKind::Number, &STOREMEM::CurrProtect},
      {EKind::Keyword, &STOREMEM::CurrProtectAction},
      {EKind::Number, &STOREMEM::PowProtect},
      {EKind::Keyword, &STOREMEM::PowProtectAction},
      {EKind::Number, &STOREMEM::VoltProtect}}},
    {2, {{EKind::Number, &STOREMEM::PulseFreq}, {EKind::Number, &STOREMEM::PulseDuty}}},
    {1, {{EKind::Number, &STOREMEM::SlewRate}}},
    {1, {{EKind::Number, &STOREMEM::InputTime}}},
    {1, {{EKind::String, &STOREMEM::Memo}}},
};

} // namespace

// SCPI headers: upper case marks the short form, "[...]" an optional node.
struct CSimInstrument::HEADERDEF
{
    const char* pszPath;
    bool bQuery;
    bool bCommand;
    EOp eOp;
    int nRow;
};

namespace {

using HEADERDEF = CSimInstrument::HEADERDEF;

const HEADERDEF s_Headers[] = {
    {"*IDN", true, false, EOp::Idn, -1},
    {"*CLS", false, true, EOp::Cls, -1},
    {"*RST", false, true, EOp::Rst, -1},
    {"*OPC", true, true, EOp::Opc, -1},
    {"SYSTem:ERRor:[NEXT]", true, false, EOp::SystErr, -1},
    {"BACKup:SMEMory:NSELect", true, true, EOp::Nsel, -1},
    {"BACKup:SMEMory:CURRent", true, true, EOp::Smem, 0},
    {"BACKup:SMEMory:POWer", true, true, EOp::Smem, 1},
    {"BACKup:SMEMory:VOLTage", true, true, EOp::Smem, 2},
    {"BACKup:SMEMory:RESistance", true, true, EOp::Smem, 3},
    {"BACKup:SMEMory:FUNCtion", true, true, EOp::Smem, 4},
    {"BACKup:SMEMory:PROTection", true, true, EOp::Smem, 5},
    {"BACKup:SMEMory:PULSe", true, true, EOp::Smem, 6},
    {"BACKup:SMEMory:SLEW", true, true, EOp::Smem, 7},
    {"BACKup:SMEMory:ITIMe", true, true, EOp::Smem, 8},
    {"BACKup:SMEMory:MEMO", true, true, EOp::Smem, 9},
    {"*ESR", true, false, EOp::Esr, -1},
    {"*ESE", true, true, EOp::Ese, -1},
    {"*SRE", true, true, EOp::Sre, -1},
    {"*STB", true, false, EOp::Stb, -1},
    {"*TST", true, false, EOp::Tst, -1},
    {"*WAI", false, true, EOp::Wai, -1},
};

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A mnemonic of the message against a pattern such as "SMEMory": its short
// form (the capitals) or its long form, nothing in between.
bool MatchMnemonic(const QByteArray& input, const QByteArray& pattern)
{
    QByteArray shortForm;
    for (char c : pattern) {
        if (c >= 'a' && c <= 'z')
            break;
        shortForm += c;
    }
    const QByteArray upper = input.toUpper();
    return upper == shortForm || upper == pattern.toUpper();
}

bool MatchPath(const QList<QByteArray>& input, int i, const QList<QByteArray>& nodes, int j)
{
    if (j == nodes.size())
        return i == input.size();
    QByteArray node = nodes.at(j);
    const bool bOptional = node.startsWith('[') && node.endsWith(']');
    if (bOptional) {
        node = node.mid(1, node.size() - 2);
        if (MatchPath(input, i, nodes, j + 1))
            return true;
    }
    return i < input.size() && MatchMnemonic(input.at(i), node) && MatchPath(input, i + 1, nodes, j + 1);
}

// SCPI decimal numeric program data, the whole token: sign, mantissa with an
// optional point, optional exponent.
bool ParseNumber(const QByteArray& token, double& dValue)
{
    int i = 0;
    const int n = static_cast<int>(token.size());
    if (i < n && (token[i] == '+' || token[i] == '-'))
        ++i;
    int nDigits = 0;
    while (i < n && token[i] >= '0' && token[i] <= '9') {
        ++i;
        ++nDigits;
    }
    if (i < n && token[i] == '.') {
        ++i;
        while (i < n && token[i] >= '0' && token[i] <= '9') {
            ++i;
            ++nDigits;
        }
    }
    if (nDigits == 0)
        return false;
    if (i < n && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < n && (token[i] == '+' || token[i] == '-'))
            ++i;
        const int nExpStart = i;
        while (i < n && token[i] >= '0' && token[i] <= '9')
            ++i;
        if (i == nExpStart)
            return false;
    }
    if (i != n)
        return false;
    bool bOk = false;
    dValue = token.toDouble(&bOk); // always the "C" locale
    return bOk || std::isinf(dValue);
}

bool IsKeyword(const QByteArray& token)
{
    if (token.isEmpty() || !std::isalpha(static_cast<unsigned char>(token[0])))
        return false;
    for (char c : token) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return true;
}

QByteArray Quote(const QString& str)
{
    QByteArray out = "\"";
    for (char c : str.toLatin1()) {
        out += c;
        if (c == '"')
            out += c;
    }
    out += '"';
    return out;
}

} // namespace

// One parameter as received: its text, and for a quoted string its contents.
struct CSimInstrument::PARAM
{
    QByteArray text;
    bool bString = false;
    QString strValue;
};

CSimInstrument::CSimInstrument(const QString& strIdn) : m_strIdn(strIdn)
{
    m_data.Reset();
}

QString CSimInstrument::DefaultIdentification()
{
    return QStringLiteral("TALVERO,DXR-9K,91K20473,1.05");
}

QString CSimInstrument::ErrorText(int nCode)
{
    switch (nCode) {
    case 0:
        return QStringLiteral("No error");
    case -100:
        return QStringLiteral("Command error");
    case -102:
        return QStringLiteral("Syntax error");
    case -104:
        return QStringLiteral("Data type error");
    case -108:
        return QStringLiteral("Parameter not allowed");
    case -109:
        return QStringLiteral("Missing parameter");
    case -113:
        return QStringLiteral("Undefined header");
    case -222:
        return QStringLiteral("Data out of range");
    case -350:
        return QStringLiteral("Queue overflow");
    case -410:
        return QStringLiteral("Query INTERRUPTED");
    case -420:
        return QStringLiteral("Query UNTERMINATED");
    default:
        return QStringLiteral("Error");
    }
}

void CSimInstrument::QueueError(int nCode)
{
    if (nCode == 0)
        return;
    m_nEsr |= EsrBitFor(nCode);
    if (static_cast<int>(m_errors.size()) < QUEUE_LENGTH)
        m_errors.push_back(nCode);
    else
        m_errors.back() = ERR_QUEUE_OVERFLOW;
}

STOREMEM& CSimInstrument::Selected()
{
    return *m_data.GetContainer().GetAt(m_nSelected);
}

QByteArray CSimInstrument::Execute(const QByteArray& message)
{
    // Split at ';' outside quoted strings.
    QList<QByteArray> units;
    QByteArray unit;
    char cQuote = 0;
    for (char c : message) {
        if (cQuote) {
            if (c == cQuote)
                cQuote = 0;
        } else if (c == '"' || c == '\'') {
            cQuote = c;
        } else if (c == ';') {
            units << unit;
            unit.clear();
            continue;
        }
        unit += c;
    }
    units << unit;

    QList<QByteArray> responses;
    QList<QByteArray> path;
    for (const QByteArray& u : units)
        ExecuteUnit(u, responses, path);
    return responses.join(';');
}

const CSimInstrument::HEADERDEF* CSimInstrument::FindCommand(const QList<QByteArray>& mnemonics)
{
    for (const HEADERDEF& def : s_Headers) {
        if (MatchPath(mnemonics, 0, QByteArray(def.pszPath).split(':'), 0))
            return &def;
    }
    return nullptr;
}

void CSimInstrument::ExecuteUnit(const QByteArray& unit, QList<QByteArray>& responses,
                                 QList<QByteArray>& path)
{
    const QByteArray text = unit.trimmed();
    if (text.isEmpty())
        return;
    int nHeaderEnd = 0;
    while (nHeaderEnd < text.size() && !IsWhite(text[nHeaderEnd]))
        ++nHeaderEnd;
    QByteArray header = text.left(nHeaderEnd);
    const QByteArray rest = text.mid(nHeaderEnd);

    const bool bQuery = header.endsWith('?');
    if (bQuery)
        header.chop(1);
    const HEADERDEF* pCommand = nullptr;
    if (header.startsWith('*')) {
        pCommand = FindCommand({header});
    } else {
        const bool bAbsolute = header.startsWith(':');
        QList<QByteArray> mnemonics = (bAbsolute ? header.mid(1) : header).split(':');
        if (!mnemonics.contains(QByteArray())) {
            // Within a message, a header without a leading colon continues
            // at the level of the command before it.
            if (!bAbsolute && !path.isEmpty())
                pCommand = FindCommand(path + mnemonics);
            if (pCommand)
                mnemonics = path + mnemonics;
            else
                pCommand = FindCommand(mnemonics);
            if (pCommand)
                path = mnemonics.mid(0, mnemonics.size() - 1);
        }
    }
    if (!pCommand || (bQuery && !pCommand->bQuery) || (!bQuery && !pCommand->bCommand)) {
        QueueError(ERR_UNDEFINED_HEADER);
        return;
    }

    // Parameters: separated by commas; quoted strings with doubled quotes.
    QList<PARAM> params;
    int i = 0;
    const int n = static_cast<int>(rest.size());
    auto skipWhite = [&] {
        while (i < n && IsWhite(rest[i]))
            ++i;
    };
    skipWhite();
    if (i < n) {
        for (;;) {
            skipWhite();
            PARAM param;
            if (i < n && (rest[i] == '"' || rest[i] == '\'')) {
                const char cQuote = rest[i++];
                QByteArray value;
                bool bClosed = false;
                while (i < n) {
                    if (rest[i] == cQuote) {
                        if (i + 1 < n && rest[i + 1] == cQuote) {
                            value += cQuote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        bClosed = true;
                        break;
                    }
                    value += rest[i++];
                }
                if (!bClosed) {
                    QueueError(ERR_SYNTAX);
                    return;
                }
                param.bString = true;
                param.strValue = QString::fromLatin1(value);
                param.text = value;
                skipWhite();
                if (i < n && rest[i] != ',') {
                    QueueError(ERR_SYNTAX);
                    return;
                }
            } else {
                const int nStart = i;
                while (i < n && rest[i] != ',')
                    ++i;
                param.text = rest.mid(nStart, i - nStart).trimmed();
            }
            params << param;
            if (i >= n)
                break;
            ++i; // the comma
        }
    }

    if (bQuery) {
        if (!params.isEmpty()) {
            QueueError(ERR_PARAM_NOT_ALLOWED);
            return;
        }
        responses << Respond(*pCommand);
        return;
    }
    Apply(*pCommand, params);
}

QByteArray CSimInstrument::Respond(const HEADERDEF& command)
{
    switch (command.eOp) {
    case EOp::Idn:
        return m_strIdn.toLatin1();
    case EOp::Opc:
        return "1";
    case EOp::SystErr: {
        int nCode = 0;
        if (!m_errors.empty()) {
            nCode = m_errors.front();
            m_errors.pop_front();
        }
        return QByteArray::number(nCode) + ',' + Quote(ErrorText(nCode));
    }
    case EOp::Nsel:
        return QByteArray::number(m_nSelected);
    case EOp::Smem: {
        const SIMROW& row = s_Rows[command.nRow];
        const STOREMEM& mem = Selected();
        QList<QByteArray> fields;
        for (int f = 0; f < row.nFields; ++f) {
            // The instrument answers with what it keeps: the memory file's
            // decimals, conductances with 6, the rest with 4.
            const STOREMEMFIELDREF& field = row.fields[f].field;
            switch (row.fields[f].eKind) {
            case EKind::Number:
                fields << QByteArray::fromStdString(XmlText::FormatFixed(
                    static_cast<double>(*field.Float(mem)), DescribeField(field).nPrecision));
                break;
            case EKind::Integer:
                fields << QByteArray::number(*field.Int(mem));
                break;
            case EKind::Keyword:
                fields << field.Text(mem)->toLatin1();
                break;
            case EKind::String:
                fields << Quote(*field.Text(mem));
                break;
            }
        }
        return fields.join(',');
    }
    case EOp::Esr:
    case EOp::Ese:
    case EOp::Sre:
    case EOp::Stb:
    case EOp::Tst:
        return RespondStatus(static_cast<int>(command.eOp));
    case EOp::Cls:
    case EOp::Rst:
    case EOp::Wai:
        break;
    }
    return QByteArray();
}

bool CSimInstrument::Apply(const HEADERDEF& command, const QList<PARAM>& params)
{
    int nExpected = 0;
    if (command.eOp == EOp::Nsel || command.eOp == EOp::Ese || command.eOp == EOp::Sre)
        nExpected = 1;
    else if (command.eOp == EOp::Smem)
        nExpected = s_Rows[command.nRow].nFields;
    if (params.size() < nExpected) {
        QueueError(ERR_MISSING_PARAM);
        return false;
    }
    if (params.size() > nExpected) {
        QueueError(ERR_PARAM_NOT_ALLOWED);
        return false;
    }

    switch (command.eOp) {
    case EOp::Cls:
        m_errors.clear();
        m_nEsr = 0;
        return true;
    case EOp::Opc:
    case EOp::Ese:
    case EOp::Sre:
        return ApplyStatus(static_cast<int>(command.eOp), params);
    case EOp::Rst:
        m_nSelected = 0;
        return true;
    case EOp::Nsel: {
        double d = 0;
        if (params[0].text.isEmpty() && !params[0].bString) {
            QueueError(ERR_MISSING_PARAM);
            return false;
        }
        if (params[0].bString || !ParseNumber(params[0].text, d)) {
            QueueError(ERR_DATA_TYPE);
            return false;
        }
        const double dRounded = std::nearbyint(d);
        if (!(dRounded >= 0 && dRounded < CXmlDocData::MEMORY_COUNT)) {
            QueueError(ERR_DATA_OUT_OF_RANGE);
            return false;
        }
        m_nSelected = static_cast<int>(dRounded);
        return true;
    }
    case EOp::Smem:
        break;
    default:
        return true;
    }

    // Every parameter is checked before any is stored: a rejected command
    // leaves the memory as it was.
    const SIMROW& row = s_Rows[command.nRow];
    STOREMEM mem = Selected();
    for (int f = 0; f < row.nFields; ++f) {
        const PARAM& param = params[f];
        const STOREMEMFIELDREF& field = row.fields[f].field;
        if (!param.bString && param.text.isEmpty()) {
            QueueError(ERR_MISSING_PARAM);
            return false;
        }
        switch (row.fields[f].eKind) {
        case EKind::Number:
        case EKind::Integer: {
            double d = 0;
            if (param.bString || !ParseNumber(param.text, d)) {
                QueueError(ERR_DATA_TYPE);
                return false;
            }
            if (row.fields[f].eKind == EKind::Number) {
                if (!(std::fabs(d) <= FLT_MAX)) {
                    QueueError(ERR_DATA_OUT_OF_RANGE);
                    return false;
                }
                *field.Float(mem) = static_cast<float>(d);
            } else {
                const double dRounded = std::nearbyint(d);
                if (!(dRounded >= std::numeric_limits<std::int32_t>::min() &&
                      dRounded <= std::numeric_limits<std::int32_t>::max())) {
                    QueueError(ERR_DATA_OUT_OF_RANGE);
                    return false;
                }
                *field.Int(mem) = static_cast<std::int32_t>(dRounded);
            }
            break;
        }
        case EKind::Keyword:
            if (param.bString || !IsKeyword(param.text)) {
                QueueError(ERR_DATA_TYPE);
                return false;
            }
            *field.Text(mem) = QString::fromLatin1(param.text);
            break;
        case EKind::String:
            if (!param.bString) {
                QueueError(ERR_DATA_TYPE);
                return false;
            }
            // The instrument keeps what fits its memo field.
            *field.Text(mem) = param.strValue.left(MEMO_CHARS);
            break;
        }
    }
    Selected() = mem;
    return true;
}

// IEEE 488.2 status reporting: the standard event status register (*ESR?),
// its enable mask (*ESE), the status byte (*STB?) and its service request
// enable mask (*SRE). A generic VISA client asks for these to learn whether
// the instrument is there and what went wrong; none of them touches the
// store memories.
int CSimInstrument::EsrBitFor(int nCode)
{
    if (nCode <= -100 && nCode > -200)
        return ESR_COMMAND_ERROR;
    if (nCode <= -200 && nCode > -300)
        return ESR_EXECUTION_ERROR;
    if (nCode <= -400 && nCode > -500)
        return ESR_QUERY_ERROR;
    return ESR_DEVICE_ERROR; // -300s and the instrument's own positive numbers
}

int CSimInstrument::StatusByte() const
{
    int nStb = 0;
    if (!m_errors.empty())
        nStb |= STB_ERROR_AVAILABLE;
    if (m_nEsr & m_nEse)
        nStb |= STB_EVENT_SUMMARY;
    if (nStb & m_nSre & ~STB_SERVICE_REQUEST)
        nStb |= STB_SERVICE_REQUEST;
    return nStb;
}

QByteArray CSimInstrument::RespondStatus(int eOp)
{
    switch (static_cast<EOp>(eOp)) {
    case EOp::Esr: {
        const int nEsr = m_nEsr; // reading clears it
        m_nEsr = 0;
        return QByteArray::number(nEsr);
    }
    case EOp::Ese:
        return QByteArray::number(m_nEse);
    case EOp::Sre:
        return QByteArray::number(m_nSre);
    case EOp::Stb:
        return QByteArray::number(StatusByte());
    case EOp::Tst:
        return "0"; // the self-test passed
    default:
        return QByteArray();
    }
}

bool CSimInstrument::ApplyStatus(int eOp, const QList<PARAM>& params)
{
    if (static_cast<EOp>(eOp) == EOp::Opc) {
        // Nothing is ever pending: the operation is complete at once.
        m_nEsr |= ESR_OPERATION_COMPLETE;
        return true;
    }
    double d = 0;
    if (params[0].bString || params[0].text.isEmpty() || !ParseNumber(params[0].text, d)) {
        QueueError(params[0].text.isEmpty() && !params[0].bString ? ERR_MISSING_PARAM : ERR_DATA_TYPE);
        return false;
    }
    const double dRounded = std::nearbyint(d);
    if (!(dRounded >= 0 && dRounded <= 255)) {
        QueueError(ERR_DATA_OUT_OF_RANGE);
        return false;
    }
    const int nMask = static_cast<int>(dRounded);
    if (static_cast<EOp>(eOp) == EOp::Ese)
        m_nEse = nMask;
    else
        m_nSre = nMask & ~STB_SERVICE_REQUEST; // bit 6 cannot be enabled
    return true;
}
