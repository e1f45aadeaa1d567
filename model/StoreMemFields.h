#pragma once

#include "model/StoreMem.h"

#include <QString>
#include <cstdint>

// One field of a store memory, addressed by pointer to member: a member of the
// record itself, or a member of its A, B or C memory. The memory file's field
// table below, the instrument's command table and the simulator all point at
// record fields this way; one address reads a const record and writes a
// writable one.
struct STOREMEMFIELDREF
{
    constexpr STOREMEMFIELDREF() = default; // no field
    constexpr STOREMEMFIELDREF(QString STOREMEM::*p) : pText(p) {}
    constexpr STOREMEMFIELDREF(float STOREMEM::*p) : pFloat(p) {}
    constexpr STOREMEMFIELDREF(std::int32_t STOREMEM::*p) : pInt(p) {}
    constexpr STOREMEMFIELDREF(int nAbcIndex, float ABCMEM::*p) : nAbc(nAbcIndex), pAbcFloat(p) {}

    // The field in the record, null when the field is not of that type; a
    // const record gives a const field.
    template <class REC> auto Text(REC& mem) const { return pText ? &(mem.*pText) : nullptr; }
    template <class REC> auto Float(REC& mem) const
    {
        return pAbcFloat ? &(mem.Abc[nAbc].*pAbcFloat) : pFloat ? &(mem.*pFloat) : nullptr;
    }
    template <class REC> auto Int(REC& mem) const { return pInt ? &(mem.*pInt) : nullptr; }

    constexpr bool operator==(const STOREMEMFIELDREF& other) const
    {
        return pText == other.pText && pFloat == other.pFloat && pInt == other.pInt &&
               pAbcFloat == other.pAbcFloat && (!pAbcFloat || nAbc == other.nAbc);
    }
    constexpr bool operator!=(const STOREMEMFIELDREF& other) const { return !(*this == other); }

    QString STOREMEM::*pText = nullptr;
    float STOREMEM::*pFloat = nullptr;
    std::int32_t STOREMEM::*pInt = nullptr;
    int nAbc = 0; // 0, 1, 2: A, B, C
    float ABCMEM::*pAbcFloat = nullptr;
};

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

// A single value: where it is in the record (the base), its file name, kind
// and decimals.
struct STOREMEMFIELD : STOREMEMFIELDREF
{
    const char* pszName;
    EStoreMemFieldKind kind;
    short nPrecision;
};

// A value of each of the A, B and C memories.
struct ABCMEMFIELD
{
    const char* pszName;
    short nPrecision;
    float ABCMEM::*pField;

    // The value of the A (0), B (1) or C (2) memory.
    constexpr STOREMEMFIELDREF Of(int nAbc) const { return {nAbc, pField}; }
};

constexpr int STOREMEM_FIELD_COUNT = 20;
constexpr int ABCMEM_FIELD_COUNT = 12;

// Memo, Mode, Vrange, ... InputTime: the 20 single values.
extern const STOREMEMFIELD g_StoreMemFields[STOREMEM_FIELD_COUNT];
// Curr_L, Curr_M, Curr_H, Pow_L, ...: LOW first, as the file lays them out.
extern const ABCMEMFIELD g_AbcMemFields[ABCMEM_FIELD_COUNT];
// "AMem", "BMem", "CMem": the elements of the A, B and C memories.
extern const char* const g_AbcMemNames[3];

// The memory file's name of a field ("Pow", "AMem/Cond_M") and its decimals,
// so that every place that writes a number writes it as the file does. An
// address outside both tables gives an empty name and 4 decimals.
struct STOREMEMFIELDINFO
{
    QString strName;
    int nPrecision = 4;
};
STOREMEMFIELDINFO DescribeField(const STOREMEMFIELDREF& field);
