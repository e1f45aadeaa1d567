#pragma once

#include <QString>

// Reads a leading decimal number the way "%ld" scans one: blanks, one sign,
// then digits up to the first other character. False when there are no
// digits, n being left alone then; a value beyond 32 bits stops at the limit.
bool ScanLong(const QString& str, long& n);
