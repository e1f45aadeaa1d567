#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The whole file; empty when it cannot be read.
inline QByteArray FileBytes(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Creates or replaces the file with bytes; false when that failed.
inline bool WriteFileBytes(const QString& strPath, const QByteArray& bytes)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
