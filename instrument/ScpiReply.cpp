#include "instrument/ScpiReply.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace ScpiReply {

bool IsSpace(QChar c)
{
    switch (c.unicode()) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
        return true;
    default:
        return false;
    }
}

namespace {

// strtof under the "C" locale for this thread only: the desktop program runs
// in the user's locale, where the decimal point may be a comma, while the
// instrument always sends a point.
float StrToFloatC(const char* psz, char** ppEnd)
{
    static const locale_t s_cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    const locale_t previous = uselocale(s_cLocale);
    const int nSavedErrno = errno;
    const float f = std::strtof(psz, ppEnd);
    errno = nSavedErrno;
    uselocale(previous);
    return f;
}

// The field of an identification reply that starts at nPos and runs up to (not
// including) one of the stop characters or the end. Empty when none.
QString TakeUntil(const QString& str, int& nPos, QChar cStop)
{
    const int nStart = nPos;
    while (nPos < str.size() && str.at(nPos) != cStop)
        ++nPos;
    return str.mid(nStart, nPos - nStart);
}

// "%d" as far as the version needs it: the value modulo 2^32, which keeps the
// low byte exact for any number of digits.
bool ScanIntWrapped(const QString& str, int& nPos, std::uint32_t& dwValue)
{
    int i = nPos;
    while (i < str.size() && IsSpace(str.at(i)))
        ++i;
    bool bNegative = false;
    if (i < str.size() && (str.at(i) == QLatin1Char('+') || str.at(i) == QLatin1Char('-'))) {
        bNegative = str.at(i) == QLatin1Char('-');
        ++i;
    }
    const int nDigits = i;
    std::uint32_t dw = 0;
    while (i < str.size() && str.at(i) >= QLatin1Char('0') && str.at(i) <= QLatin1Char('9')) {
        dw = dw * 10u + static_cast<std::uint32_t>(str.at(i).unicode() - '0');
        ++i;
    }
    if (i == nDigits)
        return false;
    dwValue = bNegative ? 0u - dw : dw;
    nPos = i;
    return true;
}

// One token as strtok finds it: leading delimiters skipped, then up to the next
// delimiter, which is consumed. Empty at the end of the text.
QString NextToken(const QString& str, int& nPos, const QString& strDelimiters)
{
    while (nPos < str.size() && strDelimiters.contains(str.at(nPos)))
        ++nPos;
    const int nStart = nPos;
    while (nPos < str.size() && !strDelimiters.contains(str.at(nPos)))
        ++nPos;
    const QString strToken = str.mid(nStart, nPos - nStart);
    if (nPos < str.size())
        ++nPos;
    return strToken;
}

} // namespace

QString Buffer(const QString& str, int nBufferChars)
{
    qsizetype n = str.indexOf(QChar(0));
    if (n < 0)
        n = str.size();
    if (n > nBufferChars - 1) {
        n = nBufferChars - 1;
        if (n > 0 && str.at(n - 1).isHighSurrogate())
            --n;
    }
    return n == str.size() ? str : str.left(n);
}

bool HasOpenQuote(const QString& str)
{
    return str.count(QLatin1Char('"')) % 2 != 0;
}

std::uint16_t ParseVersion(const QString& strReply)
{
    static const QString s_strMaker = QStringLiteral("TALVERO,");
    const QString str = Buffer(strReply, REPLY_CHARS);
    if (!str.startsWith(s_strMaker))
        return 0;
    int nPos = static_cast<int>(s_strMaker.size());
    // Model and serial number each end at a comma that must follow them; the
    // firmware field is the rest of the line. None of the three may be empty.
    for (int nField = 0; nField < 2; ++nField) {
        if (TakeUntil(str, nPos, QLatin1Char(',')).isEmpty() || nPos >= str.size())
            return 0;
        ++nPos;
    }
    const QString strFirmware = Buffer(TakeUntil(str, nPos, QLatin1Char('\n')), FIELD_CHARS);
    if (strFirmware.isEmpty())
        return 0;

    std::uint32_t dwMajor = 0;
    std::uint32_t dwMinor = 0;
    int nFw = 0;
    if (ScanIntWrapped(strFirmware, nFw, dwMajor) && nFw < strFirmware.size() &&
        strFirmware.at(nFw) == QLatin1Char('.')) {
        ++nFw;
        ScanIntWrapped(strFirmware, nFw, dwMinor);
    }
    return static_cast<std::uint16_t>(((dwMajor & 0xFFu) << 8) | (dwMinor & 0xFFu));
}

void SplitIdentity(const QString& strReply, QString& strManufacturer, QString& strModel, QString& strSerial,
                   QString& strFirmware)
{
    static const QString s_strFieldDelims = QStringLiteral(", ");
    static const QString s_strLastDelims = QStringLiteral(", \n");
    const QString str = Buffer(strReply, REPLY_CHARS);
    int nPos = 0;
    strManufacturer = NextToken(str, nPos, s_strFieldDelims);
    strModel = NextToken(str, nPos, s_strFieldDelims);
    strSerial = NextToken(str, nPos, s_strFieldDelims);
    strFirmware = NextToken(str, nPos, s_strLastDelims);
}

std::int32_t ParseError(const QString& strReply, QString* pMessage)
{
    const QString str = Buffer(strReply, REPLY_CHARS);
    const std::int32_t nCode = ToInt(str);
    if (pMessage) {
        pMessage->clear();
        int nPos = static_cast<int>(str.indexOf(QLatin1Char(',')));
        if (nPos >= 0) {
            ++nPos;
            *pMessage = TakeUntil(str, nPos, QLatin1Char('\n'));
        }
    }
    return nCode;
}

bool ScanFloat(const QString& str, int& nPos, float& fValue)
{
    if (nPos < 0 || nPos >= str.size())
        return false;
    // One byte per UTF-16 unit keeps positions aligned; anything outside
    // Latin-1 becomes '?', which no number contains.
    const QByteArray bytes = str.mid(nPos).toLatin1();
    char* pEnd = nullptr;
    const float f = StrToFloatC(bytes.constData(), &pEnd);
    if (pEnd == bytes.constData())
        return false;
    fValue = f;
    nPos += static_cast<int>(pEnd - bytes.constData());
    return true;
}

float ToFloat(const QString& strToken)
{
    int nPos = 0;
    float f = 0;
    return ScanFloat(strToken, nPos, f) ? f : 0.0f;
}

std::int32_t ToInt(const QString& strToken)
{
    int i = 0;
    while (i < strToken.size() && IsSpace(strToken.at(i)))
        ++i;
    bool bNegative = false;
    if (i < strToken.size() && (strToken.at(i) == QLatin1Char('+') || strToken.at(i) == QLatin1Char('-'))) {
        bNegative = strToken.at(i) == QLatin1Char('-');
        ++i;
    }
    constexpr std::int64_t nLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t n = 0;
    while (i < strToken.size() && strToken.at(i) >= QLatin1Char('0') && strToken.at(i) <= QLatin1Char('9')) {
        if (n < nLimit)
            n = n * 10 + (strToken.at(i).unicode() - '0');
        ++i;
    }
    if (bNegative)
        return static_cast<std::int32_t>(-std::min(n, nLimit));
    return static_cast<std::int32_t>(std::min(n, nLimit - 1));
}

QStringList SplitTokens(const QString& strReply, int nMaxTokens)
{
    static const QString s_strDelims = QStringLiteral(", ");
    QString str = Buffer(strReply, REPLY_CHARS);
    const qsizetype nEnd = str.indexOf(QLatin1Char('\n'));
    if (nEnd >= 0)
        str.truncate(nEnd);
    QStringList tokens;
    int nPos = 0;
    while (tokens.size() < nMaxTokens) {
        QString strToken = NextToken(str, nPos, s_strDelims);
        if (strToken.isEmpty())
            break;
        tokens.append(strToken);
    }
    return tokens;
}

QString QuoteText(const QString& strText, int nLimit)
{
    QString strQuoted(QLatin1Char('"'));
    const QString strBody = Buffer(strText, std::max(nLimit, 0) + 1);
    for (const QChar c : strBody) {
        strQuoted += c;
        if (c == QLatin1Char('"'))
            strQuoted += c;
    }
    strQuoted += QLatin1Char('"');
    return strQuoted;
}

QString UnquoteText(const QString& strReply)
{
    const qsizetype nLast = strReply.lastIndexOf(QLatin1Char('"'));
    if (nLast < 0)
        return QString();
    const qsizetype nFirst = strReply.left(nLast).indexOf(QLatin1Char('"'));
    if (nFirst < 0)
        return QString();
    QString strText;
    for (qsizetype i = nFirst + 1; i < nLast; ++i) {
        const QChar c = strReply.at(i);
        strText += c;
        if (c == QLatin1Char('"'))
            ++i;
    }
    return strText;
}

} // namespace ScpiReply
