#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The DXR9K's replies turned into values: pure functions, bounded by the
// driver's buffer sizes, that give a defined result for any text (long,
// truncated, garbage or empty). Numbers are read with "." as decimal point
// whatever the process locale.
namespace ScpiReply {

// Buffer sizes in characters, terminator included.
constexpr int REPLY_CHARS = 256; // every reply, command and token copy
constexpr int FIELD_CHARS = 16;  // identification fields and range keywords
constexpr int MEMO_CHARS = 64;   // the memo reply

// The text as a zero-terminated buffer of nBufferChars characters holds it:
// up to the first zero character and at most nBufferChars - 1 characters,
// without splitting a surrogate pair.
QString Buffer(const QString& str, int nBufferChars);

// Whether a double-quoted text is still open at the end of str (quotes inside
// a text are doubled, so a closed text has an even number of them).
bool HasOpenQuote(const QString& str);

// White space as the "C" locale knows it.
bool IsSpace(QChar c);

// The firmware version of an identification reply, major number in the high
// byte and minor in the low byte; 0 when the reply is not "TALVERO," followed
// by three non-empty fields, or the firmware field starts with no number.
std::uint16_t ParseVersion(const QString& strReply);

// The first four tokens of an identification reply, split at runs of commas
// and spaces (the fourth also at a line feed); missing tokens are empty.
void SplitIdentity(const QString& strReply, QString& strManufacturer, QString& strModel, QString& strSerial,
                   QString& strFirmware);

// An error-queue reply: the number before the first comma (0 when there is no
// number) and, through pMessage, the text after that comma up to the line feed.
std::int32_t ParseError(const QString& strReply, QString* pMessage);

// Reads a number as a scan with "%f" does: white space skipped, then the
// longest prefix that forms a decimal (or inf/nan) number. Advances nPos past
// it; false, with nPos unchanged, when no number starts there.
bool ScanFloat(const QString& str, int& nPos, float& fValue);
// A token as a number: its leading number, 0 when it has none.
float ToFloat(const QString& strToken);
// A token as an integer: optional sign and the digits that follow, stopping at
// the first non-digit; 0 without digits; clamped to the 32-bit range.
std::int32_t ToInt(const QString& strToken);

// The tokens of a reply split at runs of commas and spaces, the reply ending at
// its first line feed; at most nMaxTokens of them.
QStringList SplitTokens(const QString& strReply, int nMaxTokens);

// A memo as a quoted string: at most nLimit characters of the text, each
// double quote doubled; an empty text gives "".
QString QuoteText(const QString& strText, int nLimit);
// The memo of a quoted reply: the text between the first and the last double
// quote with doubled quotes made single; empty when the reply has no quote.
QString UnquoteText(const QString& strReply);

} // namespace ScpiReply
