#include "ScriptedPeer.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "integration/instrument/SimProcess.h"
#include "unit/visa/VisaTestSupport.h"

#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString LOCK = QStringLiteral("LockRsrc 1 2000 ''");
const QString UNLOCK = QStringLiteral("UnlockRsrc");
const QStringList NO_ERROR_CHECK = {LOCK, "Write SYST:ERR?\n", "Read 256", UNLOCK};

QStringList Bracket(const QStringList& inside)
{
    return QStringList{LOCK} + inside + QStringList{UNLOCK};
}

// A driver opened on a scripted session, with the opening's calls cleared.
class DxrTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dxr.Open(m_pRm, m_pPeer->ResourceName());
        m_pPeer->m_log.clear();
    }

    std::shared_ptr<CScriptedMessage> m_pPeer = std::make_shared<CScriptedMessage>();
    std::shared_ptr<IResourceManager> m_pRm = m_pPeer;
    CDxr m_dxr;
};

TEST(DxrOpenTest, OnlyASerialResourceGetsTheLineSettingsThenEachIdentifies)
{
    const QStringList identify = Bracket({"Write *IDN?\n", "Read 256"});
    auto pSerial = std::make_shared<CScriptedSerial>();
    std::shared_ptr<IResourceManager> pRm = pSerial;
    CDxr dxr;
    dxr.Open(pRm, pSerial->ResourceName());
    // The transfer's lock comes first: nothing on the line changes before it.
    EXPECT_EQ(pSerial->m_log,
              QStringList({"Open ASRL/dev/pts/9::INSTR 0 2000 ''", "Timeout 3000", LOCK, "BaudRate 19200",
                           "DataBits 8", "StopBits 20", "Parity 0", "FlowControl 1"}) +
                  identify);
    EXPECT_EQ(dxr.m_wVersion, 0x0105);

    auto pGpib = std::make_shared<CScriptedMessage>();
    pRm = pGpib;
    dxr.Open(pRm, pGpib->ResourceName());
    EXPECT_EQ(pGpib->m_log, QStringList({"Open GPIB0::1::INSTR 0 2000 ''", "Timeout 3000", LOCK}) + identify);

    // No resource manager, or one that opens nothing, leaves a driver that refuses to talk.
    for (std::shared_ptr<IResourceManager> pNone : {std::shared_ptr<IResourceManager>(), pRm}) {
        CDxr closed;
        EXPECT_EQ(StatusOf([&] { closed.Open(pNone, QStringLiteral("GPIB0::2::INSTR")); }), E_POINTER);
        QString str[4];
        EXPECT_THROW(closed.GetIdentity(str[0], str[1], str[2], str[3]), _com_error);
    }
}

TEST_F(DxrTest, EachOperationIsOneBracketThenTheCheckUnlessSwitchedOff)
{
    QString str[4];
    m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
    m_dxr.SelectStoreMemory(7);
    EXPECT_EQ(m_pPeer->m_log, Bracket({"Write *IDN?\n", "Read 256"}) + NO_ERROR_CHECK +
                                  Bracket({"Write BACK:SMEM:NSEL 7\n"}) + NO_ERROR_CHECK);

    m_pPeer->m_log.clear();
    m_dxr.m_bCheckError = false;
    m_pPeer->m_errorReplies = {"-113,\"Undefined header\"\n"};
    m_dxr.SelectStoreMemory(3);
    EXPECT_EQ(m_pPeer->m_log, Bracket({"Write BACK:SMEM:NSEL 3\n"}));
}

TEST_F(DxrTest, ErrorsAreReadEachInItsBracketUntilAnythingButANumberOrTheBound)
{
    m_pPeer->m_errorReplies = {"-100\n", "\"No error\"\n", "-200,\"never read\"\n"};
    EXPECT_EQ(m_dxr.QueryErrors(), 1);
    EXPECT_EQ(m_pPeer->m_log, NO_ERROR_CHECK + NO_ERROR_CHECK); // one bracket each
    // An instrument that never reports "no error" is left after the bound.
    m_pPeer->m_log.clear();
    m_pPeer->m_errorReplies.assign(CDxr::MAX_QUERY_ERRORS + 50, QStringLiteral("-350,\"Queue overflow\"\n"));
    EXPECT_THROW(m_dxr.SelectStoreMemory(1), CScpiException);
    EXPECT_EQ(m_pPeer->m_log.count("Write SYST:ERR?\n"), CDxr::MAX_QUERY_ERRORS);
}

// A reply too long for its buffer is reported as such (it once read as an
// error number of 2147483647); an instrument that never closes its text
// cannot keep the driver reading.
TEST_F(DxrTest, RepliesTooLongForTheirBufferFailAndTheirReadsAreBounded)
{
    m_pPeer->m_errorReplies = {"-100," + QString(300, QLatin1Char('x')) + '\n'};
    QString strText;
    EXPECT_EQ(StatusOf([this] { m_dxr.QueryErrors(); }, &strText), Visa::VI_ERROR_IO);
    EXPECT_EQ(strText, LoadResString(IDS_REPLY_TOO_LONG).arg("SYST:ERR?").arg(306).arg(255));

    m_pPeer->m_log.clear();
    m_pPeer->m_strPending = QStringLiteral("\"open") + QString(40, QLatin1Char('\n'));
    m_dxr.QueryErrors();
    EXPECT_EQ(m_pPeer->m_log.count(QStringLiteral("Read 256")), CDxr::MAX_REPLY_READS);
}

// The transfer holds the lock from Open on; another program that keeps it
// past the timeout is named as the cause, not a silent instrument.
TEST(DxrLockTest, TheLockIsTakenOnceForTheTransferAndALockHeldElsewhereReadsAsInUse)
{
    class CBusy : public CScriptedMessage
    {
    public:
        QString LockRsrc(int, long, const QString&) override { throw _com_error(Visa::VI_ERROR_TMO); }
    };
    auto pBusy = std::make_shared<CBusy>();
    std::shared_ptr<IResourceManager> pRm = pBusy;
    CDxr dxr;
    QString strText;
    EXPECT_EQ(StatusOf([&] { dxr.Open(pRm, pBusy->ResourceName()); }, &strText), Visa::VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(strText, LoadResString(IDS_INSTRUMENT_IN_USE).arg("GPIB0::1::INSTR").arg(2000));
    EXPECT_EQ(pBusy->m_log.filter("Write").size(), 0);

    auto pPeer = std::make_shared<CScriptedMessage>();
    pRm = pPeer;
    {
        CDxr held;
        held.Open(pRm, pPeer->ResourceName());
        EXPECT_EQ(pPeer->LockState(), Visa::EXCLUSIVE_LOCK);
    }
    EXPECT_EQ(pPeer->LockState(), Visa::NO_LOCK); // released with the driver
}

// A reply that does not fit its query fails the memory, naming it, the query
// and what came back; the record stays as it was.
TEST_F(DxrTest, AReplyThatDoesNotFitFailsTheMemoryAndLeavesItsRecord)
{
    m_dxr.SelectStoreMemory(42);
    m_pPeer->m_replies = {"1,2,3,4,5,6,7,8,9,10,LOW\n", "hello\tworld\n"};
    STOREMEM mem;
    mem.Pow = 42;
    const QString strBefore = Describe(mem);
    QString strText;
    EXPECT_EQ(StatusOf([&] { m_dxr.ReadStoreMemory(mem); }, &strText), Visa::VI_ERROR_IO);
    EXPECT_EQ(strText,
              LoadResString(IDS_IN_MEMORY)
                  .arg(42)
                  .arg(LoadResString(IDS_REPLY_DOES_NOT_FIT).arg("BACK:SMEM:POW?", "hello\\x09world\\n")));
    EXPECT_EQ(Describe(mem), strBefore);
    // A VISA failure midway leaves it as it was too.
    m_pPeer->m_replies = {"1,2,3,4,5,6,7,8,9,10,LOW\n"};
    EXPECT_THROW(m_dxr.ReadStoreMemory(mem), _com_error);
    EXPECT_EQ(Describe(mem), strBefore);
}

// A reply with an unbalanced quote ends at its line after a short wait, and
// a reply dripped in pieces ends at the I/O timeout.
TEST_F(DxrTest, WholeRepliesAreBoundedInTime)
{
    class CDripping : public CScriptedMessage
    {
    public:
        QString ReadString(long nCount) override
        {
            m_log << QStringLiteral("Read %1").arg(nCount);
            QThread::msleep(static_cast<unsigned long>(std::min<long>(m_nTimeout, 400)));
            if (m_nTimeout < 400)
                throw _com_error(Visa::VI_ERROR_TMO);
            return QString(static_cast<int>(nCount), QLatin1Char('7'));
        }
    };
    auto pDrip = std::make_shared<CDripping>();
    std::shared_ptr<IResourceManager> pRm = pDrip;
    CDxr dxr;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([&] { dxr.Open(pRm, pDrip->ResourceName()); }), Visa::VI_ERROR_TMO);
    EXPECT_GE(timer.elapsed(), CDxr::IO_TIMEOUT_MS - 100);
    EXPECT_LT(timer.elapsed(), CDxr::IO_TIMEOUT_MS + 600);

    m_pPeer->m_strIdn = QStringLiteral("TALVERO,DXR-9K \"pipe,91K20473,1.05\n");
    QString str[4];
    timer.restart();
    m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
    EXPECT_LT(timer.elapsed(), CDxr::QUOTE_WAIT_MS + 300);
    EXPECT_EQ(str[2], QStringLiteral("\"pipe"));
}

// Cancel is heard between the entries of an error queue that does not end.
TEST_F(DxrTest, ACancelStopsAnEndlessErrorQueue)
{
    m_pPeer->m_errorReplies.assign(CDxr::MAX_QUERY_ERRORS, QStringLiteral("-350,\"Queue overflow\"\n"));
    int nAsked = 0;
    m_dxr.SetCancelCheck([&] { return ++nAsked >= 5; });
    EXPECT_EQ(StatusOf([this] { m_dxr.QueryErrors(); }), Visa::VI_ERROR_ABORT);
    EXPECT_EQ(m_pPeer->m_log.count("Write SYST:ERR?\n"), 5);
}

// The ten commands of a record and the replies that carry it back.
const char* const TEN_COMMANDS[] = {
    "CURR 3.0000,2.0000,1.0000,15.0000,14.0000,13.0000,27.0000,26.0000,25.0000,1.5000,LOW",
    "POW 6.0000,5.0000,4.0000,18.0000,17.0000,16.0000,30.0000,29.0000,28.0000,250.2500",
    "VOLT 12.0000,11.0000,10.0000,24.0000,23.0000,22.0000,36.0000,35.0000,34.0000,-0.5000,MED",
    "RES 9.000000,8.000000,7.000000,21.000000,20.000000,19.000000,33.000000,32.000000,31.000000,0.000123",
    "FUNC CR,1.2346,1,-3",
    "PROT 11.0000,LIMIT,12.0000,TRIP,13.0000",
    "PULS 1000.0000,50.0000",
    "SLEW 0.2500",
    "ITIM 99.9900",
    "MEMO \"Bat \"\"A\"\" 1234567\"",
};

// Every field but the memo distinct, in declaration order (Mode, Crange, Vrange, Curr, ...); the A, B
// and C memories hold 1-12, 13-24 and 25-36 in record order (HIGH first).
STOREMEM DistinctRecord()
{
    STOREMEM mem{"", "CR",    "LOW",   "MED", 1.5f, 11,    "LIMIT", 250.25f, 12,     "TRIP", -0.5f,
                 13, 0.0001f, 1.2346f, 1,     -3,   0.25f, 1000,    50,      99.99f, {}};
    mem.Abc[0] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    mem.Abc[1] = {13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    mem.Abc[2] = {25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};
    return mem;
}

TEST_F(DxrTest, TheTenCommandsGoOutInOneBracketAndTheirRepliesComeBackWhole)
{
    STOREMEM mem = DistinctRecord();
    mem.Cond = 0.0001234f;
    mem.SoftStartTime = 1.23456f;
    mem.Memo = QStringLiteral("Bat \"A\" 1234567890"); // cut to 15 characters, quotes doubled
    m_dxr.WriteStoreMemory(mem);
    QStringList writes, queries;
    for (const char* psz : TEN_COMMANDS) {
        const QString strCommand = QString::fromLatin1(psz);
        writes << "Write BACK:SMEM:" + strCommand + '\n';
        queries << "Write BACK:SMEM:" + strCommand.section(' ', 0, 0) + "?\n"
                << "Read 256";
        m_pPeer->m_replies.push_back(strCommand.section(' ', 1) + '\n');
    }
    EXPECT_EQ(m_pPeer->m_log, Bracket(writes) + NO_ERROR_CHECK);

    // A reply that goes on past a line feed inside its quotes comes off the
    // line whole: left there, it would be taken for the next query's and
    // shift every later value by one reply. Its continuation is waited for
    // only briefly, and then the I/O timeout is back.
    m_pPeer->m_replies.back() = QStringLiteral("\"Bat \"\"A\"\"\r\n1234567\"\n");
    queries << QStringLiteral("Timeout %1").arg(CDxr::QUOTE_WAIT_MS) << QStringLiteral("Read 256")
            << QStringLiteral("Timeout 3000");
    m_pPeer->m_log.clear();
    mem = STOREMEM();
    m_dxr.ReadStoreMemory(mem);
    EXPECT_EQ(m_pPeer->m_log, Bracket(queries) + NO_ERROR_CHECK);
    STOREMEM expected = DistinctRecord();
    expected.Cond = 0.000123f;
    expected.Memo = QStringLiteral("Bat \"A\"\r\n1234567");
    EXPECT_EQ(Describe(mem), Describe(expected));
}

TEST_F(DxrTest, ACommandTooLongForItsBufferIsRefusedBeforeAnythingOfTheMemoryIsSent)
{
    m_dxr.SelectStoreMemory(0);
    m_pPeer->m_log.clear();
    STOREMEM mem;
    for (ABCMEM& abc : mem.Abc) // 44 characters each with four decimals
        abc.Curr_L = abc.Curr_M = abc.Curr_H = 3.0e38f;
    mem.Curr = 3.0e38f;
    QString strText;
    EXPECT_EQ(StatusOf([&] { m_dxr.WriteStoreMemory(mem); }, &strText), Visa::VI_ERROR_IO);
    EXPECT_EQ(strText, LoadResString(IDS_IN_MEMORY)
                           .arg(0)
                           .arg(LoadResString(IDS_VALUE_TOO_LONG_FOR_COMMAND).arg("AMem/Curr_L").arg(256)));
    EXPECT_TRUE(m_pPeer->m_log.isEmpty());
}

} // namespace
