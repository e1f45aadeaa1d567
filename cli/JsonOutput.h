#pragma once

#include <QJsonValue>
#include <QStringList>

// --json: the result of a command as one JSON document on standard output,
// for scripts; the same content as the text form.

// Takes every "--json" out of args, wherever it stands; true when there was one.
bool TakeJsonSwitch(QStringList& args);

// Prints the value indented, one value per line.
void CliPrintJson(const QJsonValue& value);

struct STOREMEMDIFFERENCE;

// One differing value as diff and verify print it: Memory, Field, the two
// values under the names given (e.g. "A" and "B"), and Note when the memo is
// longer than the instrument keeps.
QJsonValue DifferenceJson(int nMemory, const STOREMEMDIFFERENCE& d, const QString& strA, const QString& strB);
