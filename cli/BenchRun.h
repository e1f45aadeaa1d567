#pragma once

#include "cli/CliCommand.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// The arguments of backup and restore: resources (given, and from
// --resources-from FILE, "-" for standard input), --dir, --jobs and the rest.
struct BENCHARGS
{
    QStringList resources;
    QString strDir;
    int nJobs = 0; // 0: one per resource
    std::map<QString, QString> options;
    QSet<QString> switches;
};

// One instrument of a bench run.
struct BENCHJOB
{
    QString strResource;
    QString strModel; // as the identification gives them
    QString strSerial;
    QString strFile;   // the memory file written or sent
    QString strResult; // why it failed, when it did
    int nExit = -1;    // 0 completed, otherwise an exit code of the tool
    double dSeconds = 0;

    int nStep = 0; // 0 identify, 1 transfer, 2 done
    std::unique_ptr<QProcess> pProcess;
    QElapsedTimer timer;
    QString strTemp;
};

// Runs one session per instrument, each in a process of its own (identify,
// then the transfer), at most nJobs at a time. Ctrl+C reaches every running
// transfer, which stops between memories; jobs not started are cancelled.
class CBenchRun
{
public:
    // After the identification: the transfer's arguments, or false with
    // strResult and nExit set to refuse the instrument.
    using ACTIONFN = std::function<bool(BENCHJOB&, QStringList&)>;
    // After the transfer completed: false with strResult and nExit set when
    // what follows it failed.
    using FINISHFN = std::function<bool(BENCHJOB&)>;

    CBenchRun(const QStringList& resources, int nJobs, ACTIONFN fnAction, FINISHFN fnFinish);

    // Runs all and returns the exit code: 0 only when every job completed,
    // 130 when cancelled, otherwise the first failed job's.
    int Run();

    // The summary table on standard error; with bJson also a JSON array on
    // standard output.
    void PrintSummary(bool bJson) const;

private:
    void Start(BENCHJOB& job, const QStringList& args);
    void Finished(BENCHJOB& job);
    void Fail(BENCHJOB& job, int nExit, const QString& strWhy);

    std::vector<BENCHJOB> m_jobs;
    int m_nJobs;
    ACTIONFN m_fnAction;
    FINISHFN m_fnFinish;
    std::unique_ptr<QTemporaryDir> m_pScratch; // the processes' output
};

// Parses backup and restore arguments: positional resources, the value
// options (--dir and --jobs always; --resources-from read here) and switches.
// False after a usage message (exit 2) or, with nExit 3, after a message on a
// resource list that could not be read. With bConfiguredWhenNone, naming no
// resource at all means every configured resource (the resources file and
// VAULTLINE_VISA_RESOURCES).
bool ParseBenchArguments(const CLICOMMAND& command, const QStringList& args, const QStringList& valueOptions,
                         const QStringList& switches, BENCHARGS& out, int& nExit,
                         bool bConfiguredWhenNone = false);

// A whole number option >= nMin; false after a usage message.
bool ParseCount(const CLICOMMAND& command, const QString& strOption, const QString& strText, int nMin,
                int& n);

// "MODEL-SERIAL" as the identification gives them, with anything a file name
// cannot carry (a path separator, a leading dot) made harmless.
QString BenchFileStem(const QString& strModel, const QString& strSerial);
