#pragma once

#include <QString>
#include <cstdint>

// One of the A, B and C memories of a store memory: preset values for each
// range, every quantity from the HIGH range down to the LOW range.
struct ABCMEM
{
    float Curr_H = 0, Curr_M = 0, Curr_L = 0; // A
    float Pow_H = 0, Pow_M = 0, Pow_L = 0;    // W
    float Cond_H = 0, Cond_M = 0, Cond_L = 0; // S
    float Volt_H = 0, Volt_M = 0, Volt_L = 0; // V
};

// One store memory of the instrument: a complete set of load settings. Texts
// are implicitly shared, so copying a record shares their bodies; a null text
// is an absent one and reads as empty. Keyword texts hold the instrument's own
// keywords verbatim: nothing here checks them, nor the ranges of the numbers.
struct STOREMEM
{
    QString Memo;
    QString Mode = QStringLiteral("CC");
    QString Crange = QStringLiteral("HIGH");
    QString Vrange = QStringLiteral("HIGH");
    float Curr = 0;
    float CurrProtect = 0;
    QString CurrProtectAction = QStringLiteral("TRIP");
    float Pow = 0;
    float PowProtect = 0;
    QString PowProtectAction = QStringLiteral("TRIP");
    float Volt = 0;
    float VoltProtect = 0;
    float Cond = 0;
    float SoftStartTime = 0;
    std::int32_t CountTime = 0; // a switch: 0 off, anything else on
    std::int32_t Response = 0;
    float SlewRate = 0;
    float PulseFreq = 0;
    float PulseDuty = 0;
    float InputTime = 0;
    ABCMEM Abc[3]; // the A, B and C memories, in that order
};
