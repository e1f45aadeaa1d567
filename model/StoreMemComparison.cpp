#include "model/StoreMemComparison.h"

#include "model/StoreMemFields.h"
#include "xmlfile/XmlText.h"

#include <cmath>
#include <cstdint>

namespace {

QString Fixed(float f, int nPrecision)
{
    return QString::fromStdString(XmlText::FormatFixed(static_cast<double>(f), nPrecision));
}

void AddFloat(std::vector<STOREMEMDIFFERENCE>& out, const QString& strName, float a, float b, int nPrecision,
              EStoreMemCompare eCompare)
{
    if (a == b || (std::isnan(a) && std::isnan(b)))
        return;
    QString strA = Fixed(a, nPrecision);
    QString strB = Fixed(b, nPrecision);
    if (strA == strB) {
        if (eCompare == EStoreMemCompare::FilePrecision)
            return;
        strA = QString::number(static_cast<double>(a), 'g', 9);
        strB = QString::number(static_cast<double>(b), 'g', 9);
    }
    out.push_back({strName, strA, strB});
}

// The switch and the response as the memory file keeps them: YES or NO, and
// the low 16 bits.
std::int32_t FileInt(EStoreMemFieldKind kind, std::int32_t n)
{
    if (kind == FIELD_COUNTTIME)
        return n != 0 ? 1 : 0;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(n));
}

} // namespace

std::vector<STOREMEMDIFFERENCE> CompareStoreMem(const STOREMEM& a, const STOREMEM& b,
                                                EStoreMemCompare eCompare, int nMemoLimit)
{
    std::vector<STOREMEMDIFFERENCE> out;
    for (const STOREMEMFIELD& f : g_StoreMemFields) {
        const QString strName = QString::fromLatin1(f.pszName);
        switch (f.kind) {
        case FIELD_TEXT: {
            const QString& strA = a.*f.pText;
            const QString& strB = b.*f.pText;
            if (strA == strB || (strA.isEmpty() && strB.isEmpty()))
                break;
            STOREMEMDIFFERENCE d{strName, strA, strB};
            d.bMemoTooLong = f.pText == &STOREMEM::Memo && nMemoLimit > 0 && strA.size() > nMemoLimit;
            out.push_back(d);
            break;
        }
        case FIELD_FLOAT:
            AddFloat(out, strName, a.*f.pFloat, b.*f.pFloat, f.nPrecision, eCompare);
            break;
        case FIELD_COUNTTIME:
        case FIELD_RESPONSE:
            if (a.*f.pInt != b.*f.pInt && (eCompare == EStoreMemCompare::Exact ||
                                           FileInt(f.kind, a.*f.pInt) != FileInt(f.kind, b.*f.pInt)))
                out.push_back({strName, QString::number(a.*f.pInt), QString::number(b.*f.pInt)});
            break;
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            AddFloat(out,
                     QStringLiteral("%1/%2").arg(QLatin1String(g_AbcMemNames[i]), QLatin1String(f.pszName)),
                     a.Abc[i].*f.pField, b.Abc[i].*f.pField, f.nPrecision, eCompare);
    }
    return out;
}

QString EscapeForLine(QString str)
{
    str.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    str.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    str.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    str.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return str;
}
