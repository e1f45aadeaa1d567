#include "support/TestEnv.h"

#include <QDir>

QString BinaryDir()
{
    return qEnvironmentVariable("VAULTLINE_BINARY_DIR");
}

QString FixturePath(const QString& strName)
{
    return QDir(qEnvironmentVariable("VAULTLINE_FIXTURES_DIR")).filePath(strName);
}
