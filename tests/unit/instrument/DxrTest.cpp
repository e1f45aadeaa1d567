#include "ScriptedPeer.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "integration/instrument/SimProcess.h"
#include "unit/visa/VisaTestSupport.h"

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
    EXPECT_EQ(pSerial->m_log,
              QStringList({"Open ASRL/dev/pts/9::INSTR 0 2000 ''", "Timeout 3000", "BaudRate 19200",
                           "DataBits 8", "StopBits 20", "Parity 0", "FlowControl 1"}) +
                  identify);
    EXPECT_EQ(dxr.m_wVersion, 0x0105);

    auto pGpib = std::make_shared<CScriptedMessage>();
    pRm = pGpib;
    dxr.Open(pRm, pGpib->ResourceName());
    EXPECT_EQ(pGpib->m_log, QStringList({"Open GPIB0::1::INSTR 0 2000 ''", "Timeout 3000"}) + identify);

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

// A long error text is cut to its buffer; an instrument that never closes its
// text cannot keep the driver reading.
TEST_F(DxrTest, ErrorRepliesAreCutToTheirBufferAndTheirReadsBounded)
{
    m_pPeer->m_errorReplies = {"-100," + QString(300, QLatin1Char('x')) + '\n'};
    EXPECT_EQ(m_dxr.QueryErrors(), 1);
    // The 256-character read keeps "-100," and the text's first 250.
    EXPECT_EQ(m_dxr.GetErrors().GetAt(0)->GetMessage(), QString(250, QLatin1Char('x')));
    EXPECT_EQ(m_dxr.GetErrors().GetAt(0)->szMessage[SYSTERR::MESSAGE_CHARS - 1], 0);

    m_pPeer->m_log.clear();
    m_pPeer->m_strPending = QStringLiteral("\"open") + QString(40, QLatin1Char('\n'));
    m_dxr.QueryErrors();
    EXPECT_EQ(m_pPeer->m_log.count(QStringLiteral("Read 256")), CDxr::MAX_REPLY_READS);
}

// The transfer releases the lock that a failure inside a bracket leaves held.
TEST_F(DxrTest, AFailureInsideABracketLeavesTheLockHeldAndWhatWasRead)
{
    m_pPeer->m_replies = {"1,2,3,4,5,6,7,8,9,10,LOW\n", "1,2,3,4,5,6,7,8,9,10\n"};
    STOREMEM mem;
    mem.Volt = 42;
    EXPECT_THROW(m_dxr.ReadStoreMemory(mem), _com_error);
    EXPECT_EQ(mem.Crange, QStringLiteral("LOW"));
    EXPECT_EQ(mem.Pow, 10.0f);
    EXPECT_EQ(mem.Volt, 42.0f);
    EXPECT_EQ(m_pPeer->LockState(), Visa::EXCLUSIVE_LOCK);
}

// The ten commands of a record and the replies that carry it back.
const char* const TEN_COMMANDS[] = {
    "CURR 3.0000,2.0000,1.0000,15.0000,14.0000,13.0000,27.0000,26.0000,25.0000,1.5000,LOW",
    "POW 6.0000,5.0000,4.0000,18.0000,17.0000,16.0000,30.0000,29.0000,28.0000,250.2500",
    "VOLT 12.0000,11.0000,10.0000,24.0000,23.0000,22.0000,36.0000,35.0000,34.0000,-0.5000,MED",
    "RES 9.0000,8.0000,7.0000,21.0000,20.0000,19.0000,33.0000,32.0000,31.0000,0.0001",
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

    // A reply that goes on past one read, or past a line feed inside its
    // quotes, comes off the line whole: left there, it would be taken for the
    // next query's and shift every later value by one reply.
    m_pPeer->m_replies.front().insert(m_pPeer->m_replies.front().size() - 1, QString(300, QLatin1Char(' ')));
    m_pPeer->m_replies.back() = QStringLiteral("\"Bat \"\"A\"\"\r\n1234567\"\n");
    queries.insert(2, QStringLiteral("Read 256"));
    queries << QStringLiteral("Read 256");
    m_pPeer->m_log.clear();
    mem = STOREMEM();
    m_dxr.ReadStoreMemory(mem);
    EXPECT_EQ(m_pPeer->m_log, Bracket(queries) + NO_ERROR_CHECK);
    STOREMEM expected = DistinctRecord();
    expected.Memo = QStringLiteral("Bat \"A\"\r\n1234567");
    EXPECT_EQ(Describe(mem), Describe(expected));
}

TEST_F(DxrTest, ACommandTooLongForItsBufferIsCutButStillTerminated)
{
    STOREMEM mem;
    for (ABCMEM& abc : mem.Abc) // 44 characters each with four decimals
        abc.Curr_L = abc.Curr_M = abc.Curr_H = 3.0e38f;
    mem.Curr = 3.0e38f;
    mem.Abc[0].Pow_L = 1.0f;
    m_dxr.WriteStoreMemory(mem);
    const QStringList writes = m_pPeer->m_log.filter("Write ");
    EXPECT_EQ(writes.at(0).indexOf('\n'),
              QStringLiteral("Write ").size() + 254); // 255 with its one line feed
    EXPECT_TRUE(writes.at(0).endsWith('\n'));
    EXPECT_TRUE(writes.at(1).startsWith("Write BACK:SMEM:POW 1.0000,"));
}

} // namespace
