#include "RecordingInstrument.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "transfer/TransferProcedure.h"

#include <gtest/gtest.h>

namespace {

using EResult = CTransferProcedure::EResult;

const QString s_strTimeout = QStringLiteral("Timeout expired before operation completed.");

// Writes the host's events into the instrument's log, so that a test sees
// them in order with the commands.
class CRecordingHost : public ITransferHost
{
public:
    explicit CRecordingHost(CRecordingInstrument& instrument) : m_instrument(instrument) {}

    void SetProgressRange(int nMemories) override
    {
        m_instrument.m_log << QStringLiteral("#range %1").arg(nMemories);
    }
    void StepProgress() override { m_instrument.m_log << QStringLiteral("#step"); }
    void PumpMessages() override
    {
        if (m_fnOnPump)
            m_fnOnPump();
    }
    void ShowMessage(const QString& strText) override { m_messages << strText; }
    void SetModified() override { m_instrument.m_log << QStringLiteral("#modified"); }
    void RefreshView() override { m_instrument.m_log << QStringLiteral("#refresh"); }

    std::function<void()> m_fnOnPump;
    QStringList m_messages;

private:
    CRecordingInstrument& m_instrument;
};

const QStringList s_readQueries = {
    "BACK:SMEM:CURR?\n", "BACK:SMEM:POW?\n",  "BACK:SMEM:VOLT?\n", "BACK:SMEM:RES?\n",  "BACK:SMEM:FUNC?\n",
    "BACK:SMEM:PROT?\n", "BACK:SMEM:PULS?\n", "BACK:SMEM:SLEW?\n", "BACK:SMEM:ITIM?\n", "BACK:SMEM:MEMO?\n",
};

const QString s_strZeros = "0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000";
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

class TransferProcedureTest : public ::testing::Test
{
protected:
    void SetUp() override { m_data.Reset(); }

    EResult Run(int nMode, int nFirst, int nLast)
    {
        m_pProcedure = std::make_unique<CTransferProcedure>(nMode, m_data.GetContainer(), m_host);
        return m_pProcedure->Run(m_pManager, QStringLiteral("ASRL/dev/fake::INSTR"), nFirst, nLast);
    }

    int CountOf(const QString& strCommand) const { return m_pInstrument->Commands().count(strCommand); }
    bool AnyMemoryCommand() const
    {
        for (const QString& str : m_pInstrument->Commands()) {
            if (str.startsWith(QLatin1String("BACK:")))
                return true;
        }
        return false;
    }

    std::shared_ptr<CRecordingInstrument> m_pInstrument = std::make_shared<CRecordingInstrument>();
    std::shared_ptr<IResourceManager> m_pManager = std::make_shared<CRecordingResourceManager>(m_pInstrument);
    CRecordingHost m_host{*m_pInstrument};
    CXmlDocData m_data;
    std::unique_ptr<CTransferProcedure> m_pProcedure;
};

TEST_F(TransferProcedureTest, DownloadSendsTheExactSequence)
{
    m_pInstrument->Stored("SLEW", 3) = "2.5000";
    m_pInstrument->Stored("MEMO", 4) = "\"Bank \"\"B\"\"\"";

    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 3, 4), CTransferProcedure::RESULT_COMPLETED);

    QStringList expected = {"#range 2", "*IDN?\n", "*IDN?\n", "SYST:ERR?\n"};
    for (int n : {3, 4}) {
        expected << QStringLiteral("BACK:SMEM:NSEL %1\n").arg(n) << "SYST:ERR?\n";
        expected << s_readQueries << "SYST:ERR?\n";
        if (n == 3)
            expected << "#modified";
        expected << "#step";
    }
    expected << "#refresh";
    EXPECT_EQ(m_pInstrument->m_log, expected);
    EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    EXPECT_FALSE(m_pProcedure->IsRunning());
    EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(3)->SlewRate, 2.5f);
    EXPECT_EQ(m_data.GetContainer().GetAt(4)->Memo, QStringLiteral("Bank \"B\""));
    // every exchange was one bracket, and none was left locked
    EXPECT_EQ(m_pInstrument->m_nLockCount, m_pInstrument->m_nUnlockCount);
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
}

TEST_F(TransferProcedureTest, UploadSendsTheExactSequenceAndLeavesTheRecords)
{
    m_data.GetContainer().GetAt(1)->Memo = QStringLiteral("Burn-in");

    EXPECT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 0, 1), CTransferProcedure::RESULT_COMPLETED);

    QStringList expected = {"#range 2", "*IDN?\n", "*IDN?\n", "SYST:ERR?\n"};
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
    EXPECT_EQ(m_pInstrument->Stored("MEMO", 1), "\"Burn-in\"");
}

TEST_F(TransferProcedureTest, UploadThenDownloadRoundTrips)
{
    STOREMEM& mem = *m_data.GetContainer().GetAt(42);
    mem.Mode = "CR";
    mem.Crange = "LOW";
    mem.Curr = 1.5f;
    mem.Abc[1].Volt_M = 12.25f;
    mem.CountTime = 1;
    mem.PowProtectAction = "LIMIT";
    mem.Memo = "Rack 7";
    ASSERT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 42, 42), CTransferProcedure::RESULT_COMPLETED);

    m_data.Reset();
    ASSERT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 42, 42), CTransferProcedure::RESULT_COMPLETED);
    const STOREMEM& back = *m_data.GetContainer().GetAt(42);
    EXPECT_EQ(back.Mode, "CR");
    EXPECT_EQ(back.Crange, "LOW");
    EXPECT_FLOAT_EQ(back.Curr, 1.5f);
    EXPECT_FLOAT_EQ(back.Abc[1].Volt_M, 12.25f);
    EXPECT_EQ(back.CountTime, 1);
    EXPECT_EQ(back.PowProtectAction, "LIMIT");
    EXPECT_EQ(back.Memo, "Rack 7");
}

TEST_F(TransferProcedureTest, RangeOfOneMovesExactlyThatMemory)
{
    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 5, 5), CTransferProcedure::RESULT_COMPLETED);
    QStringList selections;
    for (const QString& str : m_pInstrument->Commands()) {
        if (str.startsWith(QLatin1String("BACK:SMEM:NSEL")))
            selections << str;
    }
    EXPECT_EQ(selections, QStringList{"BACK:SMEM:NSEL 5\n"});
    EXPECT_EQ(m_pInstrument->m_log.count("#step"), 1);
    EXPECT_TRUE(m_pInstrument->m_log.contains("#range 1"));
}

struct WRONGMODELCASE
{
    const char* pszName;
    const char* pszIdn;
    int nIdnQueries; // an unidentified instrument is not asked a second time
};

class WrongModelTest : public TransferProcedureTest, public ::testing::WithParamInterface<WRONGMODELCASE>
{
};

TEST_P(WrongModelTest, Gives1007AndMovesNothing)
{
    m_pInstrument->m_strIdn = QString::fromLatin1(GetParam().pszIdn);
    for (int nMode : {CTransferProcedure::MODE_UPLOAD, CTransferProcedure::MODE_DOWNLOAD}) {
        m_pInstrument->m_log.clear();
        m_host.m_messages.clear();
        EXPECT_EQ(Run(nMode, 0, 99), CTransferProcedure::RESULT_WRONG_MODEL);
        EXPECT_EQ(m_host.m_messages, QStringList{LoadResString(IDS_WRONG_MODEL)});
        EXPECT_EQ(CountOf("*IDN?\n"), GetParam().nIdnQueries);
        EXPECT_FALSE(AnyMemoryCommand());
        EXPECT_FALSE(m_pInstrument->m_log.contains("#modified"));
        EXPECT_FALSE(m_pInstrument->m_log.contains("#refresh"));
        EXPECT_EQ(m_pProcedure->GetTransferredCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Identification, WrongModelTest,
    ::testing::Values(WRONGMODELCASE{"WrongMaker", "ACME,DXR-9K,TV123456,1.05\n", 1},
                      WRONGMODELCASE{"MixedCaseMaker", "Talvero,DXR-9K,TV123456,1.05\n", 1},
                      WRONGMODELCASE{"ShortSerial", "TALVERO,DXR-9K,1234567,1.05\n", 2},
                      WRONGMODELCASE{"SpaceInModel", "TALVERO,DXR 9K,12345678,1.05\n", 2},
                      WRONGMODELCASE{"Firmware00", "TALVERO,DXR-9K,TV123456,0.0\n", 1},
                      WRONGMODELCASE{"EmptyReply", "\n", 1}),
    [](const auto& test) { return std::string(test.param.pszName); });

TEST_F(TransferProcedureTest, QueuedErrorsAreReportedBeforeAnyMemory)
{
    m_pInstrument->m_queuedErrors = QStringList{"-113,\"Undefined header\"", "-350,\"Queue overflow\""};
    EXPECT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 0, 99), CTransferProcedure::RESULT_INSTRUMENT_ERRORS);
    EXPECT_EQ(m_host.m_messages,
              QStringList{"SCPI Error(s)\n\n(-113) \"Undefined header\"\n(-350) \"Queue overflow\"\n"});
    EXPECT_FALSE(AnyMemoryCommand());
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 0);
}

class MemoryErrorTest : public TransferProcedureTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(MemoryErrorTest, StopsAfterTheMemoryThatRaisedIt)
{
    const int nMode = GetParam();
    m_pInstrument->m_strErrorHeader =
        nMode == CTransferProcedure::MODE_UPLOAD ? "BACK:SMEM:PULS" : "BACK:SMEM:PULS?";
    m_pInstrument->m_nErrorMemory = 12;
    m_pInstrument->Stored("ITIM", 11) = "3.0000";
    m_pInstrument->Stored("ITIM", 12) = "4.0000";

    EXPECT_EQ(Run(nMode, 10, 14), CTransferProcedure::RESULT_INSTRUMENT_ERRORS);
    EXPECT_EQ(m_host.m_messages, QStringList{"SCPI Error(s)\n\n(-222) \"Data out of range\"\n"});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    const QStringList commands = m_pInstrument->Commands();
    EXPECT_TRUE(commands.contains("BACK:SMEM:NSEL 12\n"));
    EXPECT_FALSE(commands.contains("BACK:SMEM:NSEL 13\n"));
    // memory 12's exchange ran to its end and the error check came after it:
    // identification; 10 and 11; 12's selection, its error entry, the empty queue
    EXPECT_EQ(commands.last(), "SYST:ERR?\n");
    EXPECT_EQ(commands.count("SYST:ERR?\n"), 1 + 2 + 2 + 3);
    EXPECT_EQ(commands.count("BACK:SMEM:MEMO?\n") + commands.count("BACK:SMEM:MEMO \"\"\n"), 3);
    if (nMode == CTransferProcedure::MODE_DOWNLOAD) {
        // memories before the failing one stay read, the failing one holds
        // what the instrument answered, and the document says so
        EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(11)->InputTime, 3.0f);
        EXPECT_FLOAT_EQ(m_data.GetContainer().GetAt(12)->InputTime, 4.0f);
        EXPECT_EQ(m_pInstrument->m_log.count("#modified"), 1);
        EXPECT_EQ(m_pInstrument->m_log.count("#refresh"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(BothModes, MemoryErrorTest,
                         ::testing::Values(int(CTransferProcedure::MODE_UPLOAD),
                                           int(CTransferProcedure::MODE_DOWNLOAD)));

TEST_F(TransferProcedureTest, TimeoutReportsTheVisaDescriptionAndReleasesTheLock)
{
    // identification is 3 commands, each memory 13: the 5th query of memory 1
    m_pInstrument->m_nTimeoutAt = 3 + 13 + 2 + 5;

    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 0, 99), CTransferProcedure::RESULT_VISA_FAILURE);
    EXPECT_EQ(m_host.m_messages, QStringList{s_strTimeout});
    EXPECT_EQ(m_pProcedure->GetError(), Visa::VI_ERROR_TMO);
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 1);
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
    EXPECT_EQ(m_pInstrument->m_nLockCount, m_pInstrument->m_nUnlockCount);
    EXPECT_EQ(m_pInstrument->m_log.count("#modified"), 1);
    EXPECT_EQ(m_pInstrument->m_log.last(), "#refresh");
    EXPECT_FALSE(m_pProcedure->IsRunning());
}

TEST_F(TransferProcedureTest, TimeoutOnTheFirstMemoryStillMarksTheDocument)
{
    m_pInstrument->m_nTimeoutAt = 3 + 2 + 1; // the first query of the first memory
    EXPECT_EQ(Run(CTransferProcedure::MODE_DOWNLOAD, 7, 9), CTransferProcedure::RESULT_VISA_FAILURE);
    EXPECT_EQ(m_pInstrument->m_log.count("#modified"), 1);
    EXPECT_EQ(m_pInstrument->m_log.count("#refresh"), 1);
}

TEST_F(TransferProcedureTest, UploadTimeoutLeavesTheDocumentAlone)
{
    m_pInstrument->m_nTimeoutAt = 3 + 2 + 4; // inside the first write exchange
    EXPECT_EQ(Run(CTransferProcedure::MODE_UPLOAD, 0, 99), CTransferProcedure::RESULT_VISA_FAILURE);
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
    EXPECT_FALSE(m_pInstrument->m_log.contains("#modified"));
    EXPECT_FALSE(m_pInstrument->m_log.contains("#refresh"));
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
    const char* pszName;
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
    EXPECT_EQ(m_pInstrument->m_log.count("#step"), c.nExpected);
    EXPECT_EQ(m_pInstrument->Commands().last(), "SYST:ERR?\n");
    EXPECT_EQ(m_pInstrument->m_log.last(), "#refresh");
    EXPECT_EQ(m_pInstrument->LockState(), Visa::NO_LOCK);
    EXPECT_FALSE(m_pProcedure->IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Cancel, CancelTest,
                         ::testing::Values(CANCELCASE{"AfterFirstMemory", 20, true, 1},
                                           CANCELCASE{"MidExchange", 23, false, 4},
                                           CANCELCASE{"DuringLastMemory", 29, false, 10}),
                         [](const auto& test) { return std::string(test.param.pszName); });

} // namespace
