#include "integration/memfile/RunCli.h"

#include <gtest/gtest.h>

namespace {

// vaultline-cli list with the given resources and provider, and no system library.
RUN RunList(const QStringList& args, const QString& strResources, const char* pszProvider)
{
    return RunCli(QStringList{QStringLiteral("list")} + args,
                  QStringLiteral("export VAULTLINE_VISA_RESOURCES='%1' VAULTLINE_VISA_PROVIDER=%2 "
                                 "VAULTLINE_VISA_LIBRARY=/nonexistent/libvisa.so;")
                      .arg(strResources, QLatin1String(pszProvider)));
}

TEST(ListCommandTest, PrintsTheInstrumentsOnePerLineAndFailsOnlyOnUsage)
{
    const RUN run = RunList({}, QStringLiteral("ASRL/dev/pts/91::INSTR;GPIB0::4::INSTR"), "builtin");
    EXPECT_EQ(run.nExit, 0);
    const QStringList lines = run.strOut.split('\n');
    EXPECT_TRUE(lines.contains("ASRL/dev/pts/91::INSTR") && lines.contains("GPIB0::4::INSTR"))
        << qPrintable(run.strOut);
    EXPECT_TRUE(run.strErr.isEmpty());

    // No resource manager lists nothing and says why.
    const RUN none = RunList({}, QString(), "system");
    EXPECT_EQ(none.nExit, 0);
    EXPECT_TRUE(none.strOut.isEmpty());
    EXPECT_TRUE(none.strErr.contains("VAULTLINE_VISA_PROVIDER=system"));
    EXPECT_EQ(RunList({QStringLiteral("GPIB?*")}, QString(), "builtin").nExit, 2);
}

} // namespace
