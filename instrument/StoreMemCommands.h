#pragma once

#include "model/StoreMem.h"

#include <QString>
#include <cstdint>

// The ten BACK:SMEM commands that carry one store memory, as one table: each
// row names its header, how its reply is read, and the record fields it
// carries in the order they travel. Writing formats the fields into the
// command; reading the query's reply fills them back.

// One field of a record, reached through one of the three pointers.
struct SMEMFIELDREF
{
    SMEMFIELDREF(float* p) : pFloat(p) {}
    SMEMFIELDREF(std::int32_t* p) : pInt(p) {}
    SMEMFIELDREF(QString* p) : pText(p) {}

    float* pFloat = nullptr;
    std::int32_t* pInt = nullptr;
    QString* pText = nullptr;
};

// How a query's reply is read.
enum class ESmemReply
{
    Scan,   // numbers separated by single commas, then an optional keyword; stops at the first mismatch
    Tokens, // tokens separated by runs of commas and spaces
    Memo,   // a quoted string
};

struct SMEMCOMMAND
{
    static constexpr int MAX_FIELDS = 11;

    const char* pszHeader; // e.g. "BACK:SMEM:CURR"
    ESmemReply eReply;
    int nFields;
    SMEMFIELDREF (*pfnField[MAX_FIELDS])(STOREMEM&);
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
// Numbers go with "%0.4f" (integers "%d"), keywords verbatim, the memo quoted.
// A command that would not fit the 256-character buffer is cut and still ends
// with its line feed, so the instrument rejects it instead of waiting for more.
QString FormatCommand(const SMEMCOMMAND& command, const STOREMEM& mem);
// The row's query, "BACK:SMEM:CURR?\n" and so on.
QString FormatQuery(const SMEMCOMMAND& command);
// Fills the row's fields of the record from the reply to its query. Fields the
// reply does not reach keep their values.
void ParseReply(const SMEMCOMMAND& command, const QString& strReply, STOREMEM& mem);

} // namespace StoreMemCommands
