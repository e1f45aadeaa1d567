#pragma once

#include "model/StoreMem.h"

#include <QString>

// The fields of a store memory as a memory file names and writes them, in
// the file's order. One table serves the file mapping (both ways) and the
// comparison of two sets of memories.
enum EStoreMemFieldKind
{
    FIELD_TEXT,      // a text; line breaks stored as backslash-n
    FIELD_FLOAT,     // fixed point with nPrecision decimals
    FIELD_COUNTTIME, // a switch stored as YES/NO
    FIELD_RESPONSE,  // the low 16 bits as a signed decimal
};

struct STOREMEMFIELD
{
    const char* pszName;
    EStoreMemFieldKind kind;
    short nPrecision;
    QString STOREMEM::*pText;
    float STOREMEM::*pFloat;
    std::int32_t STOREMEM::*pInt;
};

struct ABCMEMFIELD
{
    const char* pszName;
    short nPrecision;
    float ABCMEM::*pField;
};

constexpr int STOREMEM_FIELD_COUNT = 20;
constexpr int ABCMEM_FIELD_COUNT = 12;

// Memo, Mode, Vrange, ... InputTime: the 20 single values.
extern const STOREMEMFIELD g_StoreMemFields[STOREMEM_FIELD_COUNT];
// Curr_L, Curr_M, Curr_H, Pow_L, ...: LOW first, as the file lays them out.
extern const ABCMEMFIELD g_AbcMemFields[ABCMEM_FIELD_COUNT];
// "AMem", "BMem", "CMem": the elements of the A, B and C memories.
extern const char* const g_AbcMemNames[3];
