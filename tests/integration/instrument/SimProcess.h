#pragma once

#include "model/StoreMemFields.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <thread>

// A dxr9k-sim of the build, started for one test and terminated after it.
// Lines() are what it printed first: the resource names it serves (empty
// when it did not start), then the portmapper variable when it serves
// VXI-11, which this process then uses.
class CSimProcess
{
public:
    // On a pseudo-terminal unless the options ask for a network protocol.
    explicit CSimProcess(const QStringList& options = {}, int nLines = 1)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bool bNetwork = false;
        for (const char* psz : {"--tcp", "--vxi11", "--hislip"})
            bNetwork = bNetwork || options.contains(QLatin1String(psz));
        m_process.start(BinaryDir() + QStringLiteral("/sim/dxr9k-sim"),
                        (bNetwork ? QStringList() : QStringList{QStringLiteral("--pty")}) + options);
        // A sanitizer build takes seconds to get there.
        QElapsedTimer timer;
        timer.start();
        while (m_lines.size() < nLines && m_process.state() != QProcess::NotRunning &&
               timer.elapsed() < 10000) {
            if (m_process.canReadLine())
                m_lines << QString::fromLocal8Bit(m_process.readLine()).trimmed();
            else
                m_process.waitForReadyRead(200);
        }
        for (const QString& strLine : qAsConst(m_lines)) {
            if (strLine.startsWith(QLatin1String("VAULTLINE_VXI11_PORTMAPPER=")))
                qputenv("VAULTLINE_VXI11_PORTMAPPER", strLine.section(QLatin1Char('='), 1).toLatin1());
        }
    }
    ~CSimProcess()
    {
        Stop();
        if (m_lines.filter(QStringLiteral("VAULTLINE_VXI11_PORTMAPPER=")).size() > 0)
            qunsetenv("VAULTLINE_VXI11_PORTMAPPER");
    }

    QString Resource() const { return Line(0); }
    QString Line(int n) const { return n < m_lines.size() ? m_lines.at(n) : QString(); }
    // The shell prefix that gives a program of the build what it needs to
    // reach this simulator with the built-in VISA.
    QString Environment() const
    {
        const QString strPortmapper = qEnvironmentVariable("VAULTLINE_VXI11_PORTMAPPER");
        return QStringLiteral("VAULTLINE_VISA_PROVIDER=builtin") +
               (strPortmapper.isEmpty() ? QString()
                                        : QStringLiteral(" VAULTLINE_VXI11_PORTMAPPER=") + strPortmapper);
    }

    // Terminates as a user would (SIGTERM, so --state is saved); the exit code.
    int Stop() { return Kill(SIGTERM); }
    int Kill(int nSignal)
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), nSignal);
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

    // Kills the simulator with SIGKILL from another thread once its
    // transcript strLog holds nLines lines: in the middle of a transfer,
    // however fast or slow the build is. Join the thread before the checks.
    std::thread KillAfter(const QString& strLog, int nLines) const
    {
        const auto pid = static_cast<pid_t>(m_process.processId());
        return std::thread([pid, strLog, nLines] {
            for (int i = 0; i < 2000; ++i) {
                QFile log(strLog);
                if (log.open(QIODevice::ReadOnly) && log.readAll().count('\n') >= nLines)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            ::kill(pid, SIGKILL);
        });
    }

private:
    QProcess m_process;
    QStringList m_lines;
};

// A record different in every field from the defaults and from every other
// (nMemory, nSeed), with values that survive four decimals exactly.
inline STOREMEM Pattern(int nMemory, int nSeed = 0)
{
    static const char* const s_modes[] = {"CC", "CR", "CV", "CP"};
    static const char* const s_ranges[] = {"LOW", "MED", "HIGH"};
    const int n = nMemory + 100 * nSeed;
    STOREMEM mem;
    float f = static_cast<float>(n) + 0.0625f;
    for (ABCMEM& abc : mem.Abc) {
        for (const ABCMEMFIELD& field : g_AbcMemFields)
            abc.*field.pField = f += 0.125f;
    }
    for (const STOREMEMFIELD& field : g_StoreMemFields) {
        if (field.pFloat)
            mem.*field.pFloat = -(f += 0.125f);
    }
    mem.Mode = QLatin1String(s_modes[n % 4]);
    mem.Crange = QLatin1String(s_ranges[n % 3]);
    mem.Vrange = QLatin1String(s_ranges[(n + 1) % 3]);
    mem.CurrProtectAction = n % 2 ? QStringLiteral("LIMIT") : QStringLiteral("TRIP");
    mem.PowProtectAction = n % 2 ? QStringLiteral("TRIP") : QStringLiteral("LIMIT");
    mem.CountTime = n % 2;
    mem.Response = n - 50;
    mem.Memo = n % 10 == 0 ? QString() : QStringLiteral("Mem %1 \"q\" ;,").arg(n);
    return mem;
}

// Every field of a record in one text, so that a mismatch shows where it is.
inline QString Describe(const STOREMEM& m)
{
    QStringList fields;
    for (const STOREMEMFIELD& f : g_StoreMemFields)
        fields << (f.pText    ? m.*f.pText
                   : f.pFloat ? QString::number(m.*f.pFloat, 'g', 9)
                              : QString::number(m.*f.pInt));
    for (const ABCMEM& abc : m.Abc) {
        for (const ABCMEMFIELD& f : g_AbcMemFields)
            fields << QString::number(abc.*f.pField, 'g', 9);
    }
    return fields.join(QLatin1Char('|'));
}
