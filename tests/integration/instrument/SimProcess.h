#pragma once

#include "model/StoreMemFields.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

// A dxr9k-sim of the build on a pseudo-terminal, started for one test and
// terminated after it; the resource name is empty when it did not start.
class CSimProcess
{
public:
    // On a pseudo-terminal unless the options ask for "--tcp PORT".
    explicit CSimProcess(const QStringList& options = {})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const bool bTcp = options.contains(QStringLiteral("--tcp"));
        m_process.start(BinaryDir() + QStringLiteral("/sim/dxr9k-sim"),
                        (bTcp ? QStringList() : QStringList{QStringLiteral("--pty")}) + options);
        // Its first line names the resource; a sanitizer build takes seconds to get there.
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && m_process.state() != QProcess::NotRunning &&
               timer.elapsed() < 10000)
            m_process.waitForReadyRead(200);
        m_strResource = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CSimProcess() { Stop(); }

    const QString& Resource() const { return m_strResource; }

    // Terminates as a user would (SIGTERM, so --state is saved); the exit code.
    int Stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    QProcess m_process;
    QString m_strResource;
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
