#pragma once

#include "model/AnyContainer.h"

#include <QString>
#include <algorithm>
#include <cstdint>

// One entry of the instrument's error queue: the SCPI error number and the text
// after the first comma of the reply (the instrument's quotes left in), always
// zero-terminated. An all-zero entry ends a list of entries.
struct SYSTERR
{
    static constexpr int MESSAGE_CHARS = 256;

    std::int32_t nCode = 0;
    char16_t szMessage[MESSAGE_CHARS] = {};

    // The message as text; stops at the terminator or at the end of the array.
    QString GetMessage() const
    {
        int n = 0;
        while (n < MESSAGE_CHARS && szMessage[n] != 0)
            ++n;
        return QString::fromUtf16(szMessage, n);
    }
    // Stores at most MESSAGE_CHARS - 1 characters of the text, never splitting
    // a surrogate pair, and terminates it.
    void SetMessage(const QString& str)
    {
        int n = static_cast<int>(std::min<qsizetype>(str.size(), MESSAGE_CHARS - 1));
        if (n > 0 && n < str.size() && str.at(n - 1).isHighSurrogate())
            --n;
        for (int i = 0; i < n; ++i)
            szMessage[i] = str.at(i).unicode();
        szMessage[n] = 0;
    }
};

// The entries read by one error-queue query, in the order the instrument gave
// them. Owns its entries.
class CScpiErrorContainer : public CAnyContainer<SYSTERR, 256, true>
{
public:
    CScpiErrorContainer() = default;
    ~CScpiErrorContainer() override = default;
};
