#pragma once

#include "platform/registry/RegApi.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

// Each test gets a configuration folder of its own, so that what one test
// stores never reaches the next.
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_oldConfig); }

    QString FilePath() const { return m_dir.filePath(QStringLiteral("vaultline/registry.ini")); }

    // Writes the settings file as another tool or a text editor would.
    void WriteFile(const QByteArray& text) const
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("vaultline")));
        QFile f(FilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
        f.flush();
        // Qt keeps a parsed settings file until its size or time changes; two
        // rewrites of equal size within one second would read as the first.
        static int s_nWrites = 0;
        f.setFileTime(QDateTime::currentDateTime().addSecs(++s_nWrites), QFileDevice::FileModificationTime);
    }
    QByteArray ReadFile() const
    {
        QFile f(FilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
};

// The program's key as a section of the settings file.
inline QByteArray KeyLines(const QByteArray& lines)
{
    QByteArray text = "[Software]\n";
    for (const QByteArray& line : lines.split('\n'))
        if (!line.isEmpty())
            text += "Talvero\\Dxr9kStdApps\\Vaultline\\" + line + "\n";
    return text;
}
