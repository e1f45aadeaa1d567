#include "xmlfile/LocaleSep.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

TEST(LocaleSep, EnglishSettingsChangeNothing)
{
    const LOCALESEP sep(QLatin1Char('.'), QLatin1Char(','));
    EXPECT_EQ(sep.ToLocale(QStringLiteral("1,234.5000")), QStringLiteral("1,234.5000"));
    EXPECT_EQ(sep.FromLocale(QStringLiteral("1,234.5000")), QStringLiteral("1,234.5000"));
}

TEST(LocaleSep, DecimalCommaSwapsTheTwoCharacters)
{
    const LOCALESEP sep(QLatin1Char(','), QLatin1Char('.'));
    EXPECT_EQ(sep.ToLocale(QStringLiteral("1,234.5000")), QStringLiteral("1.234,5000"));
    EXPECT_EQ(sep.FromLocale(QStringLiteral("1.234,5000")), QStringLiteral("1,234.5000"));
    EXPECT_EQ(sep.ToLocale(QStringLiteral("-1.5e3 V")), QStringLiteral("-1,5e3 V"));
}

TEST(LocaleSep, FollowsTheSystemLocale)
{
    QLocale::setDefault(QLocale::c());
    const QLocale system = QLocale::system();
    const LOCALESEP sep;
    EXPECT_EQ(sep.m_cDecimal, system.decimalPoint().at(0));
    EXPECT_EQ(sep.ToLocale(QStringLiteral("1.5")),
              QStringLiteral("1") + sep.m_cDecimal + QStringLiteral("5"));
}

} // namespace
