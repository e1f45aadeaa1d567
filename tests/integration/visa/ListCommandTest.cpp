#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

struct LISTRESULT
{
    int nExit;
    QStringList lines;
    QString strErrors;
};

LISTRESULT RunList(const QStringList& args, const QString& strResources, const QString& strProvider)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VAULTLINE_VISA_RESOURCES"), strResources);
    env.insert(QStringLiteral("VAULTLINE_VISA_PROVIDER"), strProvider);
    env.insert(QStringLiteral("VAULTLINE_VISA_LIBRARY"), QStringLiteral("/nonexistent/libvisa.so"));
    process.setProcessEnvironment(env);
    process.start(BinaryDir() + QStringLiteral("/cli/vaultline-cli"),
                  QStringList{QStringLiteral("list")} + args);
    process.waitForFinished(30000);
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(ListCommandTest, PrintsTheInstrumentsOnePerLine)
{
    const LISTRESULT result =
        RunList({}, QStringLiteral("ASRL/dev/pts/91::INSTR;TCPIP0::127.0.0.1::5025::SOCKET;GPIB0::4::INSTR"),
                QStringLiteral("builtin"));
    EXPECT_EQ(result.nExit, 0);
    EXPECT_TRUE(result.lines.contains(QStringLiteral("ASRL/dev/pts/91::INSTR")));
    EXPECT_TRUE(result.lines.contains(QStringLiteral("GPIB0::4::INSTR")));
    EXPECT_FALSE(result.lines.contains(QStringLiteral("TCPIP0::127.0.0.1::5025::SOCKET")));
    EXPECT_TRUE(result.strErrors.isEmpty()) << qPrintable(result.strErrors);
}

TEST(ListCommandTest, NoResourceManagerIsNoFailure)
{
    const LISTRESULT result = RunList({}, QString(), QStringLiteral("system"));
    EXPECT_EQ(result.nExit, 0);
    EXPECT_TRUE(result.lines.isEmpty());
    EXPECT_TRUE(result.strErrors.contains(QLatin1String("VAULTLINE_VISA_PROVIDER=system")));
}

TEST(ListCommandTest, ExtraArgumentIsAUsageError)
{
    EXPECT_EQ(RunList({QStringLiteral("GPIB?*")}, QString(), QStringLiteral("builtin")).nExit, 2);
}

} // namespace
