#pragma once

#include "model/StoreMem.h"

#include <cstdint>

// One cell of columns 1 to 3 of the memory form.
struct MEMFORMCELL
{
    enum EKind
    {
        Empty,   // nothing written
        Label,   // a text of the string table (header rows)
        NoValue, // "-": the table has no field here
        Text,    // a text field of the record
        Float,   // a float of the record, "%.4f"
        Integer, // an integer of the record, "%d"
        Abc,     // a value of an A, B or C memory, "%0.4f"
    };

    EKind eKind = Empty;
    unsigned nLabelId = 0;
    QString STOREMEM::*pText = nullptr;
    float STOREMEM::*pFloat = nullptr;
    std::int32_t STOREMEM::*pInt = nullptr;
    int nAbc = 0;
    float ABCMEM::*pAbcFloat = nullptr;
};

struct MEMFORMROW
{
    enum EKind
    {
        Group,
        Header,
        Data
    };

    EKind eKind;
    unsigned nLabelId; // column 0
    MEMFORMCELL cells[3];
};

constexpr int MEMFORM_ROWS = 36;
constexpr int MEMFORM_COLUMNS = 4;

extern const MEMFORMROW g_MemFormRows[MEMFORM_ROWS];
