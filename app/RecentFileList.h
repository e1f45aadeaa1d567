#pragma once

#include <QString>
#include <QStringList>

// The most recently opened or saved memory files, newest first, kept in the
// settings store between runs. No menu shows them; they are kept for the
// desktop's own recent-document lists and for the next version's File menu.
class CRecentFileList
{
public:
    // strSection: the key below the current user's root, e.g.
    // "Software\Local AppWizard-Generated Applications\vaultline\Recent File List".
    CRecentFileList(const QString& strSection, int nSize);

    void ReadList();
    void WriteList() const;
    // Puts strPath first; an entry for the same file moves up instead of
    // appearing twice, and the oldest one beyond the size drops out.
    void Add(const QString& strPath);
    const QStringList& GetFiles() const { return m_Files; }

private:
    QString m_strSection;
    int m_nSize;
    QStringList m_Files;
};
