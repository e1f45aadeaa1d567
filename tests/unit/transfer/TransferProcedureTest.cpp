#include "transfer/TransferProcedure.h"
#include "model/XmlDocData.h"
#include "platform/visa/Visa.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "sim/SimInstrument.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <functional>

namespace {

using EResult = CTransferProcedure::EResult;

const QString s_strTimeout = QStringLiteral("Timeout expired before operation completed.");
const QString s_strZeros = "0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000";
// The ten commands of a new record.
const QStringList s_defaultWrites = {
    "BACK:SMEM:CURR " + s_strZeros + ",HIGH\n",
    "BACK:SMEM:POW " + s_strZeros + "\n",
    "BACK:SMEM:VOLT " + s_strZeros + ",HIGH\n",
    "BACK:SMEM:RES " + s_strZeros + "\n",
    "BACK:SMEM:FUNC CC,0.0000,0,0\n",
    "BACK:SMEM:PROT 0.0000,TRIP,0.0000,TRIP,0.0000\n",
    "BACK:SMEM:PULS 0.0000,0.0000\n",
    "BACK:SMEM:SLEW 0.0000\n",
    "BACK:SMEM:ITIM 0.0000\n",
    "BACK:SMEM:MEMO \"\"\n",
};

// The simulated DXR9K in this process, logging every command in order together
// with the host's events ("#...").
class CRecordingInstrument : public IMessage
{
public:
    QString ResourceName() const override { return QStringLiteral("ASRL/dev/fake::INSTR"); }
    void SetTimeout(long nMs) override { m_nTimeout = nMs; }
    long GetTimeout() const override { return m_nTimeout; }
    QString LockRsrc(int nType, long, const QString&) override
    {
        ++m_nLocks;
        m_nLockState = nType;
        return QString();
    }
    void UnlockRsrc() override
    {
        ++m_nUnlocks;
        if (m_nLockState == Visa::NO_LOCK)
            throw _com_error(Visa::VI_ERROR_SESN_NLOCKED,
                             QStringLiteral("The current session did not have a lock."));
        m_nLockState = Visa::NO_LOCK;
    }
    int LockState() override { return m_nLockState; }

    long WriteString(const QString& str) override
    {
        if (++m_nCommands == m_nTimeoutAt)
            throw _com_error(Visa::VI_ERROR_TMO, s_strTimeout);
        m_log << str;
        if (str.section(QLatin1Char(' '), 0, 0).trimmed() == m_strErrorHeader &&
            m_pSim->GetSelectedMemory() == m_nErrorMemory)
            m_pSim->QueueError(-222);
        const QByteArray reply = m_pSim->Execute(str.trimmed().toUtf8());
        if (str.trimmed().endsWith(QLatin1Char('?')))
            m_strReply += QString::fromUtf8(reply) + QLatin1Char('\n');
        if (m_fnOnCommand)
            m_fnOnCommand(str);
        return str.size();
    }
    QString ReadString(long nCount) override
    {
        if (m_strReply.isEmpty())
            throw _com_error(Visa::VI_ERROR_TMO, s_strTimeout);
        const QString str = m_strReply.left(static_cast<int>(nCount));
        m_strReply.remove(0, str.size());
        return str;
    }

    QStringList Commands() const { return m_log.filter(QRegularExpression(QStringLiteral("^[^#]"))); }
    STOREMEM& Memory(int n) { return *m_pSim->GetData().GetContainer().GetAt(n); }

    std::unique_ptr<CSimInstrument> m_pSim =
        std::make_unique<CSimInstrument>(QStringLiteral("TALVERO,DXR-9K,TV123456,1.05"));
    QString m_strErrorHeader; // queues -222 when sent for m_nErrorMemory
    int m_nErrorMemory = -1;
    int m_nTimeoutAt = 0; // the 1-based command whose write times out
    std::function<void(const QString&)> m_fnOnCommand;
    QStringList m_log;
    int m_nLocks = 0, m_nUnlocks = 0;

private:
    long m_nTimeout = 2000;
    int m_nLockState = Visa::NO_LOCK;
    int m_nCommands = 0;
    QString m_strReply;
};

class CRecordingResourceManager : public IResourceManager
{
public:
    explicit CRecordingResourceManager(std::shared_ptr<CRecordingInstrument> p) : m_p(std::move(p)) {}
    QStringList FindRsrc(const QString&) override { return {m_p->ResourceName()}; }
    std::shared_ptr<IVisaSession> Open(const QString&, int, long, const QString&) override { return m_p; }

private:
    std::shared_ptr<CRecordingInstrument> m_p;
};

// Writes the host's events into the instrument's log.
class CRecordingHost : public ITransferHost
{
public:
    explicit CRecordingHost(CRecordingInstrument& instrument) : m_log(instrument.m_log) {}
    void SetProgressRange(int n) override { m_log << QStringLiteral("#range %1").arg(n); }
    void StepProgress() override { m_log << QStringLiteral("#step"); }
    void PumpMessages() override
    {
        if (m_fnOnPump)
            m_fnOnPump();
    }
    void ShowMessage(const QString& strText) override { m_messages << strText; }
    void SetModified() override { m_log << QStringLiteral("#modified"); }
    void RefreshView() override { m_log << QStringLiteral("#refresh"); }

    std::function<void()> m_fnOnPump;
    QStringList m_messages;
    QStringList& m_log;
};

class TransferProcedureTest : public ::testing::Test
{
protected:
    void SetUp() override { m_data.Reset(); }

    EResult Run(int nMode, int nFirst, int nLast)
    {
        m_pProcedure = std::make_unique<CTransferProcedure>(nMode, m_data.GetContainer(), m_host);
        return m_pProcedure->Run(m_pManager, QStringLiteral("ASRL/dev/fake::INSTR"), nFirst, nLast);
    }
    bool AnyMemoryCommand() const
    {
        return !m_pInstrument->Commands().filter(QStringLiteral("BACK:")).isEmpty();
    }
    int Count(const char* pszEntry) const
    {
        return m_pInstrument->m_log.count(QString::fromLatin1(pszEntry));
    }

    std::shared_ptr<CRecordingInstrument> m_pInstrument = std::make_shared<CRecordingInstrument>();
    std::shared_ptr<IResourceManager> m_pManager = std::make_shared<CRecordingResourceManager>(m_pInstrument);
    CRecordingHost m_host{*m_pInstrument};
    CXmlDocData m_data;
    std::unique_ptr<CTransferProcedure> m_pProcedure;
};

TEST_F(TransferProcedureTest, DownloadAndUploadSendTheExactSequence)
{
    m_pInstrument->Memory(3).SlewRate = 2.5f;
    m_pInstrument->Memory(4).Memo = QStringLiteral("Bank \"B\"");
    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 3, 4), CTransferProcedure::RESULT_COMPLETED);

    QStringList queries;
    for (const QString& str : s_defaultWrites)
        queries << str.section(' ', 0, 0) + "?\n";
    QStringList expected = {"#range 2", "*IDN?\n", "*IDN?\n", "SYST:ERR?\n"};
    for (int n : {3, 4}) {
        expected << QStringLiteral("BACK:SMEM:NSEL %1\n").arg(n) << "SYST:ERR?\n" << queries << "SYST:ERR?\n";
        if (n == 3)
            expected << "#modified";
        expected << "#step";
    }
    EXPECT_EQ(m_pInstrument->m_log, expected + QStringList{"#refresh"});
    EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(3)->SlewRate, 2.5f);
    EXPECT_EQ(m_data.GetContainer().GetAt(4)->Memo, QStringLiteral("Bank \"B\""));
    // Every exchange was one bracket, and none was left locked.
    EXPECT_EQ(m_pInstrument->m_nLocks, m_pInstrument->m_nUnlocks);
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);

    m_pInstrument->m_log.clear();
    m_host.m_messages.clear();
    m_data.Reset();
    m_data.GetContainer().GetAt(1)->Memo = QStringLiteral("Burn-in");
    EXPECT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 0, 1), CTransferProcedure::RESULT_COMPLETED);
    expected = QStringList{"#range 2", "*IDN?\n", "*IDN?\n", "SYST:ERR?\n"};
    for (int n : {0, 1}) {
        QStringList writes = s_defaultWrites;
        if (n == 1)
            writes.last() = "BACK:SMEM:MEMO \"Burn-in\"\n";
        expected << QStringLiteral("BACK:SMEM:NSEL %1\n").arg(n) << "SYST:ERR?\n"
                 << writes << "SYST:ERR?\n"
                 << "#step";
    }
    EXPECT_EQ(m_pInstrument->m_log, expected); // neither modified nor refreshed
    EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(m_pInstrument->Memory(1).Memo, QStringLiteral("Burn-in"));
}

struct WRONGMODELCASE
{
    const char* pszIdn;
    int nIdnQueries; // an unidentified instrument is not asked a second time
};

class WrongModelTest : public TransferProcedureTest, public ::testing::WithParamInterface<WRONGMODELCASE>
{
};

TEST_P(WrongModelTest, Gives1007AndMovesNothing)
{
    m_pInstrument->m_pSim = std::make_unique<CSimInstrument>(QString::fromLatin1(GetParam().pszIdn));
    for (int nMode : {CTransferProcedure::MODE_UPLOAD, CTransferProcedure::MODE_DOWNLOAD}) {
        m_pInstrument->m_log.clear();
        m_host.m_messages.clear();
        EXPECT_EQ(Run(nMode, 0, 99), CTransferProcedure::RESULT_WRONG_MODEL);
        EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_WRONG_MODEL)});
        EXPECT_EQ(Count("*IDN?\n"), GetParam().nIdnQueries);
        EXPECT_FALSE(AnyMemoryCommand());
        EXPECT_EQ(Count("#modified") + Count("#refresh"), 0);
        EXPECT_EQ(m_pProcedure->GetTransferredCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Identification, WrongModelTest,
                         ::testing::Values(WRONGMODELCASE{"ACME,DXR-9K,TV123456,1.05", 1},
                                           WRONGMODELCASE{"Talvero,DXR-9K,TV123456,1.05", 1},
                                           WRONGMODELCASE{"TALVERO,DXR-9K,1234567,1.05", 2},
                                           WRONGMODELCASE{"TALVERO,DXR 9K,12345678,1.05", 2},
                                           WRONGMODELCASE{"TALVERO,DXR-9K,TV123456,0.0", 1},
                                           WRONGMODELCASE{"", 1}));

TEST_F(TransferProcedureTest, QueuedErrorsAreReportedBeforeAnyMemory)
{
    m_pInstrument->m_pSim->QueueError(-113);
    m_pInstrument->m_pSim->QueueError(-350);
    EXPECT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 0, 99), CTransferProcedure::RESULT_INSTRUMENT_ERRORS);
    EXPECT_EQ(m_host.m_messages,
              QStringList{"SCPI Error(s)\n\n(-113) \"Undefined header\"\n(-350) \"Queue overflow\"\n"});
    EXPECT_FALSE(AnyMemoryCommand());
}

class MemoryErrorTest : public TransferProcedureTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(MemoryErrorTest, StopsAfterTheMemoryThatRaisedIt)
{
    const bool bDownload = GetParam() == CTransferProcedure::MODE_DOWNLOAD;
    m_pInstrument->m_strErrorHeader = bDownload ? "BACK:SMEM:PULS?" : "BACK:SMEM:PULS";
    m_pInstrument->m_nErrorMemory = 12;
    m_pInstrument->Memory(11).InputTime = 3;
    m_pInstrument->Memory(12).InputTime = 4;

    EXPECT_EQ(Run(GetParam(), 10, 14), CTransferProcedure::RESULT_INSTRUMENT_ERRORS);
    EXPECT_EQ(m_host.m_messages, QStringList{"SCPI Error(s)\n\n(-222) \"Data out of range\"\n"});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    const QStringList commands = m_pInstrument->Commands();
    EXPECT_FALSE(commands.contains("BACK:SMEM:NSEL 13\n"));
    // Memory 12's exchange ran to its end and its error check came after it:
    // identification; 10 and 11; 12's selection, its error entry, the empty queue.
    EXPECT_EQ(commands.last(), "SYST:ERR?\n");
    EXPECT_EQ(commands.count("SYST:ERR?\n"), 1 + 2 + 2 + 3);
    EXPECT_EQ(commands.filter(QStringLiteral("BACK:SMEM:MEMO")).size(), 3);
    if (bDownload) {
        // What was read stays read, the failing memory included, and the document says so.
        EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(11)->InputTime, 3.0f);
        EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(12)->InputTime, 4.0f);
        EXPECT_EQ(Count("#modified"), 1);
        EXPECT_EQ(Count("#refresh"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, MemoryErrorTest,
                         ::testing::Values(int(CTransferProcedure::MODE_UPLOAD),
                                           int(CTransferProcedure::MODE_DOWNLOAD)));

TEST_F(TransferProcedureTest, TimeoutReportsTheVisaDescriptionAndReleasesTheLock)
{
    // Identification is 3 commands, each memory 13.
    const struct
    {
        int nMode, nFirst, nTimeoutAt, nTransferred, nModified;
    } cases[] = {
        {CTransferProcedure::MODE_DOWNLOAD, 0, 3 + 13 + 2 + 5, 1, 1}, // 5th query of the second memory
        {CTransferProcedure::MODE_DOWNLOAD, 7, 3 + 2 + 1, 0, 1},      // first query: still marked modified
        {CTransferProcedure::MODE_UPLOAD, 0, 3 + 2 + 4, 0, 0},        // inside the first write exchange
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nTimeoutAt);
        m_pInstrument = std::make_shared<CRecordingInstrument>();
        m_pManager = std::make_shared<CRecordingResourceManager>(m_pInstrument);
        CRecordingHost host(*m_pInstrument);
        m_pInstrument->m_nTimeoutAt = c.nTimeoutAt;
        CTransferProcedure procedure(c.nMode, m_data.GetContainer(), host);
        EXPECT_EQ(procedure.Run(m_pManager, m_pInstrument->ResourceName(), c.nFirst, 99),
                  CTransferProcedure::RESULT_VISA_FAILURE);
        EXPECT_EQ(host.m_messages, QStringList{s_strTimeout});
        EXPECT_EQ(procedure.GetError(), Visa::VI_ERROR_TMO);
        EXPECT_EQ(procedure.GetTransferredCount(), c.nTransferred);
        EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
        EXPECT_EQ(m_pInstrument->m_nLocks, m_pInstrument->m_nUnlocks);
        EXPECT_EQ(Count("#modified"), c.nModified);
        EXPECT_EQ(Count("#refresh"), c.nModified);
        EXPECT_FALSE(procedure.IsRunning());
    }
}

TEST_F(TransferProcedureTest, NoResourceManagerIsAVisaFailure)
{
    m_pManager.reset();
    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 0, 99), CTransferProcedure::RESULT_VISA_FAILURE);
    EXPECT_EQ(m_pProcedure->GetError(), E_POINTER);
    EXPECT_EQ(m_host.m_messages, QStringList{QString()});
}

struct CANCELCASE
{
    int nCancelDuring; // memory in progress when the cancel arrives
    bool bFromPump;    // through the host's pump, else mid-exchange (a signal)
    int nExpected;     // memories moved
};

class CancelTest : public TransferProcedureTest, public ::testing::WithParamInterface<CANCELCASE>
{
};

TEST_P(CancelTest, FinishesTheMemoryInProgressThenReports1006)
{
    const CANCELCASE& c = GetParam();
    int nInProgress = -1;
    m_pInstrument->m_fnOnCommand = [&](const QString& str) {
        if (str.startsWith(QLatin1String("BACK:SMEM:NSEL ")))
            nInProgress = str.mid(15).toInt();
        if (!c.bFromPump && nInProgress == c.nCancelDuring && str.startsWith(QLatin1String("BACK:SMEM:PROT")))
            m_pProcedure->Cancel();
    };
    m_host.m_fnOnPump = [&] {
        if (c.bFromPump && nInProgress == c.nCancelDuring)
            m_pProcedure->Cancel();
    };
    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 20, 29), CTransferProcedure::RESULT_ABORTED);
    EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), c.nExpected);
    EXPECT_EQ(Count("#step"), c.nExpected);
    EXPECT_EQ(m_pInstrument->Commands().last(), "SYST:ERR?\n");
    EXPECT_EQ(m_pInstrument->m_log.last(), "#refresh");
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
    EXPECT_FALSE(m_pProcedure->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Cancel, CancelTest,
                         ::testing::Values(CANCELCASE{20, true, 1}, CANCELCASE{23, false, 4},
                                           CANCELCASE{29, false, 10}));

} // namespace
