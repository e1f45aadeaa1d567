#include "xmlfile/LocaleSep.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

TEST(LocaleSep, DecimalCommaSwapsTheTwoCharactersAndEnglishChangesNothing)
{
    const LOCALESEP english(QLatin1Char('.'), QLatin1Char(','));
    EXPECT_EQ(english.ToLocale(QStringLiteral("1,234.5000")), QStringLiteral("1,234.5000"));
    const LOCALESEP comma(QLatin1Char(','), QLatin1Char('.'));
    EXPECT_EQ(comma.ToLocale(QStringLiteral("1,234.5000")), QStringLiteral("1.234,5000"));
    EXPECT_EQ(comma.FromLocale(QStringLiteral("1.234,5000")), QStringLiteral("1,234.5000"));

    QLocale::setDefault(QLocale::c()); // the system locale, not the program's default, decides
    EXPECT_EQ(LOCALESEP().m_cDecimal, QLocale::system().decimalPoint().at(0));
}

} // namespace
