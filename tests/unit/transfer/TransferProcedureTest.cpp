#include "transfer/TransferProcedure.h"
#include "instrument/Dxr.h"
#include "model/XmlDocData.h"
#include "platform/visa/Visa.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "sim/SimInstrument.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <functional>

namespace {

constexpr int UPLOAD = CTransferProcedure::MODE_UPLOAD, DOWNLOAD = CTransferProcedure::MODE_DOWNLOAD;
const QString s_strTimeout = QStringLiteral("Timeout expired before operation completed.");
const QString s_strZeros = "0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000";
// Conductances go with the 6 decimals the memory file keeps.
const QString s_strZeros6 =
    "0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000,0.000000";
// The ten commands of a new record.
// clang-format off
const QStringList s_defaultWrites = {
    "BACK:SMEM:CURR " + s_strZeros + ",HIGH\n", "BACK:SMEM:POW " + s_strZeros + "\n",
    "BACK:SMEM:VOLT " + s_strZeros + ",HIGH\n", "BACK:SMEM:RES " + s_strZeros6 + "\n",
    "BACK:SMEM:FUNC CC,0.0000,0,0\n", "BACK:SMEM:PROT 0.0000,TRIP,0.0000,TRIP,0.0000\n", "BACK:SMEM:PULS 0.0000,0.0000\n",
    "BACK:SMEM:SLEW 0.0000\n", "BACK:SMEM:ITIM 0.0000\n", "BACK:SMEM:MEMO \"\"\n"};
// clang-format on

// The log of a transfer: identification, then per memory the selection, its
// error check, the ten exchanges and the final error check; a download marks
// the document after its first memory and refreshes at the end.
QStringList Sequence(const std::vector<std::pair<int, QStringList>>& memories, bool bDownload)
{
    QStringList log = {QStringLiteral("#range %1").arg(memories.size()), "*IDN?\n", "*IDN?\n", "SYST:ERR?\n"};
    for (const auto& [n, exchanges] : memories) {
        log << QStringLiteral("BACK:SMEM:NSEL %1\n").arg(n) << "SYST:ERR?\n" << exchanges << "SYST:ERR?\n";
        if (bDownload && n == memories.front().first)
            log << "#modified";
        log << "#step";
    }
    return bDownload ? log << "#refresh" : log;
}

// The simulated DXR9K in this process as resource manager, session and host at
// once, logging every command in order together with the host's events ("#...").
class CBench : public IMessage,
               public IResourceManager,
               public ITransferHost,
               public std::enable_shared_from_this<CBench>
{
public:
    QStringList FindRsrc(const QString&) override { return {ResourceName()}; }
    std::shared_ptr<IVisaSession> Open(const QString&, int, long, const QString&) override
    {
        return shared_from_this();
    }

    QString ResourceName() const override { return QStringLiteral("ASRL/dev/fake::INSTR"); }
    void SetTimeout(long nMs) override { m_nTimeout = nMs; }
    long GetTimeout() const override { return m_nTimeout; }
    // Nested locks count, as VISA's do: one unlock for each.
    QString LockRsrc(int, long, const QString&) override
    {
        ++m_nLocks;
        ++m_nDepth;
        return QString();
    }
    void UnlockRsrc() override
    {
        ++m_nUnlocks;
        if (m_nDepth == 0)
            throw _com_error(Visa::VI_ERROR_SESN_NLOCKED,
                             QStringLiteral("The current session did not have a lock."));
        --m_nDepth;
    }
    int LockState() override { return m_nDepth > 0 ? Visa::EXCLUSIVE_LOCK : Visa::NO_LOCK; }
    long WriteString(const QString& str) override
    {
        if (++m_nCommands == m_nTimeoutAt)
            throw _com_error(Visa::VI_ERROR_TMO, s_strTimeout);
        m_log << str;
        const QByteArray reply = m_sim.Execute(str.trimmed().toUtf8());
        if (str.trimmed().endsWith(QLatin1Char('?')))
            m_strReply += m_fnReply(QString::fromUtf8(reply) + QLatin1Char('\n'));
        m_fnOnEvent(str);
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

    void SetProgressRange(int n) override { m_log << QStringLiteral("#range %1").arg(n); }
    void StepProgress() override { m_log << QStringLiteral("#step"); }
    void PumpMessages() override { m_fnOnEvent(QString()); }
    void ShowMessage(const QString& strText) override { m_messages << strText; }
    void SetModified() override { m_log << QStringLiteral("#modified"); }
    void RefreshView() override { m_log << QStringLiteral("#refresh"); }

    QStringList Commands() const { return m_log.filter(QRegularExpression(QStringLiteral("^[^#]"))); }
    int Count(const char* pszEntry) const { return m_log.count(QString::fromLatin1(pszEntry)); }
    // Every exchange was one bracket, and none was left locked.
    bool Unlocked() const { return m_nDepth == 0 && m_nLocks == m_nUnlocks; }

    CSimInstrument m_sim{QStringLiteral("TALVERO,DXR-9K,TV123456,1.05")};
    int m_nTimeoutAt = 0; // the 1-based command whose write times out
    std::function<void(const QString&)> m_fnOnEvent = [](const QString&) {}; // a command, or null: the pump
    std::function<QString(const QString&)> m_fnReply = [](const QString& str) {
        return str;
    }; // what goes back
    QStringList m_log, m_messages;

private:
    long m_nTimeout = 2000;
    int m_nDepth = 0, m_nLocks = 0, m_nUnlocks = 0, m_nCommands = 0;
    QString m_strReply;
};

class TransferProcedureTest : public ::testing::Test
{
protected:
    void SetUp() override { m_data.Reset(); }

    CTransferProcedure::EResult Run(int nMode, int nFirst, int nLast)
    {
        m_pProcedure = std::make_unique<CTransferProcedure>(nMode, m_data.GetContainer(), *m_p);
        std::shared_ptr<IResourceManager> pManager = m_p;
        return m_pProcedure->Run(pManager, m_p->ResourceName(), nFirst, nLast);
    }

    std::shared_ptr<CBench> m_p = std::make_shared<CBench>();
    CXmlDocData m_data;
    std::unique_ptr<CTransferProcedure> m_pProcedure;
};

TEST_F(TransferProcedureTest, DownloadAndUploadSendTheExactSequence)
{
    EXPECT_EQ(Run(DOWNLOAD, 3, 4), CTransferProcedure::RESULT_COMPLETED);

    QStringList queries;
    for (const QString& str : s_defaultWrites)
        queries << str.section(' ', 0, 0) + "?\n";
    EXPECT_EQ(m_p->m_log, Sequence({{3, queries}, {4, queries}}, true));
    EXPECT_EQ(m_p->m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    EXPECT_TRUE(m_p->Unlocked());

    m_p = std::make_shared<CBench>();
    m_data.Reset();
    m_data.GetContainer().GetAt(1)->Memo = QStringLiteral("Burn-in");
    EXPECT_EQ(Run(UPLOAD, 0, 1), CTransferProcedure::RESULT_COMPLETED);
    QStringList burnIn = s_defaultWrites;
    burnIn.last() = "BACK:SMEM:MEMO \"Burn-in\"\n";
    EXPECT_EQ(m_p->m_log, Sequence({{0, s_defaultWrites}, {1, burnIn}}, false));
    EXPECT_EQ(m_p->m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
}

// A memo the instrument holds with control characters comes into the
// records as it is; the completion message says what a save will replace.
TEST_F(TransferProcedureTest, DownloadNamesTheCharactersAMemoryFileCannotCarry)
{
    m_p->m_sim.Execute("BACK:SMEM:NSEL 2");
    m_p->m_sim.Execute("BACK:SMEM:MEMO \"Bat\x01t\x1b[1m\"");
    EXPECT_EQ(Run(DOWNLOAD, 1, 3), CTransferProcedure::RESULT_COMPLETED);
    EXPECT_EQ(m_data.GetContainer().GetAt(2)->Memo, QStringLiteral("Bat\x01t\x1b[1m"));
    EXPECT_EQ(m_p->m_messages,
              QStringList{LoadResString(IDS_TRANSFER_COMPLETED) + '\n' +
                          LoadResString(IDS_TEXT_SAVED_AS_REPLACEMENT)
                              .arg(2)
                              .arg(QStringLiteral("Memo"), QStringLiteral("U+0001, U+001B"))});
    // An upload does not report what it sends.
    m_p->m_messages.clear();
    EXPECT_EQ(Run(UPLOAD, 2, 2), CTransferProcedure::RESULT_COMPLETED);
    EXPECT_EQ(m_p->m_messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
}

TEST_F(TransferProcedureTest, TimeoutReportsTheVisaDescriptionAndReleasesTheLock)
{
    // Mode, first memory, the write that times out (identification is 3
    // commands, each memory 13), memories moved, times marked modified.
    const std::tuple<int, int, int, int, int> cases[] = {
        {DOWNLOAD, 0, 3 + 13 + 2 + 5, 1, 1}, // 5th query of the second memory
        {DOWNLOAD, 7, 3 + 2 + 1, 0, 1},      // first query: still marked modified
        {UPLOAD, 0, 3 + 2 + 4, 0, 0},        // inside the first write exchange
    };
    for (const auto& [nMode, nFirst, nTimeoutAt, nTransferred, nModified] : cases) {
        SCOPED_TRACE(nTimeoutAt);
        m_p = std::make_shared<CBench>();
        m_p->m_nTimeoutAt = nTimeoutAt;
        EXPECT_EQ(Run(nMode, nFirst, 99), CTransferProcedure::RESULT_VISA_FAILURE);
        EXPECT_EQ(m_p->m_messages, QStringList{s_strTimeout});
        EXPECT_EQ(m_pProcedure->GetError(), Visa::VI_ERROR_TMO);
        EXPECT_EQ(m_pProcedure->GetTransferredCount(), nTransferred);
        EXPECT_TRUE(m_p->Unlocked());
        EXPECT_EQ(m_p->Count("#modified"), nModified);
        EXPECT_EQ(m_p->Count("#refresh"), nModified);
        EXPECT_FALSE(m_pProcedure->IsRunning());
    }
}

// A cancel finishes the memory in progress, then reports 1006.
TEST_F(TransferProcedureTest, CancelStopsBetweenMemories)
{
    const struct
    {
        int nCancelDuring; // memory in progress when the cancel arrives
        bool bFromPump;    // through the host's pump, else mid-exchange (a signal)
        int nExpected;     // memories moved
    } cases[] = {{20, true, 1}, {23, false, 4}, {29, false, 10}};
    for (const auto& c : cases) {
        m_p = std::make_shared<CBench>();
        int nInProgress = -1;
        m_p->m_fnOnEvent = [&](const QString& str) {
            if (str.startsWith(QLatin1String("BACK:SMEM:NSEL ")))
                nInProgress = str.mid(15).toInt();
            if (nInProgress == c.nCancelDuring &&
                (c.bFromPump ? str.isNull() : str.startsWith("BACK:SMEM:PROT")))
                m_pProcedure->Cancel();
        };
        EXPECT_EQ(Run(DOWNLOAD, 20, 29), CTransferProcedure::RESULT_ABORTED);
        EXPECT_EQ(m_p->m_messages, QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
        EXPECT_EQ(m_pProcedure->GetTransferredCount(), c.nExpected);
        EXPECT_EQ(m_p->Count("#step"), c.nExpected);
        EXPECT_EQ(m_p->Commands().last(), "SYST:ERR?\n");
        EXPECT_EQ(m_p->m_log.last(), "#refresh");
        EXPECT_TRUE(m_p->Unlocked());
        EXPECT_FALSE(m_pProcedure->IsRunning());
    }
}

// An upload that the instrument cannot take whole is refused before the
// first byte: never half done, never a command cut to fit.
TEST_F(TransferProcedureTest, AnUploadWithACommandTooLongIsRefusedBeforeAnyByte)
{
    STOREMEM& mem = *m_data.GetContainer().GetAt(42);
    mem.Pow = 1.5e30f;
    for (ABCMEM& abc : mem.Abc)
        abc.Pow_L = abc.Pow_M = abc.Pow_H = 1.0e28f;
    EXPECT_EQ(Run(UPLOAD, 0, 99), CTransferProcedure::RESULT_REFUSED);
    EXPECT_TRUE(m_p->Commands().isEmpty());
    EXPECT_EQ(m_p->m_messages,
              QStringList{LoadResString(IDS_IN_MEMORY)
                              .arg(42)
                              .arg(LoadResString(IDS_VALUE_TOO_LONG_FOR_COMMAND).arg("Pow").arg(256)) +
                          '\n' + LoadResString(IDS_UPLOAD_REFUSED)});
    // Outside the range it stops nothing.
    EXPECT_EQ(Run(UPLOAD, 0, 41), CTransferProcedure::RESULT_COMPLETED);
    EXPECT_TRUE(m_p->Unlocked());
}

// A reply that is not the answer to its query fails the transfer at that
// memory; the memories before it stay, the one in progress is untouched.
TEST_F(TransferProcedureTest, AGarbledReplyFailsTheDownloadNamingMemoryAndQuery)
{
    const std::pair<QString, QString> cases[] = {
        {"hello world\n", "hello world\\n"},
        {QString("1.0000,2") + QChar(0) + "0000\n", "1.0000,2\\x000000\\n"},
        {"0.0000\n", "0.0000\\n"},
    };
    for (const auto& [strGarbled, strShown] : cases) {
        m_p = std::make_shared<CBench>();
        m_data.Reset();
        int nMemory = -1;
        m_p->m_fnOnEvent = [&](const QString& str) {
            if (str.startsWith(QLatin1String("BACK:SMEM:NSEL ")))
                nMemory = str.mid(15).toInt();
        };
        m_p->m_fnReply = [&, strReply = strGarbled](const QString& str) {
            return nMemory == 5 && str.count(',') == 9 ? strReply : str;
        };
        m_data.GetContainer().GetAt(5)->Memo = QStringLiteral("kept");
        EXPECT_EQ(Run(DOWNLOAD, 3, 9), CTransferProcedure::RESULT_VISA_FAILURE);
        EXPECT_EQ(
            m_p->m_messages,
            QStringList{LoadResString(IDS_IN_MEMORY)
                            .arg(5)
                            .arg(LoadResString(IDS_REPLY_DOES_NOT_FIT).arg("BACK:SMEM:POW?", strShown))});
        EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
        EXPECT_EQ(m_data.GetContainer().GetAt(5)->Memo, QStringLiteral("kept"));
        EXPECT_TRUE(m_p->Unlocked());
    }
}

// An instrument whose error queue never empties: a cancel through the pump
// is acted on at the next entry, and the transfer reports the abort.
TEST_F(TransferProcedureTest, ACancelIsHeardWhileAnEndlessErrorQueueIsDrained)
{
    int nErrorQueries = 0;
    m_p->m_fnOnEvent = [&](const QString& str) {
        if (str == QLatin1String("BACK:SMEM:NSEL 2\n") ||
            (nErrorQueries > 0 && str == QLatin1String("SYST:ERR?\n"))) {
            ++nErrorQueries;
            m_p->m_sim.QueueError(CSimInstrument::ERR_QUEUE_OVERFLOW);
        }
        if (str.isNull() && nErrorQueries >= 10)
            m_pProcedure->Cancel();
    };
    EXPECT_EQ(Run(DOWNLOAD, 0, 9), CTransferProcedure::RESULT_ABORTED);
    EXPECT_EQ(m_p->m_messages, QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
    EXPECT_EQ(m_pProcedure->GetTransferredCount(), 2);
    EXPECT_LE(nErrorQueries, 12);
    EXPECT_TRUE(m_p->Unlocked());
}

} // namespace
