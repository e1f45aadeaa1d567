#pragma once

#include <QByteArray>
#include <QString>

// "-" as a file name: standard input where a command reads a file, standard
// output where it writes one. Reading is bounded like the memory file reader.

bool IsStandardStream(const QString& strPath);

// The whole file or standard input, at most nMaxSize bytes; false with the
// reason otherwise.
bool ReadInputBytes(const QString& strPath, qint64 nMaxSize, QByteArray& bytes, QString& strError);

// Standard output, or the file replaced as a whole (an existing one is left
// as it was when writing fails); false with the reason otherwise.
bool WriteOutputBytes(const QString& strPath, const QByteArray& bytes, QString& strError);
