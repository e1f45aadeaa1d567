#include "ScriptedPeer.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"
#include "integration/instrument/SimProcess.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <functional>

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
        std::shared_ptr<IResourceManager> pRm = m_pRm;
        m_dxr.Open(pRm, m_pPeer->ResourceName());
        m_pPeer->m_log.clear();
        m_pPeer->m_writes.clear();
    }

    template <class EXCEPTION> EXCEPTION Catch(const std::function<void()>& fn, EXCEPTION none)
    {
        try {
            fn();
        } catch (const EXCEPTION& e) {
            return e;
        }
        ADD_FAILURE() << "no exception";
        return none;
    }

    std::shared_ptr<CScriptedMessage> m_pPeer = std::make_shared<CScriptedMessage>();
    std::shared_ptr<CScriptedResourceManager> m_pRm = std::make_shared<CScriptedResourceManager>(m_pPeer);
    CDxr m_dxr;
};

TEST(DxrOpenTest, ASerialResourceGetsTheLineSettingsThenIdentifies)
{
    auto pPeer = std::make_shared<CScriptedSerial>();
    auto pRm = std::make_shared<CScriptedResourceManager>(pPeer);
    std::shared_ptr<IResourceManager> pRmBase = pRm;
    CDxr dxr;
    dxr.Open(pRmBase, QStringLiteral("ASRL/dev/pts/9::INSTR"));
    EXPECT_EQ(pRm->m_log, QStringList{"Open ASRL/dev/pts/9::INSTR 0 2000 ''"});
    EXPECT_EQ(pPeer->m_log, QStringList({"Timeout 3000", "BaudRate 19200", "DataBits 8", "StopBits 20",
                                         "Parity 0", "FlowControl 1"}) +
                                Bracket({"Write *IDN?\n", "Read 256"}));
    EXPECT_EQ(dxr.m_wVersion, 0x0105);
    EXPECT_TRUE(dxr.m_bCheckError);

    // Other resources get no line settings; a mixed-case maker is not identified.
    auto pGpib = std::make_shared<CScriptedMessage>();
    pGpib->m_strIdn = QStringLiteral("Talvero,DXR-9K,91K20473,1.05\n");
    pRmBase = std::make_shared<CScriptedResourceManager>(pGpib);
    dxr.Open(pRmBase, pGpib->ResourceName());
    EXPECT_EQ(pGpib->m_log, QStringList{"Timeout 3000"} + Bracket({"Write *IDN?\n", "Read 256"}));
    EXPECT_EQ(dxr.m_wVersion, 0);
}

TEST(DxrOpenTest, MissingResourceManagerOrSessionIsAPointerError)
{
    CDxr dxr;
    std::shared_ptr<IResourceManager> pRm;
    try {
        dxr.Open(pRm, QStringLiteral("GPIB0::1::INSTR"));
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    pRm = std::make_shared<CScriptedResourceManager>(nullptr);
    EXPECT_THROW(dxr.Open(pRm, QStringLiteral("GPIB0::1::INSTR")), _com_error);
    QString str[4];
    EXPECT_THROW(dxr.GetIdentity(str[0], str[1], str[2], str[3]), _com_error);
}

TEST_F(DxrTest, EachOperationIsOneBracketThenTheCheck)
{
    QString str[4];
    m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
    EXPECT_EQ(QStringList({str[0], str[1], str[2], str[3]}),
              QString("TALVERO,DXR-9K,91K20473,1.05").split(','));
    m_dxr.SelectStoreMemory(7);
    EXPECT_EQ(m_pPeer->m_log, Bracket({"Write *IDN?\n", "Read 256"}) + NO_ERROR_CHECK +
                                  Bracket({"Write BACK:SMEM:NSEL 7\n"}) + NO_ERROR_CHECK);

    m_pPeer->m_writes.clear();
    m_dxr.m_bCheckError = false;
    m_pPeer->m_errorReplies = {QStringLiteral("-113,\"Undefined header\"\n")};
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(3));
    EXPECT_EQ(m_pPeer->m_writes, QStringList{"BACK:SMEM:NSEL 3\n"});
}

TEST_F(DxrTest, ErrorsAreReadUntilZeroAndThrownInOrder)
{
    m_pPeer->m_errorReplies = {QStringLiteral("-113,\"Undefined header\"\n"),
                               QStringLiteral("-222,\"Data out of range\"\n")};
    const auto e = Catch([&] { m_dxr.SelectStoreMemory(100); }, CScpiException());
    EXPECT_EQ(e.m_errors[0].GetMessage(), QStringLiteral("\"Undefined header\""));
    EXPECT_EQ(e.m_errors[2].nCode, 0);
    EXPECT_EQ(e.GetReport(),
              QStringLiteral("SCPI Error(s)\n\n(-113) \"Undefined header\"\n(-222) \"Data out of range\"\n"));
    EXPECT_EQ(m_pPeer->m_writes.count("SYST:ERR?\n"), 3);
    EXPECT_EQ(m_pPeer->m_log.count(LOCK), 4); // each entry is its own bracket
    // Those entries went with the exception; the next operation reports only its own.
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(5));
}

TEST_F(DxrTest, QueryErrorsStopsAtAnythingThatIsNotANumberOrAfterTheBound)
{
    for (const char* pszEnd : {"0,\"No error\"\n", "\"No error\"\n", "\n", "+0\n"}) {
        m_pPeer->m_errorReplies = {"-100\n", QString::fromUtf8(pszEnd), "-200,\"never read\"\n"};
        CDxr dxr; // the entries gather until an exception takes them
        std::shared_ptr<IResourceManager> pRm = m_pRm;
        dxr.Open(pRm, m_pPeer->ResourceName());
        EXPECT_EQ(dxr.QueryErrors(), 1) << pszEnd;
        EXPECT_EQ(dxr.GetErrors().GetAt(0)->GetMessage(), QString()) << pszEnd; // no comma, no message
    }
    // An instrument that never reports "no error" is left after the bound.
    m_pPeer->m_writes.clear();
    m_pPeer->m_errorReplies.assign(CDxr::MAX_QUERY_ERRORS + 50, QStringLiteral("-350,\"Queue overflow\"\n"));
    EXPECT_EQ(Catch([&] { m_dxr.SelectStoreMemory(1); }, CScpiException()).GetCount(),
              CScpiException::MAX_ERRORS);
    EXPECT_EQ(m_pPeer->m_writes.count("SYST:ERR?\n"), CDxr::MAX_QUERY_ERRORS);
}

TEST_F(DxrTest, LongErrorMessagesAreCutToTheirBuffer)
{
    m_pPeer->m_errorReplies = {QStringLiteral("-100,") + QString(300, QLatin1Char('x')) + QLatin1Char('\n')};
    EXPECT_EQ(m_dxr.QueryErrors(), 1);
    // The 256-character read keeps "-100," and the text's first 250.
    EXPECT_EQ(m_dxr.GetErrors().GetAt(0)->GetMessage(), QString(250, QLatin1Char('x')));
    EXPECT_EQ(m_dxr.GetErrors().GetAt(0)->szMessage[SYSTERR::MESSAGE_CHARS - 1], 0);
}

TEST_F(DxrTest, AFailureInsideABracketLeavesTheLockHeldAndWhatWasRead)
{
    m_pPeer->m_nFailWrite = 3;
    const auto e = Catch([&] { m_dxr.WriteStoreMemory(STOREMEM()); }, _com_error(S_OK));
    EXPECT_EQ(e.Error(), Visa::VI_ERROR_TMO);
    EXPECT_EQ(e.Description(), QStringLiteral("Timeout expired before operation completed."));
    EXPECT_EQ(m_pPeer->m_writes.size(), 3);
    EXPECT_FALSE(m_pPeer->m_log.contains(UNLOCK));
    EXPECT_EQ(m_pPeer->LockState(), Visa::EXCLUSIVE_LOCK);

    // A read that times out keeps the fields read so far.
    m_pPeer->m_nFailWrite = -1;
    m_pPeer->m_replies = {"1,2,3,4,5,6,7,8,9,10,LOW\n", "1,2,3,4,5,6,7,8,9,10\n"};
    STOREMEM mem;
    mem.Volt = 42;
    EXPECT_THROW(m_dxr.ReadStoreMemory(mem), _com_error);
    EXPECT_EQ(mem.Crange, QStringLiteral("LOW"));
    EXPECT_EQ(mem.Pow, 10.0f);
    EXPECT_EQ(mem.Volt, 42.0f);
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

// A, B, C each hold 12 values in record order (HIGH first): A is 1-12, B 13-24, C 25-36.
STOREMEM DistinctRecord()
{
    STOREMEM mem;
    float f = 1;
    for (ABCMEM& abc : mem.Abc) {
        for (float* p : {&abc.Curr_H, &abc.Curr_M, &abc.Curr_L, &abc.Pow_H, &abc.Pow_M, &abc.Pow_L,
                         &abc.Cond_H, &abc.Cond_M, &abc.Cond_L, &abc.Volt_H, &abc.Volt_M, &abc.Volt_L})
            *p = f++;
    }
    mem.Curr = 1.5f;
    mem.Pow = 250.25f;
    mem.Volt = -0.5f;
    mem.Cond = 0.0001f;
    mem.Crange = QStringLiteral("LOW");
    mem.Vrange = QStringLiteral("MED");
    mem.Mode = QStringLiteral("CR");
    mem.SoftStartTime = 1.2346f;
    mem.CountTime = 1;
    mem.Response = -3;
    mem.CurrProtect = 11;
    mem.CurrProtectAction = QStringLiteral("LIMIT");
    mem.PowProtect = 12;
    mem.VoltProtect = 13;
    mem.PulseFreq = 1000;
    mem.PulseDuty = 50;
    mem.SlewRate = 0.25f;
    mem.InputTime = 99.99f;
    mem.Memo = QStringLiteral("Bat \"A\" 1234567");
    return mem;
}

TEST_F(DxrTest, WriteStoreMemorySendsTheTenCommandsInOneBracket)
{
    STOREMEM mem = DistinctRecord();
    mem.Cond = 0.0001234f;
    mem.SoftStartTime = 1.23456f;
    mem.Memo = QStringLiteral("Bat \"A\" 1234567890"); // cut to 15 characters, quotes doubled
    m_dxr.WriteStoreMemory(mem);
    QStringList expected;
    for (const char* psz : TEN_COMMANDS)
        expected << QStringLiteral("BACK:SMEM:%1\n").arg(QLatin1String(psz));
    EXPECT_EQ(m_pPeer->m_writes, expected + QStringList{"SYST:ERR?\n"});
    EXPECT_EQ(m_pPeer->m_log.mid(0, 12),
              Bracket(expected.replaceInStrings(QRegularExpression("^"), "Write ")));
}

TEST_F(DxrTest, ReadStoreMemoryFillsTheRecordFromTenQueries)
{
    for (const char* psz : TEN_COMMANDS)
        m_pPeer->m_replies.push_back(QString::fromLatin1(psz).section(' ', 1) + '\n');
    STOREMEM mem;
    m_dxr.ReadStoreMemory(mem);
    EXPECT_EQ(Describe(mem), Describe(DistinctRecord()));
    // Queries and their reads alternate inside one bracket, then the check.
    ASSERT_EQ(m_pPeer->m_log.size(), 2 + 20 + 4);
    EXPECT_EQ(m_pPeer->m_log.mid(1, 2), QStringList({"Write BACK:SMEM:CURR?\n", "Read 256"}));
    EXPECT_EQ(m_pPeer->m_log.mid(19, 3), QStringList({"Write BACK:SMEM:MEMO?\n", "Read 256", UNLOCK}));
}

TEST_F(DxrTest, ACommandTooLongForItsBufferIsCutButStillTerminated)
{
    STOREMEM mem;
    for (ABCMEM& abc : mem.Abc) // 44 characters each with four decimals
        abc.Curr_L = abc.Curr_M = abc.Curr_H = 3.0e38f;
    mem.Curr = 3.0e38f;
    mem.Abc[0].Pow_L = 1.0f;
    m_dxr.WriteStoreMemory(mem);
    const QString strCurr = m_pPeer->m_writes.at(0);
    EXPECT_EQ(strCurr.size(), 255);
    EXPECT_EQ(strCurr.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(strCurr.endsWith(QLatin1Char('\n')));
    EXPECT_TRUE(m_pPeer->m_writes.at(1).startsWith(QStringLiteral("BACK:SMEM:POW 1.0000,")));
}

// A reply that goes on past its first line must not be left on the line for
// the next query: every later value would be shifted by one reply.
TEST_F(DxrTest, RepliesAreTakenWholeOffTheLine)
{
    for (const char* psz : TEN_COMMANDS)
        m_pPeer->m_replies.push_back(QString::fromLatin1(psz).section(' ', 1) + '\n');
    m_pPeer->m_replies.front().insert(m_pPeer->m_replies.front().size() - 1,
                                      QString(300, QLatin1Char(' '))); // CURR? longer than one read
    m_pPeer->m_replies.back() = QStringLiteral("\"two\r\nlines\"\n");  // MEMO? with a line break
    STOREMEM mem;
    m_dxr.ReadStoreMemory(mem);
    STOREMEM expected = DistinctRecord();
    expected.Memo = QStringLiteral("two\r\nlines");
    EXPECT_EQ(Describe(mem), Describe(expected));
    EXPECT_TRUE(m_pPeer->m_strPending.isEmpty());
    EXPECT_EQ(m_dxr.GetErrors().GetCount(), 0);

    // An instrument that never closes its text cannot keep the driver reading.
    m_pPeer->m_log.clear();
    m_pPeer->m_strPending = QStringLiteral("\"open") + QString(40, QLatin1Char('\n'));
    m_dxr.QueryErrors();
    EXPECT_EQ(m_pPeer->m_log.count(QStringLiteral("Read 256")), CDxr::MAX_REPLY_READS);
}

} // namespace
