#pragma once

#include "instrument/ScpiErrorContainer.h"

#include <QString>

// Thrown when the instrument's error queue held entries after an operation. It
// carries a copy of the first entries (at most MAX_ERRORS); the list ends at
// the first entry whose code is 0. Thrown, caught and copied by value.
class CScpiException
{
public:
    static constexpr int MAX_ERRORS = 256;

    CScpiException() = default;

    // The "SCPI Error(s)" text shown to the operator: a heading, an empty line,
    // then one "(code) message" line per entry.
    QString GetReport() const;
    // The number of entries before the first all-zero one.
    int GetCount() const;

    SYSTERR m_errors[MAX_ERRORS] = {};
};
