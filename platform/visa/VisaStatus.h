#pragma once

#include "platform/com/ComError.h"

#include <QString>

// VISA's own description of each status value, and the one way this layer
// raises a failure: a _com_error whose code is the status and whose text is
// that description, followed by what this layer knows about the cause.
class CVisaStatus
{
public:
    // VISA's description of the status; a generic text naming the value for a
    // status VISA does not define.
    static QString Description(HRESULT nStatus);

    // The text a failure carries: the description, then the detail when given.
    static QString Text(HRESULT nStatus, const QString& strDetail = QString());

    [[noreturn]] static void Throw(HRESULT nStatus, const QString& strDetail = QString());
};
