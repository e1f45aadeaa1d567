#include "platform/visa/ResourceExpression.h"

#include "platform/visa/Visa.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

namespace {

// Translates VISA's language into a Perl-style pattern, character by
// character, rejecting what VISA rejects rather than letting the regular
// expression engine give it a meaning of its own ("a**", "*+", "(?i)").
class CExpressionTranslator
{
public:
    explicit CExpressionTranslator(const QString& strExpression) : m_str(strExpression) {}

    QString Translate()
    {
        if (m_str.isEmpty())
            Fail(LoadVisaString(IDS_VISA_EXPR_EMPTY));
        QString strOut;
        int nDepth = 0;
        bool bCanRepeat = false; // a character, list or group precedes
        while (m_nPos < m_str.size()) {
            const QChar c = m_str.at(m_nPos++);
            switch (c.unicode()) {
            case '?':
                strOut += QLatin1Char('.');
                bCanRepeat = true;
                break;
            case '*':
            case '+':
                if (!bCanRepeat)
                    Fail(LoadVisaString(IDS_VISA_EXPR_NOTHING_TO_REPEAT).arg(c).arg(m_nPos));
                strOut += c;
                bCanRepeat = false;
                break;
            case '[':
                strOut += TranslateList();
                bCanRepeat = true;
                break;
            case ']':
                Fail(LoadVisaString(IDS_VISA_EXPR_UNMATCHED_CLOSE).arg(m_nPos));
                break;
            case '\\':
                if (m_nPos >= m_str.size())
                    Fail(LoadVisaString(IDS_VISA_EXPR_TRAILING_BACKSLASH));
                strOut += QRegularExpression::escape(QString(m_str.at(m_nPos++)));
                bCanRepeat = true;
                break;
            case '(':
                ++nDepth;
                strOut += QLatin1String("(?:");
                bCanRepeat = false;
                break;
            case ')':
                if (nDepth == 0)
                    Fail(LoadVisaString(IDS_VISA_EXPR_UNMATCHED_CLOSE).arg(m_nPos));
                --nDepth;
                strOut += QLatin1Char(')');
                bCanRepeat = true;
                break;
            case '|':
                strOut += QLatin1Char('|');
                bCanRepeat = false;
                break;
            case '{':
                // Attribute conditions need the attributes of resources that
                // are not open; the built-in manager has none to compare.
                Fail(LoadVisaString(IDS_VISA_EXPR_ATTRIBUTES_UNSUPPORTED));
                break;
            default:
                strOut += QRegularExpression::escape(QString(c));
                bCanRepeat = true;
                break;
            }
        }
        if (nDepth != 0)
            Fail(LoadVisaString(IDS_VISA_EXPR_PAREN_NOT_CLOSED));
        return strOut;
    }

private:
    [[noreturn]] void Fail(const QString& strWhy) const
    {
        CVisaStatus::Throw(Visa::VI_ERROR_INV_EXPR,
                           LoadVisaString(IDS_VISA_BAD_EXPRESSION).arg(m_str, strWhy));
    }

    // One list from after its '[' to its ']'; a '-' between two characters is
    // a range, at either end it is itself.
    QString TranslateList()
    {
        QString strOut = QStringLiteral("[");
        if (m_nPos < m_str.size() && m_str.at(m_nPos) == QLatin1Char('^')) {
            strOut += QLatin1Char('^');
            ++m_nPos;
        }
        int nMembers = 0;
        QChar cPrevious;
        bool bRangeOpen = false;
        for (;;) {
            if (m_nPos >= m_str.size())
                Fail(LoadVisaString(IDS_VISA_EXPR_BRACKET_NOT_CLOSED));
            QChar c = m_str.at(m_nPos++);
            if (c == QLatin1Char(']'))
                break;
            if (c == QLatin1Char('-') && nMembers > 0 && !bRangeOpen && m_nPos < m_str.size() &&
                m_str.at(m_nPos) != QLatin1Char(']')) {
                bRangeOpen = true;
                continue;
            }
            if (c == QLatin1Char('\\')) {
                if (m_nPos >= m_str.size())
                    Fail(LoadVisaString(IDS_VISA_EXPR_TRAILING_BACKSLASH));
                c = m_str.at(m_nPos++);
            }
            if (bRangeOpen) {
                if (c < cPrevious)
                    Fail(LoadVisaString(IDS_VISA_EXPR_RANGE_BACKWARDS).arg(cPrevious).arg(c));
                strOut += QLatin1Char('-');
                bRangeOpen = false;
            }
            strOut += QRegularExpression::escape(QString(c));
            cPrevious = c;
            ++nMembers;
        }
        if (nMembers == 0)
            Fail(LoadVisaString(IDS_VISA_EXPR_EMPTY_LIST));
        return strOut + QLatin1Char(']');
    }

    const QString& m_str;
    int m_nPos = 0;
};

} // namespace

CResourceExpression::CResourceExpression(const QString& strExpression)
{
    const QString strPattern = CExpressionTranslator(strExpression).Translate();
    m_regex.setPattern(QStringLiteral("\\A(?:%1)\\z").arg(strPattern));
    m_regex.setPatternOptions(QRegularExpression::CaseInsensitiveOption |
                              QRegularExpression::DotMatchesEverythingOption);
    if (!m_regex.isValid())
        CVisaStatus::Throw(Visa::VI_ERROR_INV_EXPR,
                           LoadVisaString(IDS_VISA_BAD_EXPRESSION).arg(strExpression, m_regex.errorString()));
}

bool CResourceExpression::Matches(const QString& strResourceName) const
{
    return m_regex.match(strResourceName).hasMatch();
}
