#pragma once

#include "model/StoreMem.h"

#include <QString>
#include <vector>

// The comparison of two store memories field by field, shared by the
// comparison of two memory files and the read-back of an upload.

// One value that differs: the field's element name in the memory file (A, B
// and C values as "AMem/Curr_L") and the two values as text.
struct STOREMEMDIFFERENCE
{
    QString strField;
    QString strA;
    QString strB;
    // The memo of A is longer than the instrument keeps (see nMemoLimit).
    bool bMemoTooLong = false;
};

enum class EStoreMemCompare
{
    // Every bit of a number counts; values the file's decimals would show
    // alike are written with every digit a float holds.
    Exact,
    // Numbers count as far as the memory file keeps them: what the file would
    // write alike is the same value.
    FilePrecision,
};

// The values of b that differ from a, in the memory file's order. With
// nMemoLimit > 0, a memo of a longer than that is marked bMemoTooLong.
// An absent text and an empty one are the same.
std::vector<STOREMEMDIFFERENCE> CompareStoreMem(const STOREMEM& a, const STOREMEM& b,
                                                EStoreMemCompare eCompare, int nMemoLimit = 0);

// A value on one line of a list: line breaks and tabs written as backslash-n,
// backslash-r and backslash-t, as the file stores them, so each row stays one line.
QString EscapeForLine(QString str);
