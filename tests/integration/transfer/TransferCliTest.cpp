#include "support/TestEnv.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

// vaultline-cli download and upload against dxr9k-sim on a pseudo-terminal:
// the real serial path, from the command line to the simulated instrument's
// store memories.
namespace {

QString SimProgram()
{
    return BinaryDir() + QStringLiteral("/sim/dxr9k-sim");
}

QString CliProgram()
{
    return BinaryDir() + QStringLiteral("/cli/vaultline-cli");
}

// A simulated instrument for the length of a test.
class CSimulator
{
public:
    explicit CSimulator(const QStringList& args)
    {
        m_process.setProgram(SimProgram());
        m_process.setArguments(QStringList{QStringLiteral("--pty")} + args);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return;
        QElapsedTimer timer;
        timer.start();
        while (!m_process.canReadLine() && timer.elapsed() < 10000)
            m_process.waitForReadyRead(200);
        m_strResource = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~CSimulator() { Stop(); }
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    // Ends the simulator the way a user does, so that it saves its --state.
    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    const QString& Resource() const { return m_strResource; }

private:
    QProcess m_process;
    QString m_strResource;
};

struct CLIRESULT
{
    int nExit = -1;
    QString strError;
    qint64 nMilliseconds = 0;
};

CLIRESULT RunCli(const QStringList& args, int nInterruptAfterMs = -1)
{
    CLIRESULT r;
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(CliProgram(), args);
    if (!cli.waitForStarted(5000))
        return r;
    if (nInterruptAfterMs >= 0) {
        cli.waitForFinished(nInterruptAfterMs);
        if (cli.state() != QProcess::NotRunning)
            ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    }
    cli.waitForFinished(120000);
    r.nMilliseconds = timer.elapsed();
    r.nExit = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    r.strError = QString::fromLocal8Bit(cli.readAllStandardError());
    return r;
}

// Store memories that differ from the defaults and from one another in every
// field the instrument stores, with values that survive four decimals.
void Distinct(CXmlDocData& data, int nSeed)
{
    static const char* const s_modes[] = {"CC", "CR", "CV", "CP"};
    data.Reset();
    for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i) {
        STOREMEM& m = *data.GetContainer().GetAt(i);
        const float f = static_cast<float>(nSeed * 100 + i);
        m.Memo = QStringLiteral("S%1 M%2").arg(nSeed).arg(i);
        m.Mode = QString::fromLatin1(s_modes[(i + nSeed) % 4]);
        m.Crange = (i % 2) ? QStringLiteral("LOW") : QStringLiteral("HIGH");
        m.Vrange = (i % 3) ? QStringLiteral("HIGH") : QStringLiteral("LOW");
        m.Curr = f * 0.25f;
        m.CurrProtect = f * 0.5f;
        m.Pow = f + 0.75f;
        m.PowProtect = f + 1.5f;
        m.Volt = f * 0.125f;
        m.VoltProtect = f + 2.25f;
        m.Cond = f * 0.0625f;
        m.SoftStartTime = 0.5f;
        m.CountTime = i % 2;
        m.Response = i % 3;
        m.SlewRate = f * 0.01f;
        m.PulseFreq = f + 10.f;
        m.PulseDuty = 50.f;
        m.InputTime = f * 0.1f;
        for (int k = 0; k < 3; ++k) {
            ABCMEM& abc = m.Abc[k];
            abc.Curr_H = f + k;
            abc.Curr_M = f + k + 0.5f;
            abc.Curr_L = f + k + 0.25f;
            abc.Pow_H = f * 2 + k;
            abc.Pow_M = f * 2 + k + 0.5f;
            abc.Pow_L = f * 2 + k + 0.25f;
            abc.Cond_H = f * 0.001f + k;
            abc.Cond_M = f * 0.002f + k;
            abc.Cond_L = f * 0.003f + k;
            abc.Volt_H = f * 3 + k;
            abc.Volt_M = f * 3 + k + 0.5f;
            abc.Volt_L = f * 3 + k + 0.25f;
        }
    }
}

// Every field as the instrument carries it: numbers with four decimals.
QString Describe(const STOREMEM& m)
{
    QStringList fields = {m.Memo,
                          m.Mode,
                          m.Crange,
                          m.Vrange,
                          m.CurrProtectAction,
                          m.PowProtectAction,
                          QString::number(m.CountTime),
                          QString::number(m.Response)};
    for (float f : {m.Curr, m.CurrProtect, m.Pow, m.PowProtect, m.Volt, m.VoltProtect, m.Cond,
                    m.SoftStartTime, m.SlewRate, m.PulseFreq, m.PulseDuty, m.InputTime})
        fields << QString::number(f, 'f', 4);
    for (const ABCMEM& abc : m.Abc) {
        for (float f : {abc.Curr_H, abc.Curr_M, abc.Curr_L, abc.Pow_H, abc.Pow_M, abc.Pow_L, abc.Cond_H,
                        abc.Cond_M, abc.Cond_L, abc.Volt_H, abc.Volt_M, abc.Volt_L})
            fields << QString::number(f, 'f', 4);
    }
    return fields.join(QLatin1Char('|'));
}

class TransferCliTest : public ::testing::Test
{
protected:
    QString Path(const QString& strName) const { return m_dir.filePath(strName); }

    QString Save(const CXmlDocData& data, const QString& strName)
    {
        const QString strPath = Path(strName);
        EXPECT_TRUE(const_cast<CXmlDocData&>(data).Save(strPath));
        return strPath;
    }

    static std::unique_ptr<CXmlDocData> Load(const QString& strPath)
    {
        auto pData = std::make_unique<CXmlDocData>();
        pData->Reset();
        EXPECT_TRUE(pData->Load(strPath)) << strPath.toStdString();
        return pData;
    }

    // Memory by memory: nFirst to nLast of a equal those of b.
    static void ExpectEqual(const CXmlDocData& a, const CXmlDocData& b, int nFirst = 0, int nLast = 99)
    {
        for (int i = nFirst; i <= nLast; ++i)
            EXPECT_EQ(Describe(*a.GetContainer().GetAt(i)), Describe(*b.GetContainer().GetAt(i)))
                << "memory " << i;
    }

    QTemporaryDir m_dir;
};

TEST_F(TransferCliTest, DownloadsAllMemoriesOfTheInstrument)
{
    CXmlDocData instrument;
    Distinct(instrument, 1);
    CSimulator sim({"--state", Save(instrument, "state.xMem")});
    ASSERT_FALSE(sim.Resource().isEmpty());

    const CLIRESULT r = RunCli({"download", sim.Resource(), Path("backup.xMem")});
    EXPECT_EQ(r.nExit, 0) << r.strError.toStdString();
    EXPECT_EQ(r.strError.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED));
    ExpectEqual(*Load(Path("backup.xMem")), instrument);
}

TEST_F(TransferCliTest, UploadedMemoriesReadBackEqual)
{
    CXmlDocData file;
    Distinct(file, 2);
    CSimulator sim({});
    const CLIRESULT up = RunCli({"upload", Save(file, "restore.xMem"), sim.Resource()});
    EXPECT_EQ(up.nExit, 0) << up.strError.toStdString();
    EXPECT_EQ(up.strError.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED));

    const CLIRESULT down = RunCli({"download", sim.Resource(), Path("back.xMem")});
    ASSERT_EQ(down.nExit, 0) << down.strError.toStdString();
    ExpectEqual(*Load(Path("back.xMem")), file);
}

TEST_F(TransferCliTest, RangeOfOneDownloadsExactlyThatMemoryIntoTheBaseFile)
{
    CXmlDocData instrument, base, defaults;
    Distinct(instrument, 3);
    Distinct(base, 4);
    defaults.Reset();
    CSimulator sim({"--state", Save(instrument, "state.xMem")});

    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("into.xMem"), "--range", "5-5", "--into",
                      Save(base, "base.xMem")})
                  .nExit,
              0);
    const std::unique_ptr<CXmlDocData> pInto = Load(Path("into.xMem"));
    const CXmlDocData& into = *pInto;
    ExpectEqual(into, base, 0, 4);
    ExpectEqual(into, instrument, 5, 5);
    ExpectEqual(into, base, 6, 99);

    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("plain.xMem"), "--range=5-5"}).nExit, 0);
    const std::unique_ptr<CXmlDocData> pPlain = Load(Path("plain.xMem"));
    const CXmlDocData& plain = *pPlain;
    ExpectEqual(plain, defaults, 0, 4);
    ExpectEqual(plain, instrument, 5, 5);
    ExpectEqual(plain, defaults, 6, 99);
}

TEST_F(TransferCliTest, RangeOfOneUploadsExactlyThatMemory)
{
    CXmlDocData file, defaults;
    Distinct(file, 5);
    defaults.Reset();
    CSimulator sim({});
    EXPECT_EQ(RunCli({"upload", Save(file, "file.xMem"), sim.Resource(), "--range", "5-5"}).nExit, 0);
    ASSERT_EQ(RunCli({"download", sim.Resource(), Path("back.xMem")}).nExit, 0);
    const std::unique_ptr<CXmlDocData> pBack = Load(Path("back.xMem"));
    const CXmlDocData& back = *pBack;
    ExpectEqual(back, defaults, 0, 4);
    ExpectEqual(back, file, 5, 5);
    ExpectEqual(back, defaults, 6, 99);
}

struct FAILURECASE
{
    const char* pszName;
    QStringList simArgs;
    int nExit;
    QString strMessage; // the start of what is reported
};

class TransferCliFailureTest : public TransferCliTest, public ::testing::WithParamInterface<FAILURECASE>
{
};

// Whatever goes wrong, the backup file is not created and the instrument's
// memories are not touched.
TEST_P(TransferCliFailureTest, ReportsAndLeavesEverythingAsItWas)
{
    CXmlDocData instrument, file;
    Distinct(instrument, 6);
    Distinct(file, 7);
    const QString strState = Save(instrument, "state.xMem");
    {
        CSimulator sim(QStringList{"--state", strState} + GetParam().simArgs);
        const CLIRESULT down = RunCli({"download", sim.Resource(), Path("backup.xMem")});
        EXPECT_EQ(down.nExit, GetParam().nExit);
        EXPECT_TRUE(down.strError.startsWith(GetParam().strMessage)) << down.strError.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
    }
    {
        // a new instrument: reading the error queue has emptied the last one's
        CSimulator sim(QStringList{"--state", strState} + GetParam().simArgs);
        const CLIRESULT up = RunCli({"upload", Save(file, "file.xMem"), sim.Resource()});
        EXPECT_EQ(up.nExit, GetParam().nExit);
        EXPECT_TRUE(up.strError.startsWith(GetParam().strMessage)) << up.strError.toStdString();
    }
    ExpectEqual(*Load(strState), instrument);
}

INSTANTIATE_TEST_SUITE_P(
    Instrument, TransferCliFailureTest,
    ::testing::Values(
        FAILURECASE{"WrongMaker", {"--idn", "ACME,DXR-9K,TV123456,1.05"}, 4, LoadResString(IDS_WRONG_MODEL)},
        FAILURECASE{
            "ShortSerial", {"--idn", "TALVERO,DXR-9K,1234567,1.05"}, 4, LoadResString(IDS_WRONG_MODEL)},
        FAILURECASE{
            "Firmware00", {"--idn", "TALVERO,DXR-9K,TV123456,0.0"}, 4, LoadResString(IDS_WRONG_MODEL)},
        FAILURECASE{
            "QueuedErrors", {"--queue-error", "-113"}, 6, "SCPI Error(s)\n\n(-113) \"Undefined header\""}),
    [](const auto& test) { return std::string(test.param.pszName); });

TEST_F(TransferCliTest, AnErrorRaisedByOneMemoryStopsTheUploadAfterIt)
{
    CXmlDocData file, defaults;
    Distinct(file, 9);
    defaults.Reset();
    // an absent mode goes out as an empty parameter, which the instrument refuses
    file.GetContainer().GetAt(3)->Mode.clear();
    CSimulator sim({});
    const CLIRESULT up = RunCli({"upload", Save(file, "file.xMem"), sim.Resource()});
    EXPECT_EQ(up.nExit, 6);
    EXPECT_TRUE(up.strError.startsWith("SCPI Error(s)\n\n(-109) \"Missing parameter\"\n"))
        << up.strError.toStdString();
    EXPECT_TRUE(up.strError.contains(LoadResString(2412).arg(3).arg(100))) << up.strError.toStdString();

    ASSERT_EQ(RunCli({"download", sim.Resource(), Path("back.xMem")}).nExit, 0);
    const std::unique_ptr<CXmlDocData> pBack = Load(Path("back.xMem"));
    ExpectEqual(*pBack, file, 0, 2);
    EXPECT_EQ(pBack->GetContainer().GetAt(3)->Memo,
              file.GetContainer().GetAt(3)->Memo); // its other commands went in
    ExpectEqual(*pBack, defaults, 4, 99);
}

TEST_F(TransferCliTest, SilentInstrumentTimesOutAfterTheIoTimeout)
{
    // answers the identification queries and the first error check, then nothing
    CSimulator sim({"--silent-after", "3"});
    const CLIRESULT r = RunCli({"download", sim.Resource(), Path("backup.xMem")});
    EXPECT_EQ(r.nExit, 5);
    EXPECT_TRUE(r.strError.startsWith("Timeout expired before operation completed."))
        << r.strError.toStdString();
    EXPECT_GE(r.nMilliseconds, 2900);
    EXPECT_LT(r.nMilliseconds, 8000);
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
}

TEST_F(TransferCliTest, InterruptCancelsBetweenMemoriesAndKeepsTheLineUsable)
{
    CXmlDocData instrument;
    Distinct(instrument, 8);
    // slow enough that the interrupt lands in the middle of the transfer
    CSimulator sim({"--state", Save(instrument, "state.xMem"), "--latency", "5"});
    const CLIRESULT r = RunCli({"download", sim.Resource(), Path("backup.xMem")}, 1500);
    EXPECT_EQ(r.nExit, 130) << r.strError.toStdString();
    EXPECT_TRUE(r.strError.startsWith(LoadResString(IDS_TRANSFER_ABORTED))) << r.strError.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));

    // neither a lock nor half an exchange was left behind
    const CLIRESULT again = RunCli({"download", sim.Resource(), Path("again.xMem"), "--range", "99-99"});
    EXPECT_EQ(again.nExit, 0) << again.strError.toStdString();
    ExpectEqual(*Load(Path("again.xMem")), instrument, 99, 99);
}

TEST_F(TransferCliTest, BadRangesAreUsageErrorsAndSendNothing)
{
    const QString strLog = Path("transcript.txt");
    CXmlDocData file;
    file.Reset();
    const QString strFile = Save(file, "file.xMem");
    CSimulator sim({"--log", strLog});
    for (const char* pszRange : {"7-3", "0-100", "-1-5", "5", "a-b", ""}) {
        EXPECT_EQ(RunCli({"download", sim.Resource(), Path("backup.xMem"), "--range", pszRange}).nExit, 2)
            << pszRange;
        EXPECT_EQ(RunCli({"upload", strFile, sim.Resource(), "--range", pszRange}).nExit, 2) << pszRange;
    }
    EXPECT_EQ(RunCli({"download", sim.Resource()}).nExit, 2);
    EXPECT_EQ(RunCli({"upload", strFile, sim.Resource(), "--into", strFile}).nExit, 2);
    sim.Stop();
    EXPECT_FALSE(QFileInfo::exists(Path("backup.xMem")));
    QFile log(strLog);
    EXPECT_TRUE(!log.open(QIODevice::ReadOnly) || log.readAll().trimmed().isEmpty());
}

TEST_F(TransferCliTest, UnreadableFilesAreReportedBeforeTheInstrumentIsOpened)
{
    CSimulator sim({});
    const QString strMissing = Path("missing.xMem");
    const CLIRESULT up = RunCli({"upload", strMissing, sim.Resource()});
    EXPECT_EQ(up.nExit, 3);
    EXPECT_EQ(up.strError.trimmed(), FormatResString(IDS_FILE_NOT_READ, strMissing));
    const CLIRESULT into = RunCli({"download", sim.Resource(), Path("b.xMem"), "--into", strMissing});
    EXPECT_EQ(into.nExit, 3);
    const CLIRESULT nowhere = RunCli({"download", sim.Resource(), Path("no/such/folder/b.xMem")});
    EXPECT_EQ(nowhere.nExit, 3);
    EXPECT_FALSE(QFileInfo::exists(Path("b.xMem")));
}

} // namespace
