#pragma once

#include <QString>

// Where tests find the build's programs and the shipped fixture files.
QString BinaryDir();
QString FixturePath(const QString& strName);
