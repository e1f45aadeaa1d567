#include "cli/BenchRun.h"
#include "cli/CliCommand.h"
#include "cli/CliCommands.h"
#include "cli/JsonOutput.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdio>

namespace {

// Keeps the newest nKeep dated copies MODEL-SERIAL-YYYYMMDD-HHMMSS.xMem.
void PruneDatedCopies(const QDir& dir, const QString& strStem, int nKeep)
{
    const QRegularExpression dated(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(strStem) + QStringLiteral("-[0-9]{8}-[0-9]{6}\\.xMem")));
    QStringList copies;
    for (const QString& strName :
         dir.entryList({strStem + QStringLiteral("-*.xMem")}, QDir::Files, QDir::Name)) {
        if (dated.match(strName).hasMatch())
            copies.append(strName);
    }
    for (int i = 0; i + nKeep < copies.size(); ++i)
        QFile::remove(dir.filePath(copies.at(i)));
}

} // namespace

int RunBackup(const CLICOMMAND& command, const QStringList& args)
{
    BENCHARGS a;
    int nExit = CLI_EXIT_USAGE;
    if (!ParseBenchArguments(command, args, {QStringLiteral("--keep")}, {QStringLiteral("--json")}, a, nExit,
                             true))
        return nExit;
    int nKeep = 0;
    const auto keep = a.options.find(QStringLiteral("--keep"));
    if (keep != a.options.end() && !ParseCount(command, keep->first, keep->second, 1, nKeep))
        return CLI_EXIT_USAGE;
    // A nightly job's first run finds no folder yet: it is made, as mkdir -p
    // would make it.
    if (!QFileInfo::exists(a.strDir))
        QDir().mkpath(a.strDir);
    const QDir dir(a.strDir);
    const QFileInfo info(a.strDir);
    if (!info.isDir() || !info.isWritable()) {
        CliPrintError(FormatResString(IDS_FILE_NOT_WRITTEN, a.strDir));
        CliPrintError(LoadResString(IDS_CLI_REASON).arg(LoadResString(IDS_CLI_NOT_A_WRITABLE_FOLDER)));
        return CLI_EXIT_FILE;
    }
    const QString strStamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));

    // Each download goes to a hidden file of its own, which becomes
    // MODEL-SERIAL.xMem only once the download completed: a failed or
    // cancelled one leaves the last good backup as it was.
    auto fnAction = [&](BENCHJOB& job, QStringList& transfer) {
        const QString strStem = BenchFileStem(job.strModel, job.strSerial);
        job.strFile = dir.filePath(strStem + QStringLiteral(".xMem"));
        job.strTemp = dir.filePath(QStringLiteral(".%1.xMem.part").arg(strStem));
        transfer = QStringList{QStringLiteral("download"), job.strResource, job.strTemp};
        return true;
    };
    auto fnFinish = [&](BENCHJOB& job) {
        if (std::rename(QFile::encodeName(job.strTemp).constData(),
                        QFile::encodeName(job.strFile).constData()) != 0) {
            QFile::remove(job.strTemp);
            job.nExit = CLI_EXIT_FILE;
            job.strResult = FormatResString(IDS_FILE_NOT_WRITTEN, job.strFile);
            return false;
        }
        if (nKeep > 0) {
            const QString strStem = QFileInfo(job.strFile).completeBaseName();
            const QString strDated = dir.filePath(QStringLiteral("%1-%2.xMem").arg(strStem, strStamp));
            QFile::remove(strDated);
            if (!QFile::copy(job.strFile, strDated)) {
                job.nExit = CLI_EXIT_FILE;
                job.strResult = FormatResString(IDS_FILE_NOT_WRITTEN, strDated);
                return false;
            }
            PruneDatedCopies(dir, strStem, nKeep);
        }
        return true;
    };
    CBenchRun run(a.resources, a.nJobs, fnAction, fnFinish);
    nExit = run.Run();
    run.PrintSummary(a.switches.contains(QStringLiteral("--json")));
    return nExit;
}
