#pragma once

#include "model/StoreMem.h"
#include "model/StoreMemFields.h"

#include <QString>
#include <cstdint>

// The ten BACK:SMEM commands that carry one store memory, as one table: each
// row names its header, how its reply is read, and the record fields it
// carries in the order they travel. Writing formats the fields into the
// command; reading the query's reply fills them back.

// How a query's reply is read.
enum class ESmemReply
{
    Scan,   // numbers separated by single commas, then an optional keyword
    Tokens, // tokens separated by runs of commas and spaces
    Memo,   // a quoted string
};

struct SMEMCOMMAND
{
    static constexpr int MAX_FIELDS = 11;

    const char* pszHeader; // e.g. "BACK:SMEM:CURR"
    ESmemReply eReply;
    int nFields;
    STOREMEMFIELDREF fields[MAX_FIELDS];
};

namespace StoreMemCommands {

constexpr int COMMAND_COUNT = 10;
// Longest memo the instrument holds.
constexpr int MEMO_LIMIT = 15;

// The ten commands in the order they are sent.
const SMEMCOMMAND* Table();

// "BACK:SMEM:NSEL n\n".
QString FormatSelect(std::int32_t nMemory);
// The command that writes the row's fields of the record, line feed included.
// Numbers go as the memory file writes them (FormatNumber with the file's
// precision: conductances with 6 decimals, every other number with 4),
// integers with "%d", keywords verbatim, the memo quoted. Never cut: a
// command longer than the instrument's 256-character buffer is for the
// caller to refuse (TooLongField).
QString FormatCommand(const SMEMCOMMAND& command, const STOREMEM& mem);
// A number in fixed notation with nPrecision decimals and "." as the point,
// ties rounded exactly as the memory file rounds them.
QString FormatNumber(float fValue, int nPrecision);
// Empty when every command of the record fits the instrument's buffer;
// otherwise the memory-file name of the field that makes the first too-long
// command too long (such as "Pow" or "AMem/Cond_M").
QString TooLongField(const STOREMEM& mem);
// The row's query, "BACK:SMEM:CURR?\n" and so on.
QString FormatQuery(const SMEMCOMMAND& command);
// Fills the row's fields of the record from the reply to its query. False
// when the reply does not fit the query's shape (the count of values,
// numbers where numbers belong, keywords where keywords belong, a quoted
// memo, nothing after the last value): the record may then hold some of the
// reply's values, so the caller reads into a copy.
bool ParseReply(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem);

} // namespace StoreMemCommands
