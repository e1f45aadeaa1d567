#pragma once

#include "model/StoreMem.h"

#include <QString>
#include <functional>

// The 36 rows of four cells in which one store memory is shown: the desktop's
// memory form and the command line's show both lay a memory out from this
// table, so the two always agree on which value sits where.
enum EMemoryRowKind
{
    MEMROW_GROUP,  // a group title ("Default", "Other Settings", "ABC Memories")
    MEMROW_HEADER, // column titles
    MEMROW_DATA,   // a label and values
};

enum EMemoryCellKind
{
    MEMCELL_EMPTY,    // nothing written
    MEMCELL_LABEL,    // the string-table text nLabelId
    MEMCELL_NO_VALUE, // "-" (string 300): a column that this row has no value for
    MEMCELL_TEXT,     // a text field of the record
    MEMCELL_FLOAT,    // a float field of the record, "%.4f"
    MEMCELL_INT,      // an integer field of the record, "%d"
    MEMCELL_ABC,      // a value of the A, B or C memory nAbc, "%0.4f"
};

struct MEMORYCELL
{
    EMemoryCellKind kind = MEMCELL_EMPTY;
    unsigned nLabelId = 0;
    QString STOREMEM::*pText = nullptr;
    float STOREMEM::*pFloat = nullptr;
    std::int32_t STOREMEM::*pInt = nullptr;
    int nAbc = 0;
    float ABCMEM::*pAbc = nullptr;
};

struct MEMORYROW
{
    EMemoryRowKind kind;
    MEMORYCELL cells[4];
};

constexpr int MEMORY_ROW_COUNT = 36;
constexpr int MEMORY_COLUMN_COUNT = 4;

// The rows in display order.
const MEMORYROW* MemoryRows();

// Turns the "%.4f" text of a shown number (always with ".") into what the
// view displays; the desktop passes its locale conversion, the command line
// leaves it as it is. Integers are never passed through it.
using NumberFormatter = std::function<QString(const QString& strFixed)>;

// The text of a cell: labels from the string table, values from the record.
// An absent text gives an empty cell.
QString MemoryCellText(const MEMORYCELL& cell, const STOREMEM& m, const NumberFormatter& formatNumber);
