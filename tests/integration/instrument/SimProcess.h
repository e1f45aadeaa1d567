#pragma once

#include "support/TestEnv.h"

#include <QProcess>
#include <QStringList>

// A dxr9k-sim of the build, started for one test and terminated after it.
class CSimProcess
{
public:
    // Starts the simulator on a pseudo-terminal with extra options; the
    // resource name is empty when it did not start.
    explicit CSimProcess(const QStringList& options = {})
    {
        m_process.setProgram(BinaryDir() + QStringLiteral("/sim/dxr9k-sim"));
        m_process.setArguments(QStringList{QStringLiteral("--pty")} + options);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(5000)) {
        }
        m_strResource = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CSimProcess() { Stop(); }
    CSimProcess(const CSimProcess&) = delete;
    CSimProcess& operator=(const CSimProcess&) = delete;

    const QString& Resource() const { return m_strResource; }

    // Terminates the simulator as a user would (SIGTERM) and returns its exit code.
    int Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QString m_strResource;
};
