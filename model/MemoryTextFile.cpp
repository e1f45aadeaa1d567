#include "model/MemoryTextFile.h"

#include "model/StoreMemFields.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "xmlfile/XmlText.h"

#include <QStringList>

#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// One value of a store memory: the single values by their element name, the
// A, B and C values as "AMem/Curr_L" and so on (as the comparison names them).
struct COLUMN
{
    QString strName;
    const STOREMEMFIELD* pField = nullptr; // a single value, or
    int nAbc = 0;                          // the A, B or C memory and
    const ABCMEMFIELD* pAbc = nullptr;     // its value
};

const std::vector<COLUMN>& Columns()
{
    static const std::vector<COLUMN> columns = [] {
        std::vector<COLUMN> v;
        for (const STOREMEMFIELD& f : g_StoreMemFields)
            v.push_back({QString::fromLatin1(f.pszName), &f, 0, nullptr});
        for (int i = 0; i < 3; ++i) {
            for (const ABCMEMFIELD& f : g_AbcMemFields)
                v.push_back(
                    {QString::fromLatin1(g_AbcMemNames[i]) + QLatin1Char('/') + QLatin1String(f.pszName),
                     nullptr, i, &f});
        }
        return v;
    }();
    return columns;
}

const COLUMN* FindColumn(const QString& strName)
{
    for (const COLUMN& c : Columns()) {
        if (c.strName == strName)
            return &c;
    }
    return nullptr;
}

enum EValueType
{
    VALUE_NULL,
    VALUE_STRING,
    VALUE_NUMBER, // strText holds the literal as written
    VALUE_BOOL,   // strText is "true" or "false"
    VALUE_OBJECT,
    VALUE_ARRAY,
};

struct CELL
{
    EValueType eType = VALUE_NULL;
    QString strText;
};

EStoreMemFieldKind KindOf(const COLUMN& c)
{
    return c.pField ? c.pField->kind : FIELD_FLOAT;
}

// A number the way JSON writes one.
bool IsNumberLiteral(const QString& str)
{
    int i = 0;
    const int n = static_cast<int>(str.size());
    auto digits = [&] {
        const int nStart = i;
        while (i < n && str.at(i) >= QLatin1Char('0') && str.at(i) <= QLatin1Char('9'))
            ++i;
        return i > nStart;
    };
    if (i < n && str.at(i) == QLatin1Char('-'))
        ++i;
    if (i < n && str.at(i) == QLatin1Char('0'))
        ++i;
    else if (!digits())
        return false;
    if (i < n && str.at(i) == QLatin1Char('.')) {
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (str.at(i) == QLatin1Char('e') || str.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < n && (str.at(i) == QLatin1Char('+') || str.at(i) == QLatin1Char('-')))
            ++i;
        if (!digits())
            return false;
    }
    return i == n;
}

// A number as the file writes it; the values JSON has no number for (NaN and
// the infinities, which a memory file can hold) as the file's own words.
CELL FloatCell(float f, int nPrecision)
{
    if (std::isnan(f))
        return {VALUE_STRING, QStringLiteral("NAN")};
    if (std::isinf(f))
        return {VALUE_STRING, f > 0 ? QStringLiteral("inf") : QStringLiteral("-inf")};
    return {VALUE_NUMBER, QString::fromStdString(XmlText::FormatFixed(static_cast<double>(f), nPrecision))};
}

CELL GetCell(const COLUMN& c, const STOREMEM& m)
{
    if (c.pAbc)
        return FloatCell(m.Abc[c.nAbc].*c.pAbc->pField, c.pAbc->nPrecision);
    const STOREMEMFIELD& f = *c.pField;
    switch (f.kind) {
    case FIELD_TEXT:
        return {VALUE_STRING, m.*f.pText};
    case FIELD_FLOAT:
        return FloatCell(m.*f.pFloat, f.nPrecision);
    case FIELD_COUNTTIME:
        return {VALUE_BOOL, m.*f.pInt != 0 ? QStringLiteral("true") : QStringLiteral("false")};
    case FIELD_RESPONSE:
        // The low 16 bits as a signed value, as the file keeps them.
        return {VALUE_NUMBER,
                QString::number(static_cast<std::int16_t>(static_cast<std::uint16_t>(m.*f.pInt)))};
    }
    return {};
}

QString LineMessage(unsigned nId, int nLine, const QString& strName)
{
    return LoadResString(nId).arg(nLine).arg(strName);
}

bool SetCell(const COLUMN& c, const CELL& cell, int nLine, STOREMEM& m, QString& strError)
{
    switch (KindOf(c)) {
    case FIELD_TEXT:
        if (cell.eType != VALUE_STRING) {
            strError = LineMessage(IDS_TEXT_NEEDS_QUOTED_TEXT, nLine, c.strName);
            return false;
        }
        m.*c.pField->pText = cell.strText;
        return true;
    case FIELD_FLOAT: {
        float f = 0;
        if (cell.eType == VALUE_NUMBER) {
            f = XmlText::ScanFloat(cell.strText.toLatin1().constData());
        } else if (cell.eType == VALUE_STRING &&
                   cell.strText.compare(QLatin1String("NAN"), Qt::CaseInsensitive) == 0) {
            f = std::nanf("");
        } else if (cell.eType == VALUE_STRING &&
                   (cell.strText.compare(QLatin1String("inf"), Qt::CaseInsensitive) == 0 ||
                    cell.strText.compare(QLatin1String("-inf"), Qt::CaseInsensitive) == 0)) {
            f = XmlText::ScanFloat(cell.strText.toLatin1().constData());
        } else {
            strError = LineMessage(IDS_TEXT_NEEDS_NUMBER, nLine, c.strName);
            return false;
        }
        if (c.pAbc)
            m.Abc[c.nAbc].*c.pAbc->pField = f;
        else
            m.*c.pField->pFloat = f;
        return true;
    }
    case FIELD_COUNTTIME:
        if (cell.eType != VALUE_BOOL) {
            strError = LineMessage(IDS_TEXT_NEEDS_BOOLEAN, nLine, c.strName);
            return false;
        }
        m.*c.pField->pInt = cell.strText == QLatin1String("true") ? 1 : 0;
        return true;
    case FIELD_RESPONSE: {
        bool bOk = false;
        const int n = cell.eType == VALUE_NUMBER ? cell.strText.toInt(&bOk, 10) : 0;
        if (!bOk || n < -32768 || n > 32767) {
            strError = LineMessage(IDS_TEXT_NEEDS_WHOLE_NUMBER, nLine, c.strName);
            return false;
        }
        m.*c.pField->pInt = n;
        return true;
    }
    }
    return false;
}

// Index of a memory: a whole number 0 to 99 (the memory, or -1 after a message).
int MemoryIndex(const CELL& cell, int nLine, QString& strError)
{
    bool bOk = false;
    const int n = cell.eType == VALUE_NUMBER ? cell.strText.toInt(&bOk, 10) : -1;
    if (!bOk || n < 0 || n >= CXmlDocData::MEMORY_COUNT) {
        strError = LineMessage(IDS_TEXT_INDEX_NOT_A_MEMORY, nLine, cell.strText);
        return -1;
    }
    return n;
}

// ---- JSON ----

void AppendJsonString(QString& strOut, const QString& str)
{
    strOut += QLatin1Char('"');
    for (const QChar ch : str) {
        switch (ch.unicode()) {
        case '"':
            strOut += QLatin1String("\\\"");
            break;
        case '\\':
            strOut += QLatin1String("\\\\");
            break;
        case '\n':
            strOut += QLatin1String("\\n");
            break;
        case '\r':
            strOut += QLatin1String("\\r");
            break;
        case '\t':
            strOut += QLatin1String("\\t");
            break;
        default:
            if (ch.unicode() < 0x20)
                strOut += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
            else
                strOut += ch;
        }
    }
    strOut += QLatin1Char('"');
}

void AppendJsonValue(QString& strOut, const CELL& cell)
{
    if (cell.eType == VALUE_STRING)
        AppendJsonString(strOut, cell.strText);
    else
        strOut += cell.strText;
}

QByteArray WriteJson(const CXmlDocData& data)
{
    const CStoreMemContainer& memories = data.GetContainer();
    QString str = QStringLiteral("{\n  \"Memories\": [\n");
    for (int i = 0; i < memories.GetCount(); ++i) {
        const STOREMEM& m = *memories.GetAt(i);
        str += QStringLiteral("    {\n      \"Index\": %1").arg(i);
        for (const STOREMEMFIELD& f : g_StoreMemFields) {
            str += QStringLiteral(",\n      \"%1\": ").arg(QLatin1String(f.pszName));
            AppendJsonValue(str, GetCell(COLUMN{QString(), &f, 0, nullptr}, m));
        }
        for (int a = 0; a < 3; ++a) {
            str += QStringLiteral(",\n      \"%1\": {").arg(QLatin1String(g_AbcMemNames[a]));
            const char* pszSep = "\n";
            for (const ABCMEMFIELD& f : g_AbcMemFields) {
                str +=
                    QLatin1String(pszSep) + QStringLiteral("        \"%1\": ").arg(QLatin1String(f.pszName));
                AppendJsonValue(str, GetCell(COLUMN{QString(), nullptr, a, &f}, m));
                pszSep = ",\n";
            }
            str += QLatin1String("\n      }");
        }
        str += i + 1 < memories.GetCount() ? QLatin1String("\n    },\n") : QLatin1String("\n    }\n");
    }
    str += QLatin1String("  ]\n}\n");
    return str.toUtf8();
}

struct JVALUE
{
    CELL cell;
    int nLine = 1;
    std::vector<std::pair<QString, JVALUE>> members; // an object's, in order
    std::vector<JVALUE> items;                       // an array's
};

// A JSON reader that keeps the line of every value, for messages that point
// at it. Nesting is bounded, so hostile input cannot exhaust the stack.
class CJsonReader
{
public:
    explicit CJsonReader(const QByteArray& bytes)
        : m_p(bytes.constData()), m_pEnd(bytes.constData() + bytes.size())
    {
        if (m_pEnd - m_p >= 3 && std::string_view(m_p, 3) == "\xEF\xBB\xBF")
            m_p += 3;
    }

    bool Document(JVALUE& value, QString& strError)
    {
        if (!Value(value, 0) || (SkipSpace(), m_p != m_pEnd)) {
            strError = m_strError.isEmpty() ? LoadResString(IDS_TEXT_INVALID_JSON).arg(m_nLine) : m_strError;
            return false;
        }
        return true;
    }

private:
    static constexpr int MAX_DEPTH = 16;

    void SkipSpace()
    {
        while (m_p != m_pEnd && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r')) {
            if (*m_p == '\n')
                ++m_nLine;
            ++m_p;
        }
    }

    bool Literal(const char* psz)
    {
        const size_t n = std::strlen(psz);
        if (static_cast<size_t>(m_pEnd - m_p) < n || std::string_view(m_p, n) != psz)
            return false;
        m_p += n;
        return true;
    }

    bool Value(JVALUE& value, int nDepth)
    {
        SkipSpace();
        value.nLine = m_nLine;
        if (m_p == m_pEnd || nDepth > MAX_DEPTH)
            return false;
        switch (*m_p) {
        case '{':
            value.cell.eType = VALUE_OBJECT;
            return Object(value, nDepth);
        case '[':
            value.cell.eType = VALUE_ARRAY;
            return Array(value, nDepth);
        case '"':
            value.cell.eType = VALUE_STRING;
            return String(value.cell.strText);
        case 't':
        case 'f':
            value.cell.eType = VALUE_BOOL;
            value.cell.strText = *m_p == 't' ? QStringLiteral("true") : QStringLiteral("false");
            return Literal(*m_p == 't' ? "true" : "false");
        case 'n':
            value.cell.eType = VALUE_NULL;
            return Literal("null");
        default: {
            const char* pStart = m_p;
            while (m_p != m_pEnd &&
                   (std::isdigit(static_cast<unsigned char>(*m_p)) || std::strchr("+-.eE", *m_p)))
                ++m_p;
            value.cell.eType = VALUE_NUMBER;
            value.cell.strText = QString::fromLatin1(pStart, static_cast<qsizetype>(m_p - pStart));
            return IsNumberLiteral(value.cell.strText);
        }
        }
    }

    bool Object(JVALUE& value, int nDepth)
    {
        ++m_p;
        SkipSpace();
        if (m_p != m_pEnd && *m_p == '}') {
            ++m_p;
            return true;
        }
        for (;;) {
            SkipSpace();
            QString strKey;
            const int nKeyLine = m_nLine;
            if (m_p == m_pEnd || *m_p != '"' || !String(strKey))
                return false;
            for (const auto& member : value.members) {
                if (member.first == strKey) {
                    m_strError = LineMessage(IDS_TEXT_FIELD_TWICE, nKeyLine, strKey);
                    return false;
                }
            }
            SkipSpace();
            if (m_p == m_pEnd || *m_p++ != ':')
                return false;
            JVALUE member;
            if (!Value(member, nDepth + 1))
                return false;
            value.members.emplace_back(strKey, std::move(member));
            SkipSpace();
            if (m_p == m_pEnd)
                return false;
            if (*m_p == '}') {
                ++m_p;
                return true;
            }
            if (*m_p++ != ',')
                return false;
        }
    }

    bool Array(JVALUE& value, int nDepth)
    {
        ++m_p;
        SkipSpace();
        if (m_p != m_pEnd && *m_p == ']') {
            ++m_p;
            return true;
        }
        for (;;) {
            JVALUE item;
            if (!Value(item, nDepth + 1))
                return false;
            value.items.push_back(std::move(item));
            SkipSpace();
            if (m_p == m_pEnd)
                return false;
            if (*m_p == ']') {
                ++m_p;
                return true;
            }
            if (*m_p++ != ',')
                return false;
        }
    }

    static int HexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    bool String(QString& str)
    {
        ++m_p;
        QByteArray bytes;
        while (m_p != m_pEnd && *m_p != '"') {
            const char c = *m_p++;
            if (static_cast<unsigned char>(c) < 0x20)
                return false; // a raw control character or line break
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (m_p == m_pEnd)
                return false;
            const char e = *m_p++;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                bytes += e;
                break;
            case 'b':
                bytes += '\b';
                break;
            case 'f':
                bytes += '\f';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'u': {
                if (m_pEnd - m_p < 4)
                    return false;
                int n = 0;
                for (int i = 0; i < 4; ++i) {
                    const int d = HexDigit(*m_p++);
                    if (d < 0)
                        return false;
                    n = n * 16 + d;
                }
                // UTF-16 code units; a surrogate pair arrives as two escapes.
                const char16_t ch = static_cast<char16_t>(n);
                m_PendingUnits.push_back({static_cast<int>(bytes.size()), ch});
                break;
            }
            default:
                return false;
            }
        }
        if (m_p == m_pEnd)
            return false;
        ++m_p;
        if (m_PendingUnits.empty()) {
            str = QString::fromUtf8(bytes);
            return true;
        }
        // Escaped units go in at their places between the UTF-8 runs.
        str.clear();
        int nDone = 0;
        for (const auto& unit : m_PendingUnits) {
            str += QString::fromUtf8(bytes.mid(nDone, unit.first - nDone));
            str += QChar(unit.second);
            nDone = unit.first;
        }
        str += QString::fromUtf8(bytes.mid(nDone));
        m_PendingUnits.clear();
        return true;
    }

    const char* m_p;
    const char* m_pEnd;
    int m_nLine = 1;
    QString m_strError;
    std::vector<std::pair<int, char16_t>> m_PendingUnits;
};

bool ApplyMember(const QString& strKey, const JVALUE& value, STOREMEM& m, QString& strError)
{
    for (int a = 0; a < 3; ++a) {
        if (strKey != QLatin1String(g_AbcMemNames[a]))
            continue;
        if (value.cell.eType != VALUE_OBJECT) {
            strError = LineMessage(IDS_TEXT_NEEDS_MEMORY_OBJECT, value.nLine, strKey);
            return false;
        }
        for (const auto& [strName, v] : value.members) {
            const COLUMN* pColumn = FindColumn(strKey + QLatin1Char('/') + strName);
            if (!pColumn) {
                strError = LineMessage(IDS_TEXT_UNKNOWN_FIELD, v.nLine, strKey + QLatin1Char('/') + strName);
                return false;
            }
            if (!SetCell(*pColumn, v.cell, v.nLine, m, strError))
                return false;
        }
        return true;
    }
    const COLUMN* pColumn = FindColumn(strKey);
    if (!pColumn || pColumn->pAbc) {
        strError = LineMessage(IDS_TEXT_UNKNOWN_FIELD, value.nLine, strKey);
        return false;
    }
    return SetCell(*pColumn, value.cell, value.nLine, m, strError);
}

bool ReadJson(const QByteArray& bytes, CXmlDocData& data, QString& strError)
{
    JVALUE root;
    if (!CJsonReader(bytes).Document(root, strError))
        return false;
    if (root.cell.eType != VALUE_OBJECT) {
        strError = LoadResString(IDS_TEXT_EXPECTED_MEMORIES).arg(root.nLine);
        return false;
    }
    const JVALUE* pList = nullptr;
    for (const auto& [strKey, v] : root.members) {
        if (strKey != QLatin1String("Memories")) {
            strError = LineMessage(IDS_TEXT_UNKNOWN_FIELD, v.nLine, strKey);
            return false;
        }
        pList = &v;
    }
    if (!pList || pList->cell.eType != VALUE_ARRAY) {
        strError = LoadResString(IDS_TEXT_EXPECTED_MEMORIES).arg(pList ? pList->nLine : root.nLine);
        return false;
    }
    std::map<int, int> lineOfMemory;
    for (const JVALUE& item : pList->items) {
        if (item.cell.eType != VALUE_OBJECT) {
            strError = LoadResString(IDS_TEXT_EXPECTED_MEMORIES).arg(item.nLine);
            return false;
        }
        const JVALUE* pIndex = nullptr;
        for (const auto& member : item.members) {
            if (member.first == QLatin1String("Index"))
                pIndex = &member.second;
        }
        if (!pIndex) {
            strError = LoadResString(IDS_TEXT_MEMORY_WITHOUT_INDEX).arg(item.nLine);
            return false;
        }
        const int nMemory = MemoryIndex(pIndex->cell, pIndex->nLine, strError);
        if (nMemory < 0)
            return false;
        if (lineOfMemory.count(nMemory)) {
            strError = LoadResString(IDS_TEXT_MEMORY_TWICE)
                           .arg(pIndex->nLine)
                           .arg(nMemory)
                           .arg(lineOfMemory[nMemory]);
            return false;
        }
        lineOfMemory[nMemory] = pIndex->nLine;
        STOREMEM& m = *data.GetContainer().GetAt(nMemory);
        for (const auto& [strKey, v] : item.members) {
            if (&v != pIndex && !ApplyMember(strKey, v, m, strError))
                return false;
        }
    }
    return true;
}

// ---- CSV ----

QString CsvCell(const CELL& cell, EStoreMemFieldKind eKind)
{
    if (eKind == FIELD_COUNTTIME)
        return cell.strText == QLatin1String("true") ? QStringLiteral("YES") : QStringLiteral("NO");
    const QString& str = cell.strText;
    if (!str.contains(QLatin1Char(',')) && !str.contains(QLatin1Char('"')) &&
        !str.contains(QLatin1Char('\n')) && !str.contains(QLatin1Char('\r')))
        return str;
    return QLatin1Char('"') + QString(str).replace(QLatin1String("\""), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QByteArray WriteCsv(const CXmlDocData& data)
{
    QStringList header{QStringLiteral("Index")};
    for (const COLUMN& c : Columns())
        header.append(c.strName);
    QString str = header.join(QLatin1Char(',')) + QLatin1String("\r\n");
    const CStoreMemContainer& memories = data.GetContainer();
    for (int i = 0; i < memories.GetCount(); ++i) {
        QStringList row{QString::number(i)};
        for (const COLUMN& c : Columns())
            row.append(CsvCell(GetCell(c, *memories.GetAt(i)), KindOf(c)));
        str += row.join(QLatin1Char(',')) + QLatin1String("\r\n");
    }
    return str.toUtf8();
}

struct CSVRECORD
{
    int nLine = 1;
    QStringList cells;
};

// RFC 4180 records; line breaks CRLF or LF, inside quotes kept as written.
bool SplitCsv(const QByteArray& bytes, std::vector<CSVRECORD>& records, QString& strError)
{
    const char* p = bytes.constData();
    const char* const pEnd = p + bytes.size();
    if (pEnd - p >= 3 && std::string_view(p, 3) == "\xEF\xBB\xBF")
        p += 3;
    int nLine = 1;
    while (p != pEnd) {
        CSVRECORD record;
        record.nLine = nLine;
        bool bOnlyEmpty = true;
        for (;;) {
            QByteArray cell;
            if (p != pEnd && *p == '"') {
                bOnlyEmpty = false;
                for (++p;; ++p) {
                    if (p == pEnd) {
                        strError = LoadResString(IDS_TEXT_INVALID_CSV).arg(record.nLine);
                        return false;
                    }
                    if (*p == '"') {
                        if (p + 1 != pEnd && p[1] == '"') {
                            cell += '"';
                            ++p;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    if (*p == '\n')
                        ++nLine;
                    cell += *p;
                }
                if (p != pEnd && *p != ',' && *p != '\r' && *p != '\n') {
                    strError = LoadResString(IDS_TEXT_INVALID_CSV).arg(nLine);
                    return false;
                }
            } else {
                while (p != pEnd && *p != ',' && *p != '\r' && *p != '\n') {
                    if (*p == '"') {
                        strError = LoadResString(IDS_TEXT_INVALID_CSV).arg(nLine);
                        return false;
                    }
                    cell += *p++;
                }
                bOnlyEmpty = bOnlyEmpty && cell.isEmpty();
            }
            record.cells.append(QString::fromUtf8(cell));
            if (p != pEnd && *p == ',') {
                ++p;
                bOnlyEmpty = false;
                continue;
            }
            if (p != pEnd && *p == '\r')
                ++p;
            if (p != pEnd && *p == '\n') {
                ++p;
                ++nLine;
            } else if (p != pEnd) {
                strError = LoadResString(IDS_TEXT_INVALID_CSV).arg(nLine);
                return false;
            }
            break;
        }
        if (!bOnlyEmpty) // blank lines carry nothing
            records.push_back(std::move(record));
    }
    return true;
}

CELL CellFromCsv(const QString& str, EStoreMemFieldKind eKind)
{
    switch (eKind) {
    case FIELD_FLOAT:
    case FIELD_RESPONSE:
        return {IsNumberLiteral(str) ? VALUE_NUMBER : VALUE_STRING, str};
    case FIELD_COUNTTIME:
        if (str.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0)
            return {VALUE_BOOL, QStringLiteral("true")};
        if (str.compare(QLatin1String("NO"), Qt::CaseInsensitive) == 0)
            return {VALUE_BOOL, QStringLiteral("false")};
        return {VALUE_STRING, str};
    case FIELD_TEXT:
        break;
    }
    return {VALUE_STRING, str};
}

bool ReadCsv(const QByteArray& bytes, CXmlDocData& data, QString& strError)
{
    std::vector<CSVRECORD> records;
    if (!SplitCsv(bytes, records, strError))
        return false;
    if (records.empty()) {
        strError = LoadResString(IDS_TEXT_MEMORY_WITHOUT_INDEX).arg(1);
        return false;
    }
    const CSVRECORD& header = records.front();
    std::vector<const COLUMN*> columns;
    int nIndexColumn = -1;
    for (int i = 0; i < header.cells.size(); ++i) {
        const QString& strName = header.cells.at(i);
        if (header.cells.indexOf(strName) != i) {
            strError = LineMessage(IDS_TEXT_FIELD_TWICE, header.nLine, strName);
            return false;
        }
        const COLUMN* pColumn = FindColumn(strName);
        if (strName == QLatin1String("Index"))
            nIndexColumn = i;
        else if (!pColumn) {
            strError = LineMessage(IDS_TEXT_UNKNOWN_FIELD, header.nLine, strName);
            return false;
        }
        columns.push_back(pColumn);
    }
    if (nIndexColumn < 0) {
        strError = LoadResString(IDS_TEXT_MEMORY_WITHOUT_INDEX).arg(header.nLine);
        return false;
    }
    std::map<int, int> lineOfMemory;
    for (size_t r = 1; r < records.size(); ++r) {
        const CSVRECORD& record = records[r];
        if (record.cells.size() != header.cells.size()) {
            strError = LoadResString(IDS_TEXT_CELL_COUNT)
                           .arg(record.nLine)
                           .arg(record.cells.size())
                           .arg(header.cells.size());
            return false;
        }
        const QString& strIndex = record.cells.at(nIndexColumn);
        const int nMemory = MemoryIndex({IsNumberLiteral(strIndex) ? VALUE_NUMBER : VALUE_STRING, strIndex},
                                        record.nLine, strError);
        if (nMemory < 0)
            return false;
        if (lineOfMemory.count(nMemory)) {
            strError = LoadResString(IDS_TEXT_MEMORY_TWICE)
                           .arg(record.nLine)
                           .arg(nMemory)
                           .arg(lineOfMemory[nMemory]);
            return false;
        }
        lineOfMemory[nMemory] = record.nLine;
        STOREMEM& m = *data.GetContainer().GetAt(nMemory);
        for (int i = 0; i < record.cells.size(); ++i) {
            if (i != nIndexColumn &&
                !SetCell(*columns[static_cast<size_t>(i)],
                         CellFromCsv(record.cells.at(i), KindOf(*columns[static_cast<size_t>(i)])),
                         record.nLine, m, strError))
                return false;
        }
    }
    return true;
}

} // namespace

QByteArray CMemoryTextFile::Write(const CXmlDocData& data, EFormat eFormat)
{
    return eFormat == FORMAT_CSV ? WriteCsv(data) : WriteJson(data);
}

bool CMemoryTextFile::Read(const QByteArray& bytes, EFormat eFormat, CXmlDocData& data, QString& strError)
{
    data.Reset();
    strError.clear();
    return eFormat == FORMAT_CSV ? ReadCsv(bytes, data, strError) : ReadJson(bytes, data, strError);
}
