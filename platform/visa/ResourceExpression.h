#pragma once

#include <QRegularExpression>
#include <QString>

// A FindRsrc expression in VISA's own language, which is not a shell glob:
// '?' is any one character, '*' and '+' repeat the character or group before
// them (so "?*" is any text), "[...]" and "[^...]" are character lists with
// ranges, '\' takes the next character literally, "(...)" groups and '|'
// separates alternatives. The whole name must match, without regard to case.
// A malformed expression raises VI_ERROR_INV_EXPR.
class CResourceExpression
{
public:
    explicit CResourceExpression(const QString& strExpression);

    bool Matches(const QString& strResourceName) const;

    // The equivalent Perl-style pattern (for messages and tests).
    QString Pattern() const { return m_regex.pattern(); }

private:
    QRegularExpression m_regex;
};
