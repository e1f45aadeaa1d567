#include "cli/BenchRun.h"
#include "cli/CliCommand.h"
#include "cli/CliCommands.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

// Each instrument gets the file that backup wrote for its model and serial
// number; one without such a file is refused, never given another's.
int RunRestore(const CLICOMMAND& command, const QStringList& args)
{
    BENCHARGS a;
    int nExit = CLI_EXIT_USAGE;
    if (!ParseBenchArguments(command, args, {}, {QStringLiteral("--json"), QStringLiteral("--verify")}, a,
                             nExit))
        return nExit;
    const QDir dir(a.strDir);
    const bool bVerify = a.switches.contains(QStringLiteral("--verify"));
    auto fnAction = [&](BENCHJOB& job, QStringList& transfer) {
        const QString strName = BenchFileStem(job.strModel, job.strSerial) + QStringLiteral(".xMem");
        job.strFile = dir.filePath(strName);
        if (!QFileInfo(job.strFile).isFile()) {
            job.nExit = CLI_EXIT_FILE;
            job.strResult = LoadResString(IDS_BENCH_NO_FILE).arg(strName);
            return false;
        }
        transfer = QStringList{QStringLiteral("upload"), job.strFile, job.strResource};
        if (bVerify)
            transfer.append(QStringLiteral("--verify"));
        return true;
    };
    CBenchRun run(a.resources, a.nJobs, fnAction, [](BENCHJOB&) { return true; });
    nExit = run.Run();
    run.PrintSummary(a.switches.contains(QStringLiteral("--json")));
    return nExit;
}
