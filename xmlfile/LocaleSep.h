#pragma once

#include <QString>

// The user's decimal and thousands separators, for numbers shown and typed in
// the editing views. Files and instrument messages never use it: they always
// carry "." and no grouping.
struct LOCALESEP
{
    // From the system locale (QLocale::system()).
    LOCALESEP();
    LOCALESEP(QChar cDecimal, QChar cThousand) : m_cDecimal(cDecimal), m_cThousand(cThousand) {}

    // "." becomes the decimal separator and "," the thousands separator.
    QString ToLocale(const QString& str) const;
    // The decimal separator becomes "."; otherwise the thousands separator ",".
    QString FromLocale(const QString& str) const;

    QChar m_cDecimal;
    QChar m_cThousand;
};
