#pragma once

#include <QString>
#include <cstdint>
#include <string>

// The text forms of values inside a memory file. They never depend on the
// process locale: files always use "." as decimal point and no grouping, and a
// desktop session under a decimal-comma locale must read and write the same
// bytes as one under English settings.
namespace XmlText {

// Integer reading with the C library's strtol rules: leading white space, an
// optional sign, for base 16 an optional "0x"/"0X", digits up to the first
// character that is not one; no digits gives 0; values beyond the 32-bit
// range clamp to its limits.
std::int32_t ScanLong(const char* psz, int nBase);

// A decimal floating-point number at the start of the text, as the C "%f"
// conversion reads it: leading white space, sign, digits with an optional "."
// and exponent, or "inf"/"infinity". Anything else, the empty text and "NAN"
// included, gives a quiet NaN.
float ScanFloat(const char* psz);

// "%0.*f" of the value: fixed point, "." as decimal point, exactly nPrecision
// digits after it (a negative precision means 6), "NAN" for a NaN.
std::string FormatFixed(double dValue, int nPrecision);

// The two characters backslash and n stand for a carriage-return/line-feed
// pair inside a stored text; these convert both ways.
QString DecodeLineBreaks(QString str);
QString EncodeLineBreaks(QString str);

// Characters that XML 1.0 cannot carry (control characters other than tab,
// line feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF) are
// replaced by U+FFFD, so that a saved file always reads back.
QString ReplaceNonXmlCharacters(QString str);
// The characters that ReplaceNonXmlCharacters would replace, each once, as
// "U+001B, U+0001"; empty when there are none.
QString NameNonXmlCharacters(const QString& str);

} // namespace XmlText
