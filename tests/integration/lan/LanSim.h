#pragma once

#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <QFile>

#include <csignal>
#include <thread>

// A dxr9k-sim of the build serving LAN protocols on loopback, started for one
// test; Lines() are what it printed first (resource names, then the
// portmapper variable when it serves VXI-11).
class CLanSim
{
public:
    CLanSim(const QStringList& args, int nLines)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(BinaryDir() + QStringLiteral("/sim/dxr9k-sim"), args);
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
    ~CLanSim()
    {
        Kill(SIGTERM);
        qunsetenv("VAULTLINE_VXI11_PORTMAPPER");
    }

    // For a signal from another thread, where the process object may not be used.
    pid_t Pid() const { return static_cast<pid_t>(m_process.processId()); }
    QString Line(int n) const { return n < m_lines.size() ? m_lines.at(n) : QString(); }
    // The shell prefix that gives a program of the build what it needs to
    // reach this simulator.
    QString Environment() const
    {
        return QStringLiteral("VAULTLINE_VISA_PROVIDER=builtin VAULTLINE_VXI11_PORTMAPPER=%1")
            .arg(qEnvironmentVariable("VAULTLINE_VXI11_PORTMAPPER"));
    }
    void Kill(int nSignal)
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(m_process.processId()), nSignal);
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    // Kills the simulator with SIGKILL from another thread once its
    // transcript strLog holds nLines lines: in the middle of a transfer,
    // however fast or slow the build is. Join the thread before the checks.
    std::thread KillAfter(const QString& strLog, int nLines) const
    {
        const pid_t pid = Pid();
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
