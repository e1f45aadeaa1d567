// The texts' identifiers are macros in headers and the texts are entries of
// tables in other files; the compiler checks neither that a defined identifier
// has a text nor that two libraries keep their numbers apart. These checks do.

#include "platform/file/FileStrings.h"
#include "platform/registry/RegistryStrings.h"
#include "platform/visa/VisaStrings.h"
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

struct TEXTHEADER
{
    const char* pszPath;
    const CTextTable& table;
};

// The text identifiers a header defines, name to number.
QHash<QString, unsigned> TextIds(const char* pszPath)
{
    QFile file(QStringLiteral(VAULTLINE_SOURCE_DIR "/") + QLatin1String(pszPath));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << pszPath;
    static const QRegularExpression re(
        QStringLiteral("^#define\\s+((?:AFX_)?IDS_\\w+|AFX_IDP_\\w+)\\s+(\\w+)"),
        QRegularExpression::MultilineOption);
    QHash<QString, unsigned> ids;
    auto it = re.globalMatch(QString::fromUtf8(file.readAll()));
    while (it.hasNext()) {
        const auto match = it.next();
        bool bOk = false;
        ids.insert(match.captured(1), match.captured(2).toUInt(&bOk, 0));
        EXPECT_TRUE(bOk) << qPrintable(match.captured(0));
    }
    return ids;
}

std::vector<TEXTHEADER> Headers()
{
    return {{"resources/Resource.h", ProgramStrings()},
            {"platform/visa/VisaStrings.h", VisaStrings()},
            {"platform/file/FileStrings.h", FileStrings()},
            {"platform/registry/RegistryStrings.h", RegistryStrings()}};
}

} // namespace

TEST(StringIds, EveryDefinedTextIdentifierHasItsText)
{
    for (const TEXTHEADER& header : Headers()) {
        const QHash<QString, unsigned> ids = TextIds(header.pszPath);
        EXPECT_FALSE(ids.isEmpty()) << header.pszPath;
        for (auto it = ids.cbegin(); it != ids.cend(); ++it)
            EXPECT_FALSE(header.table.Text(it.value()).isEmpty())
                << qPrintable(it.key()) << " " << header.pszPath;
    }
}

TEST(StringIds, NoNumberNamesTwoTexts)
{
    // Within a table a second entry of a number would hide the first; across
    // tables (and headers) one number would stand for two texts.
    QHash<unsigned, QString> owners;
    for (const TEXTHEADER& header : Headers()) {
        for (const unsigned nId : header.table.Ids()) {
            EXPECT_FALSE(owners.contains(nId))
                << nId << " is in " << header.pszPath << " and in " << qPrintable(owners.value(nId));
            owners.insert(nId, QLatin1String(header.pszPath));
        }
        QHash<unsigned, QString> names;
        const QHash<QString, unsigned> ids = TextIds(header.pszPath);
        for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
            EXPECT_FALSE(names.contains(it.value()))
                << qPrintable(it.key()) << " and " << qPrintable(names.value(it.value())) << " are both "
                << it.value();
            names.insert(it.value(), it.key());
        }
    }
}
