#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <cstddef>

// One entry of a string table: the text's identifier and the text.
struct TEXTENTRY
{
    unsigned nId;
    const char16_t* pszText;
};

// The texts of one library by identifier. Each library that shows texts keeps
// them in a table of its own (the program's in resources/, each platform
// library's beside its code), so that no library needs another one's texts.
// An unknown identifier gives an empty text, as a missing string resource does.
class CTextTable
{
public:
    template <std::size_t N> explicit CTextTable(const TEXTENTRY (&entries)[N]) : CTextTable(entries, N) {}
    CTextTable(const TEXTENTRY* pEntries, std::size_t nCount);

    QString Text(unsigned nId) const;

    // The identifiers in the order of the table, each as often as it is given.
    const QList<unsigned>& Ids() const { return m_Ids; }

private:
    QHash<unsigned, QString> m_Texts;
    QList<unsigned> m_Ids;
};
