#include "xmlfile/LocaleSep.h"

#include <QLocale>

namespace {

// A locale may have no grouping character at all; keeping "," then leaves the
// conversions harmless instead of producing an empty character.
QChar FirstOr(const QString& str, QChar cFallback)
{
    return str.isEmpty() ? cFallback : str.at(0);
}

} // namespace

LOCALESEP::LOCALESEP()
{
    const QLocale locale = QLocale::system();
    m_cDecimal = FirstOr(locale.decimalPoint(), QLatin1Char('.'));
    m_cThousand = FirstOr(locale.groupSeparator(), QLatin1Char(','));
}

QString LOCALESEP::ToLocale(const QString& str) const
{
    QString strResult = str;
    for (QChar& c : strResult) {
        if (c == QLatin1Char('.'))
            c = m_cDecimal;
        else if (c == QLatin1Char(','))
            c = m_cThousand;
    }
    return strResult;
}

QString LOCALESEP::FromLocale(const QString& str) const
{
    QString strResult = str;
    for (QChar& c : strResult) {
        if (c == m_cDecimal)
            c = QLatin1Char('.');
        else if (c == m_cThousand)
            c = QLatin1Char(',');
    }
    return strResult;
}
