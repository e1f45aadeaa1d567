#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

// vaultline-cli list with the given resources and provider, and no system library.
QProcess* RunList(QProcess& process, const QStringList& args, const QString& strResources,
                  const char* pszProvider)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VAULTLINE_VISA_RESOURCES"), strResources);
    env.insert(QStringLiteral("VAULTLINE_VISA_PROVIDER"), QString::fromLatin1(pszProvider));
    env.insert(QStringLiteral("VAULTLINE_VISA_LIBRARY"), QStringLiteral("/nonexistent/libvisa.so"));
    process.setProcessEnvironment(env);
    process.start(BinaryDir() + QStringLiteral("/cli/vaultline-cli"),
                  QStringList{QStringLiteral("list")} + args);
    process.waitForFinished(30000);
    return &process;
}

TEST(ListCommandTest, PrintsTheInstrumentsOnePerLineAndFailsOnlyOnUsage)
{
    QProcess process;
    RunList(process, {}, QStringLiteral("ASRL/dev/pts/91::INSTR;GPIB0::4::INSTR"), "builtin");
    EXPECT_EQ(process.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("ASRL/dev/pts/91::INSTR")) &&
                lines.contains(QStringLiteral("GPIB0::4::INSTR")))
        << qPrintable(lines.join(' '));
    EXPECT_TRUE(process.readAllStandardError().isEmpty());

    // No resource manager lists nothing and says why.
    QProcess none;
    EXPECT_EQ(RunList(none, {}, QString(), "system")->exitCode(), 0);
    EXPECT_TRUE(none.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(none.readAllStandardError().contains("VAULTLINE_VISA_PROVIDER=system"));
    QProcess usage;
    EXPECT_EQ(RunList(usage, {QStringLiteral("GPIB?*")}, QString(), "builtin")->exitCode(), 2);
}

} // namespace
