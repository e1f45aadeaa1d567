#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <tuple>

namespace {

// vaultline-cli list with the given resources and provider, and no system
// library: its exit code, standard output and standard error.
std::tuple<int, QByteArray, QByteArray> RunList(const QStringList& args, const QString& strResources,
                                                const char* pszProvider)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VAULTLINE_VISA_RESOURCES"), strResources);
    env.insert(QStringLiteral("VAULTLINE_VISA_PROVIDER"), QString::fromLatin1(pszProvider));
    env.insert(QStringLiteral("VAULTLINE_VISA_LIBRARY"), QStringLiteral("/nonexistent/libvisa.so"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(BinaryDir() + QStringLiteral("/cli/vaultline-cli"),
                  QStringList{QStringLiteral("list")} + args);
    process.waitForFinished(30000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

TEST(ListCommandTest, PrintsTheInstrumentsOnePerLineAndFailsOnlyOnUsage)
{
    const auto [nExit, out, err] =
        RunList({}, QStringLiteral("ASRL/dev/pts/91::INSTR;GPIB0::4::INSTR"), "builtin");
    EXPECT_EQ(nExit, 0);
    const QList<QByteArray> lines = out.split('\n');
    EXPECT_TRUE(lines.contains("ASRL/dev/pts/91::INSTR") && lines.contains("GPIB0::4::INSTR"))
        << out.constData();
    EXPECT_TRUE(err.isEmpty());

    // No resource manager lists nothing and says why.
    const auto [nNoneExit, noneOut, noneErr] = RunList({}, QString(), "system");
    EXPECT_EQ(nNoneExit, 0);
    EXPECT_TRUE(noneOut.isEmpty());
    EXPECT_TRUE(noneErr.contains("VAULTLINE_VISA_PROVIDER=system"));
    EXPECT_EQ(std::get<0>(RunList({QStringLiteral("GPIB?*")}, QString(), "builtin")), 2);
}

} // namespace
