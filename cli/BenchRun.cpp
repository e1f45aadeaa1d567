#include "cli/BenchRun.h"

#include "cli/JsonOutput.h"
#include "cli/StandardStreams.h"

#include "platform/args/ArgumentParser.h"
#include "platform/visa/BuiltinResourceManager.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <csignal>
#include <signal.h>

namespace {

volatile std::sig_atomic_t s_bInterrupted = 0;

extern "C" void OnBenchInterrupt(int)
{
    s_bInterrupted = 1;
}

// The first line a process wrote on standard error: what went wrong (hints
// and consequences follow it).
QString FirstLine(const QString& strPath)
{
    QByteArray bytes;
    QString strError;
    if (!ReadInputBytes(strPath, 1024 * 1024, bytes, strError))
        return QString();
    const QStringList lines = QString::fromLocal8Bit(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.first().trimmed();
}

} // namespace

QString BenchFileStem(const QString& strModel, const QString& strSerial)
{
    auto part = [](QString str) {
        str.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._+-]")), QStringLiteral("_"));
        if (str.startsWith(QLatin1Char('.')))
            str[0] = QLatin1Char('_');
        return str;
    };
    return part(strModel) + QLatin1Char('-') + part(strSerial);
}

bool ParseCount(const CLICOMMAND& command, const QString& strOption, const QString& strText, int nMin, int& n)
{
    bool bOk = false;
    n = strText.toInt(&bOk, 10);
    if (!bOk || n < nMin) {
        CliUsageError(command, LoadResString(IDS_CLI_OPTION_NEEDS_WHOLE_NUMBER).arg(strOption).arg(nMin));
        return false;
    }
    return true;
}

bool ParseBenchArguments(const CLICOMMAND& command, const QStringList& args, const QStringList& valueOptions,
                         const QStringList& switches, BENCHARGS& out, int& nExit, bool bConfiguredWhenNone)
{
    nExit = CLI_EXIT_USAGE;
    const QStringList valueNames =
        valueOptions +
        QStringList{QStringLiteral("--dir"), QStringLiteral("--jobs"), QStringLiteral("--resources-from")};
    CArgumentParser parser;
    for (const QString& strOption : valueNames)
        parser.AddOption({strOption}, QStringLiteral("VALUE"));
    for (const QString& strSwitch : switches)
        parser.AddOption({strSwitch});
    if (!parser.Parse(args)) {
        CliOptionError(command, parser);
        return false;
    }
    for (const QString& strSwitch : switches) {
        if (parser.IsSet(strSwitch))
            out.switches.insert(strSwitch);
    }
    for (const QString& strOption : valueNames) {
        if (parser.IsSet(strOption))
            out.options[strOption] = parser.Value(strOption);
    }
    out.resources.append(parser.Positional());
    const auto from = out.options.find(QStringLiteral("--resources-from"));
    if (from != out.options.end()) {
        QByteArray bytes;
        QString strError;
        if (!ReadInputBytes(from->second, 1024 * 1024, bytes, strError)) {
            CliPrintError(FormatResString(IDS_FILE_NOT_READ, from->second));
            CliPrintError(LoadResString(IDS_CLI_REASON).arg(strError));
            nExit = CLI_EXIT_FILE;
            return false;
        }
        // One resource a line; blank lines and # comments are left out.
        for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
            const QString strResource = line.trimmed();
            if (!strResource.isEmpty() && !strResource.startsWith(QLatin1Char('#')))
                out.resources.append(strResource);
        }
    }
    // A bench whose instruments are all configured backs up with no names.
    if (out.resources.isEmpty() && from == out.options.end() && bConfiguredWhenNone)
        out.resources = CBuiltinResourceManager::ConfiguredResources();
    if (out.resources.isEmpty()) {
        CliUsageError(command, LoadResString(bConfiguredWhenNone ? IDS_CLI_NO_RESOURCES_CONFIGURED
                                                                 : IDS_CLI_NO_RESOURCES));
        return false;
    }
    for (int i = 0; i < out.resources.size(); ++i) {
        if (out.resources.indexOf(out.resources.at(i)) != i) {
            CliUsageError(command, LoadResString(IDS_CLI_RESOURCE_TWICE).arg(out.resources.at(i)));
            return false;
        }
    }
    const auto dir = out.options.find(QStringLiteral("--dir"));
    if (dir == out.options.end()) {
        CliUsageError(command, LoadResString(IDS_CLI_OPTION_NEEDS_VALUE).arg(QStringLiteral("--dir")));
        return false;
    }
    out.strDir = dir->second;
    const auto jobs = out.options.find(QStringLiteral("--jobs"));
    if (jobs != out.options.end() && !ParseCount(command, jobs->first, jobs->second, 1, out.nJobs))
        return false;
    return true;
}

CBenchRun::CBenchRun(const QStringList& resources, int nJobs, ACTIONFN fnAction, FINISHFN fnFinish)
    : m_jobs(static_cast<size_t>(resources.size())),
      m_nJobs(nJobs > 0 ? nJobs : static_cast<int>(resources.size())), m_fnAction(std::move(fnAction)),
      m_fnFinish(std::move(fnFinish))
{
    for (int i = 0; i < resources.size(); ++i)
        m_jobs[static_cast<size_t>(i)].strResource = resources.at(i);
}

void CBenchRun::Start(BENCHJOB& job, const QStringList& args)
{
    const QString strBase =
        m_pScratch->filePath(QStringLiteral("%1-%2").arg(&job - m_jobs.data()).arg(job.nStep));
    job.pProcess = std::make_unique<QProcess>();
    job.pProcess->setStandardInputFile(QProcess::nullDevice());
    job.pProcess->setStandardOutputFile(strBase + QLatin1String(".out"));
    job.pProcess->setStandardErrorFile(strBase + QLatin1String(".err"));
    job.pProcess->start(QCoreApplication::applicationFilePath(), args);
}

void CBenchRun::Fail(BENCHJOB& job, int nExit, const QString& strWhy)
{
    job.nExit = nExit;
    job.strResult = strWhy;
    job.nStep = 2;
}

void CBenchRun::Finished(BENCHJOB& job)
{
    const QString strBase =
        m_pScratch->filePath(QStringLiteral("%1-%2").arg(&job - m_jobs.data()).arg(job.nStep));
    if (job.pProcess->error() == QProcess::FailedToStart ||
        (job.pProcess->exitStatus() == QProcess::CrashExit && !s_bInterrupted)) {
        const QString strWhy = job.pProcess->errorString();
        job.pProcess.reset();
        Fail(job, CLI_EXIT_INSTRUMENT, strWhy);
        return;
    }
    // Ended by Ctrl+C before its own handler was set: cancelled.
    const int nExit =
        job.pProcess->exitStatus() == QProcess::NormalExit ? job.pProcess->exitCode() : CLI_EXIT_CANCELLED;
    job.pProcess.reset();
    if (nExit != CLI_EXIT_OK) {
        if (nExit == CLI_EXIT_CANCELLED || s_bInterrupted)
            Fail(job, CLI_EXIT_CANCELLED, QString());
        else
            Fail(job, nExit, FirstLine(strBase + QLatin1String(".err")));
        return;
    }
    if (job.nStep == 1) {
        job.nStep = 2;
        if (m_fnFinish(job))
            job.nExit = CLI_EXIT_OK;
        return;
    }
    // The identification, as identify --json printed it.
    QByteArray bytes;
    QString strError;
    ReadInputBytes(strBase + QLatin1String(".out"), 1024 * 1024, bytes, strError);
    const QJsonObject identity = QJsonDocument::fromJson(bytes).object();
    job.strModel = identity.value(QStringLiteral("Model")).toString();
    job.strSerial = identity.value(QStringLiteral("Serial")).toString();
    if (job.strModel.isEmpty() || job.strSerial.isEmpty()) {
        Fail(job, CLI_EXIT_WRONG_MODEL, LoadResString(IDS_BENCH_NO_MODEL_SERIAL));
        return;
    }
    for (const BENCHJOB& other : m_jobs) {
        if (&other != &job && other.strSerial == job.strSerial && other.strModel == job.strModel) {
            Fail(job, CLI_EXIT_INSTRUMENT,
                 LoadResString(IDS_BENCH_SERIAL_ALSO_AT).arg(job.strSerial, other.strResource));
            return;
        }
    }
    if (s_bInterrupted) { // identified, but nothing new starts after Ctrl+C
        Fail(job, CLI_EXIT_CANCELLED, QString());
        return;
    }
    QStringList args;
    job.nStep = 1;
    if (!m_fnAction(job, args)) {
        job.nStep = 2;
        return;
    }
    Start(job, args);
}

int CBenchRun::Run()
{
    m_pScratch = std::make_unique<QTemporaryDir>();
    s_bInterrupted = 0;
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = OnBenchInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous);

    size_t nNext = 0;
    bool bForwarded = false;
    for (;;) {
        int nRunning = 0;
        for (const BENCHJOB& job : m_jobs)
            nRunning += job.pProcess ? 1 : 0;
        if (s_bInterrupted && !bForwarded) {
            // Each transfer stops after its memory in progress, as one
            // download does on Ctrl+C; nothing new starts.
            for (BENCHJOB& job : m_jobs) {
                if (job.pProcess && job.pProcess->processId() > 0)
                    ::kill(static_cast<pid_t>(job.pProcess->processId()), SIGINT);
            }
            for (; nNext < m_jobs.size(); ++nNext)
                Fail(m_jobs[nNext], CLI_EXIT_CANCELLED, QString());
            bForwarded = true;
        }
        while (!s_bInterrupted && nRunning < m_nJobs && nNext < m_jobs.size()) {
            BENCHJOB& job = m_jobs[nNext++];
            job.timer.start();
            Start(job, {QStringLiteral("identify"), job.strResource, QStringLiteral("--json")});
            ++nRunning;
        }
        if (nRunning == 0 && nNext == m_jobs.size())
            break;
        for (BENCHJOB& job : m_jobs) {
            if (!job.pProcess)
                continue;
            job.pProcess->waitForFinished(20);
            if (job.pProcess->state() == QProcess::NotRunning) {
                Finished(job);
                if (job.nStep == 2)
                    job.dSeconds = static_cast<double>(job.timer.elapsed()) / 1000.0;
            }
        }
    }
    sigaction(SIGINT, &previous, nullptr);

    int nExit = CLI_EXIT_OK;
    for (const BENCHJOB& job : m_jobs) {
        if (job.nExit == CLI_EXIT_CANCELLED)
            return CLI_EXIT_CANCELLED;
        if (nExit == CLI_EXIT_OK && job.nExit != CLI_EXIT_OK)
            nExit = job.nExit > 0 ? job.nExit : CLI_EXIT_INSTRUMENT;
    }
    return nExit;
}

void CBenchRun::PrintSummary(bool bJson) const
{
    std::vector<QStringList> rows{LoadResString(IDS_BENCH_SUMMARY_HEADER).split(QLatin1Char('|'))};
    QJsonArray array;
    int nCompleted = 0;
    for (const BENCHJOB& job : m_jobs) {
        const QString strResult = job.nExit == CLI_EXIT_OK ? LoadResString(IDS_BENCH_COMPLETED)
                                  : job.nExit == CLI_EXIT_CANCELLED
                                      ? LoadResString(IDS_BENCH_CANCELLED)
                                      : LoadResString(IDS_BENCH_FAILED).arg(job.strResult);
        nCompleted += job.nExit == CLI_EXIT_OK ? 1 : 0;
        const QString strSeconds = QString::number(job.dSeconds, 'f', 1);
        rows.push_back({job.strResource, job.strModel, job.strSerial, strResult, strSeconds});
        array.append(QJsonObject{
            {QStringLiteral("Resource"), job.strResource},
            {QStringLiteral("Model"), job.strModel},
            {QStringLiteral("Serial"), job.strSerial},
            {QStringLiteral("Completed"), job.nExit == CLI_EXIT_OK},
            {QStringLiteral("Result"), strResult},
            {QStringLiteral("ExitCode"), job.nExit},
            {QStringLiteral("File"), job.nExit == CLI_EXIT_OK ? job.strFile : QString()},
            {QStringLiteral("Seconds"), QString::number(job.dSeconds, 'f', 1).toDouble()},
        });
    }
    std::vector<int> widths(rows.front().size(), 0);
    for (const QStringList& row : rows) {
        for (int c = 0; c + 1 < row.size(); ++c)
            widths[static_cast<size_t>(c)] =
                std::max(widths[static_cast<size_t>(c)], static_cast<int>(row.at(c).size()));
    }
    for (const QStringList& row : rows) {
        QString strLine;
        for (int c = 0; c < row.size(); ++c)
            strLine +=
                c + 1 < row.size() ? row.at(c).leftJustified(widths[static_cast<size_t>(c)] + 2) : row.at(c);
        CliPrintError(strLine);
    }
    CliPrintError(LoadResString(IDS_BENCH_INSTRUMENTS_COMPLETED).arg(nCompleted).arg(m_jobs.size()));
    if (bJson)
        CliPrintJson(array);
}
