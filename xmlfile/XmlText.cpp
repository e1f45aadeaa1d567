#include "xmlfile/XmlText.h"

#include <QList>
#include <QStringList>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace XmlText {

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

bool StartsWithNoCase(const char* psz, const char* pszPrefix)
{
    for (; *pszPrefix; ++psz, ++pszPrefix) {
        char c = *psz;
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != *pszPrefix)
            return false;
    }
    return true;
}

} // namespace

std::int32_t ScanLong(const char* psz, int nBase)
{
    while (IsSpace(*psz))
        ++psz;
    bool bNegative = false;
    if (*psz == '+' || *psz == '-')
        bNegative = *psz++ == '-';
    if (nBase == 16 && psz[0] == '0' && (psz[1] == 'x' || psz[1] == 'X') && DigitValue(psz[2]) < 16)
        psz += 2;
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so a
    // long run of digits cannot overflow.
    const std::int64_t nLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t nValue = 0;
    for (int d; (d = DigitValue(*psz)) < nBase; ++psz) {
        if (nValue <= nLimit)
            nValue = nValue * nBase + d;
    }
    if (bNegative)
        nValue = -nValue;
    if (nValue > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (nValue < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(nValue);
}

float ScanFloat(const char* psz)
{
    while (IsSpace(*psz))
        ++psz;
    bool bNegative = false;
    if (*psz == '+' || *psz == '-')
        bNegative = *psz++ == '-';
    if (StartsWithNoCase(psz, "INF"))
        return bNegative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();

    // Take the longest prefix that is a decimal number; from_chars then reads
    // exactly that, locale-free and correctly rounded.
    const char* p = psz;
    bool bDigits = false;
    while (*p >= '0' && *p <= '9') {
        ++p;
        bDigits = true;
    }
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            ++p;
            bDigits = true;
        }
    }
    if (!bDigits)
        return std::numeric_limits<float>::quiet_NaN();
    if (*p == 'e' || *p == 'E') {
        const char* pExp = p + 1;
        if (*pExp == '+' || *pExp == '-')
            ++pExp;
        if (*pExp >= '0' && *pExp <= '9') {
            p = pExp;
            while (*p >= '0' && *p <= '9')
                ++p;
        }
    }
    float fValue = 0;
    if (std::from_chars(psz, p, fValue, std::chars_format::general).ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone when it over- or underflows; the C
        // conversion gives infinity or zero. Which one follows from the
        // magnitude: digits before the point, or zeros after it, plus exponent.
        std::int64_t nMagnitude = 0;
        const char* q = psz;
        while (*q == '0')
            ++q;
        while (*q >= '0' && *q <= '9')
            ++q, ++nMagnitude;
        if (nMagnitude == 0 && *q == '.') {
            for (++q; *q == '0'; ++q)
                --nMagnitude;
        }
        const char* pE = std::strpbrk(psz, "eE");
        if (pE && pE < p)
            nMagnitude += ScanLong(pE + 1, 10);
        fValue = nMagnitude > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    return bNegative ? -fValue : fValue;
}

std::string FormatFixed(double dValue, int nPrecision)
{
    if (std::isnan(dValue))
        return "NAN";
    if (nPrecision < 0)
        nPrecision = 6;
    // 309 digits before the point at most for a double, plus sign and point.
    std::string str(static_cast<size_t>(nPrecision) + 320, '\0');
    const std::to_chars_result r =
        std::to_chars(str.data(), str.data() + str.size(), dValue, std::chars_format::fixed, nPrecision);
    str.resize(static_cast<size_t>(r.ptr - str.data()));
    return str;
}

QString DecodeLineBreaks(QString str)
{
    for (qsizetype i = str.indexOf(QLatin1String("\\n")); i >= 0;
         i = str.indexOf(QLatin1String("\\n"), i + 2)) {
        str[i] = QLatin1Char('\r');
        str[i + 1] = QLatin1Char('\n');
    }
    return str;
}

QString EncodeLineBreaks(QString str)
{
    return str.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
}

namespace {

// Calls f for the position of each character that XML 1.0 cannot carry.
template <typename F> void ForEachNonXmlCharacter(const QString& str, F f)
{
    const qsizetype n = str.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = str.at(i).unicode();
        bool bBad = false;
        if (c < 0x20)
            bBad = c != '\t' && c != '\n' && c != '\r';
        else if (c == 0xFFFE || c == 0xFFFF)
            bBad = true;
        else if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(str.at(i + 1).unicode()))
                ++i;
            else
                bBad = true;
        } else if (QChar::isLowSurrogate(c))
            bBad = true;
        if (bBad)
            f(i);
    }
}

} // namespace

QString ReplaceNonXmlCharacters(QString str)
{
    QList<qsizetype> bad;
    ForEachNonXmlCharacter(str, [&](qsizetype i) { bad.append(i); });
    for (qsizetype i : bad)
        str[i] = QChar(QChar::ReplacementCharacter);
    return str;
}

QString NameNonXmlCharacters(const QString& str)
{
    QStringList names;
    ForEachNonXmlCharacter(str, [&](qsizetype i) {
        const QString strName = QStringLiteral("U+%1")
                                    .arg(static_cast<uint>(str.at(i).unicode()), 4, 16, QLatin1Char('0'))
                                    .toUpper();
        if (!names.contains(strName))
            names << strName;
    });
    return names.join(QStringLiteral(", "));
}

} // namespace XmlText
