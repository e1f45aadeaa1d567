#include "support/TestEnv.h"

#include <QDir>

QString BinaryDir()
{
    return QStringLiteral(VAULTLINE_BINARY_DIR);
}

QString FixturePath(const QString& strName)
{
    return QDir(QStringLiteral(VAULTLINE_FIXTURES_DIR)).filePath(strName);
}
