#pragma once

#include "model/StoreMem.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QStringList>

// Every number of a record as raw bits (NaN equal to NaN), then its texts.
inline QByteArray RecordBits(const STOREMEM& m)
{
    const float f[] = {m.Curr, m.CurrProtect,   m.Pow,      m.PowProtect, m.Volt,      m.VoltProtect,
                       m.Cond, m.SoftStartTime, m.SlewRate, m.PulseFreq,  m.PulseDuty, m.InputTime};
    const std::int32_t n[] = {m.CountTime, m.Response};
    return QByteArray(reinterpret_cast<const char*>(f), sizeof f) +
           QByteArray(reinterpret_cast<const char*>(n), sizeof n) +
           QByteArray(reinterpret_cast<const char*>(m.Abc), sizeof m.Abc) +
           QStringList{m.Memo, m.Mode, m.Crange, m.Vrange, m.CurrProtectAction, m.PowProtectAction}
               .join(QChar(0))
               .toUtf8();
}

inline ::testing::AssertionResult SameRecord(const STOREMEM& a, const STOREMEM& b)
{
    if (RecordBits(a) == RecordBits(b))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "records differ: memo \"" << a.Memo.toStdString() << "\" vs \"" << b.Memo.toStdString() << "\"";
}

// Distinct contents for a record, each value exact in the file's decimals.
inline STOREMEM Marked(int nSeed)
{
    STOREMEM m;
    m.Memo = QStringLiteral("Memory %1 & <more>\r\nsecond line").arg(nSeed);
    m.Mode = nSeed % 2 ? QStringLiteral("CV") : QStringLiteral("CP");
    m.Crange = QStringLiteral("LOW");
    m.PowProtectAction = QString();
    float f = 0.5f + static_cast<float>(nSeed % 1000);
    for (float* p : {&m.Curr, &m.CurrProtect, &m.Pow, &m.PowProtect, &m.Volt, &m.VoltProtect, &m.Cond,
                     &m.SoftStartTime, &m.SlewRate, &m.PulseFreq, &m.PulseDuty, &m.InputTime})
        *p = (f += 1.25f);
    for (ABCMEM& abc : m.Abc)
        for (float* p = &abc.Curr_H; p <= &abc.Volt_L; ++p)
            *p = (f += 0.5f);
    m.CountTime = nSeed % 2;
    m.Response = nSeed % 1000 - 3;
    return m;
}
