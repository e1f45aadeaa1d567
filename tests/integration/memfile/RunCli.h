#pragma once

#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <csignal>
#include <utility>

struct RUN
{
    int nExit = -1; // -2: did not end normally
    QString strOut, strErr;
    qint64 nMilliseconds = 0;
};

// Runs a program of the build under a decimal-comma locale, which numbers in
// files and output must not follow. A shell prefix may set limits; with
// nInterruptAfterMs >= 0 a program still running then gets SIGINT, as Ctrl+C sends.
inline RUN RunCli(const QStringList& args, const QString& strShellPrefix = QString(),
                  const QString& strWorkDir = QDir::tempPath(), int nInterruptAfterMs = -1,
                  const char* pszProgram = "cli/vaultline-cli")
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(strWorkDir);
    QElapsedTimer timer;
    timer.start();
    // The shell execs the program, so that the signal reaches it.
    process.start("/bin/sh", QStringList{"-c", strShellPrefix + " exec \"$0\" \"$@\"",
                                         QDir(BinaryDir()).filePath(QString::fromLatin1(pszProgram))} +
                                 args);
    if (nInterruptAfterMs >= 0 && !process.waitForFinished(nInterruptAfterMs))
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    process.waitForFinished(120000);
    RUN run;
    run.nMilliseconds = timer.elapsed();
    run.nExit = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
                    ? process.exitCode()
                    : -2;
    run.strOut = QString::fromUtf8(process.readAllStandardOutput());
    run.strErr = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Runs any program (git, a shell) in strWorkDir with variables added to the
// environment.
inline RUN RunProgram(const QString& strProgram, const QStringList& args, const QString& strWorkDir,
                      const QList<std::pair<QString, QString>>& variables = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [strName, strValue] : variables)
        env.insert(strName, strValue);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(strWorkDir);
    process.start(strProgram, args);
    process.waitForFinished(120000);
    RUN run;
    run.nExit = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.strOut = QString::fromUtf8(process.readAllStandardOutput());
    run.strErr = QString::fromUtf8(process.readAllStandardError());
    return run;
}
