#pragma once

// Stops the fuzzer where a decoder broke a promise, so that the input is kept.
inline void Require(bool bCondition)
{
    if (!bCondition)
        __builtin_trap();
}
