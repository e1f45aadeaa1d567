#include "ScriptedPeer.h"

#include "instrument/Dxr.h"
#include "instrument/ScpiException.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

const QString NO_ERROR_EXCHANGE[] = {QStringLiteral("LockRsrc 1 2000 ''"),
                                     QStringLiteral("Write SYST:ERR?\n"), QStringLiteral("Read 256"),
                                     QStringLiteral("UnlockRsrc")};

QStringList Bracket(const QStringList& inside)
{
    return QStringList{QStringLiteral("LockRsrc 1 2000 ''")} + inside +
           QStringList{QStringLiteral("UnlockRsrc")};
}

QStringList NoErrorCheck()
{
    return QStringList(std::begin(NO_ERROR_EXCHANGE), std::end(NO_ERROR_EXCHANGE));
}

// A driver opened on a scripted session, with the opening's calls cleared.
class DxrTest : public ::testing::Test
{
protected:
    void SetUp() override { OpenOn(m_pPeer); }

    void OpenOn(const std::shared_ptr<CScriptedMessage>& pPeer)
    {
        m_pPeer = pPeer;
        m_pRm = std::make_shared<CScriptedResourceManager>(pPeer);
        std::shared_ptr<IResourceManager> pRm = m_pRm;
        m_dxr.Open(pRm, pPeer->ResourceName());
        m_pPeer->m_log.clear();
        m_pPeer->m_writes.clear();
    }

    std::shared_ptr<CScriptedMessage> m_pPeer = std::make_shared<CScriptedMessage>();
    std::shared_ptr<CScriptedResourceManager> m_pRm;
    CDxr m_dxr;
};

TEST(DxrOpenTest, SerialResourceGetsTheLineSettingsThenIdentifies)
{
    auto pPeer = std::make_shared<CScriptedSerial>();
    auto pRm = std::make_shared<CScriptedResourceManager>(pPeer);
    std::shared_ptr<IResourceManager> pRmBase = pRm;
    CDxr dxr;
    EXPECT_EQ(dxr.m_wVersion, 0);
    dxr.Open(pRmBase, QStringLiteral("ASRL/dev/pts/9::INSTR"));
    EXPECT_EQ(pRm->m_log, QStringList{QStringLiteral("Open ASRL/dev/pts/9::INSTR 0 2000 ''")});
    EXPECT_EQ(pPeer->m_log, (QStringList{QStringLiteral("Timeout 3000"), QStringLiteral("BaudRate 19200"),
                                         QStringLiteral("DataBits 8"), QStringLiteral("StopBits 20"),
                                         QStringLiteral("Parity 0"), QStringLiteral("FlowControl 1")} +
                             Bracket({QStringLiteral("Write *IDN?\n"), QStringLiteral("Read 256")})));
    EXPECT_EQ(dxr.m_wVersion, 0x0105);
    EXPECT_TRUE(dxr.m_bCheckError);
}

TEST(DxrOpenTest, OtherResourcesGetNoSerialSettings)
{
    auto pPeer = std::make_shared<CScriptedMessage>();
    pPeer->m_strIdn = QStringLiteral("Talvero,DXR-9K,91K20473,1.05\n");
    std::shared_ptr<IResourceManager> pRm = std::make_shared<CScriptedResourceManager>(pPeer);
    CDxr dxr;
    dxr.Open(pRm, QStringLiteral("GPIB0::1::INSTR"));
    EXPECT_EQ(pPeer->m_log, QStringList{QStringLiteral("Timeout 3000")} +
                                Bracket({QStringLiteral("Write *IDN?\n"), QStringLiteral("Read 256")}));
    EXPECT_EQ(dxr.m_wVersion, 0);
}

TEST(DxrOpenTest, MissingResourceManagerOrSessionIsAPointerError)
{
    CDxr dxr;
    std::shared_ptr<IResourceManager> pNone;
    try {
        dxr.Open(pNone, QStringLiteral("GPIB0::1::INSTR"));
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), E_POINTER);
    }
    std::shared_ptr<IResourceManager> pNoSession = std::make_shared<CScriptedResourceManager>(nullptr);
    EXPECT_THROW(dxr.Open(pNoSession, QStringLiteral("GPIB0::1::INSTR")), _com_error);
    QString str[4];
    EXPECT_THROW(dxr.GetIdentity(str[0], str[1], str[2], str[3]), _com_error);
}

TEST_F(DxrTest, GetIdentityIsOneBracketThenTheCheck)
{
    QString str[4];
    m_dxr.GetIdentity(str[0], str[1], str[2], str[3]);
    EXPECT_EQ(m_pPeer->m_log,
              Bracket({QStringLiteral("Write *IDN?\n"), QStringLiteral("Read 256")}) + NoErrorCheck());
    EXPECT_EQ(QStringList({str[0], str[1], str[2], str[3]}),
              QStringList({QStringLiteral("TALVERO"), QStringLiteral("DXR-9K"), QStringLiteral("91K20473"),
                           QStringLiteral("1.05")}));
}

TEST_F(DxrTest, SelectStoreMemorySendsOneCommand)
{
    m_dxr.SelectStoreMemory(7);
    EXPECT_EQ(m_pPeer->m_log, Bracket({QStringLiteral("Write BACK:SMEM:NSEL 7\n")}) + NoErrorCheck());
}

TEST_F(DxrTest, ErrorsAreReadUntilZeroAndThrownInOrder)
{
    m_pPeer->m_errorReplies = {QStringLiteral("-113,\"Undefined header\"\n"),
                               QStringLiteral("-222,\"Data out of range\"\n")};
    try {
        m_dxr.SelectStoreMemory(100);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        EXPECT_EQ(e.m_errors[0].nCode, -113);
        EXPECT_EQ(e.m_errors[0].GetMessage(), QStringLiteral("\"Undefined header\""));
        EXPECT_EQ(e.m_errors[1].nCode, -222);
        EXPECT_EQ(e.m_errors[2].nCode, 0);
        EXPECT_EQ(e.m_errors[2].szMessage[0], 0);
        EXPECT_EQ(
            e.GetReport(),
            QStringLiteral("SCPI Error(s)\n\n(-113) \"Undefined header\"\n(-222) \"Data out of range\"\n"));
    }
    EXPECT_EQ(m_pPeer->m_writes.count(QStringLiteral("SYST:ERR?\n")), 3);
    // Each entry is its own bracket.
    EXPECT_EQ(m_pPeer->m_log.count(QStringLiteral("LockRsrc 1 2000 ''")), 4);
    // Those entries went with the exception; the next operation reports only its own.
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(5));
}

TEST_F(DxrTest, QueryErrorsStopsAtAnythingThatIsNotANumber)
{
    for (const char* pszEnd : {"0,\"No error\"\n", "\"No error\"\n", "\n", "+0\n"}) {
        m_pPeer->m_errorReplies = {QStringLiteral("-100\n"), QString::fromUtf8(pszEnd),
                                   QStringLiteral("-200,\"never read\"\n")};
        CDxr dxr;
        std::shared_ptr<IResourceManager> pRm = m_pRm;
        dxr.Open(pRm, QStringLiteral("GPIB0::1::INSTR"));
        EXPECT_EQ(dxr.QueryErrors(), 1) << pszEnd;
        EXPECT_EQ(dxr.GetErrors().GetAt(0)->GetMessage(), QString()) << pszEnd; // no comma, no message
    }
}

TEST_F(DxrTest, AnEmptyQueueThrowsNothing)
{
    EXPECT_EQ(m_dxr.QueryErrors(), 0);
    EXPECT_EQ(m_pPeer->m_writes, QStringList{QStringLiteral("SYST:ERR?\n")});
}

TEST_F(DxrTest, AnInstrumentThatNeverReportsNoErrorIsLeftAfterTheBound)
{
    m_pPeer->m_errorReplies.assign(CDxr::MAX_QUERY_ERRORS + 50, QStringLiteral("-350,\"Queue overflow\"\n"));
    try {
        m_dxr.SelectStoreMemory(1);
        FAIL() << "no exception";
    } catch (const CScpiException& e) {
        EXPECT_EQ(e.GetCount(), CScpiException::MAX_ERRORS);
    }
    EXPECT_EQ(m_pPeer->m_writes.count(QStringLiteral("SYST:ERR?\n")), CDxr::MAX_QUERY_ERRORS);
}

TEST_F(DxrTest, LongErrorMessagesAreCutToTheirBuffer)
{
    m_pPeer->m_errorReplies = {QStringLiteral("-100,") + QString(300, QLatin1Char('x')) + QLatin1Char('\n')};
    EXPECT_EQ(m_dxr.QueryErrors(), 1);
    const SYSTERR* pErr = m_dxr.GetErrors().GetAt(0);
    // The 256-character read keeps "-100," and 251 characters of the text;
    // the rest of the reply is the next read's.
    EXPECT_EQ(pErr->GetMessage(), QString(250, QLatin1Char('x')));
    EXPECT_EQ(pErr->szMessage[SYSTERR::MESSAGE_CHARS - 1], 0);
}

TEST_F(DxrTest, WithoutCheckingNoErrorQueryIsSent)
{
    m_dxr.m_bCheckError = false;
    m_pPeer->m_errorReplies = {QStringLiteral("-113,\"Undefined header\"\n")};
    EXPECT_NO_THROW(m_dxr.SelectStoreMemory(3));
    EXPECT_EQ(m_pPeer->m_writes, QStringList{QStringLiteral("BACK:SMEM:NSEL 3\n")});
}

TEST_F(DxrTest, AWriteThatFailsInsideABracketLeavesTheLockHeld)
{
    m_pPeer->m_nFailWrite = 3;
    STOREMEM mem;
    try {
        m_dxr.WriteStoreMemory(mem);
        FAIL() << "no exception";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_TMO);
        EXPECT_EQ(e.Description(), QStringLiteral("Timeout expired before operation completed."));
    }
    EXPECT_EQ(m_pPeer->m_writes.size(), 3);
    EXPECT_FALSE(m_pPeer->m_log.contains(QStringLiteral("UnlockRsrc")));
    EXPECT_EQ(m_pPeer->LockState(), Visa::EXCLUSIVE_LOCK);
}

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
    mem.Cond = 0.0001234f;
    mem.Crange = QStringLiteral("LOW");
    mem.Vrange = QString(); // absent: sent as empty
    mem.Mode = QStringLiteral("CR");
    mem.SoftStartTime = 1.23456f;
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
    mem.Memo = QStringLiteral("Bat \"A\" 1234567890");
    return mem;
}

TEST_F(DxrTest, WriteStoreMemorySendsTheTenCommandsInOneBracket)
{
    m_dxr.WriteStoreMemory(DistinctRecord());
    const QStringList expected = {
        // Per memory LOW, MEDium, HIGH; A is 1-12, B 13-24, C 25-36 in record order (HIGH first).
        "BACK:SMEM:CURR 3.0000,2.0000,1.0000,15.0000,14.0000,13.0000,27.0000,26.0000,25.0000,1.5000,LOW\n",
        "BACK:SMEM:POW 6.0000,5.0000,4.0000,18.0000,17.0000,16.0000,30.0000,29.0000,28.0000,250.2500\n",
        "BACK:SMEM:VOLT 12.0000,11.0000,10.0000,24.0000,23.0000,22.0000,36.0000,35.0000,34.0000,-0.5000,\n",
        "BACK:SMEM:RES 9.0000,8.0000,7.0000,21.0000,20.0000,19.0000,33.0000,32.0000,31.0000,0.0001\n",
        "BACK:SMEM:FUNC CR,1.2346,1,-3\n",
        "BACK:SMEM:PROT 11.0000,LIMIT,12.0000,TRIP,13.0000\n",
        "BACK:SMEM:PULS 1000.0000,50.0000\n",
        "BACK:SMEM:SLEW 0.2500\n",
        "BACK:SMEM:ITIM 99.9900\n",
        "BACK:SMEM:MEMO \"Bat \"\"A\"\" 1234567\"\n",
    };
    EXPECT_EQ(m_pPeer->m_writes, expected + QStringList{QStringLiteral("SYST:ERR?\n")});
    EXPECT_EQ(m_pPeer->m_log.mid(0, 12), Bracket(QStringList(expected).replaceInStrings(
                                             QRegularExpression("^"), QStringLiteral("Write "))));
}

TEST_F(DxrTest, FirstCommandOfAZeroRecord)
{
    STOREMEM mem;
    mem.Curr = 1.5f;
    m_dxr.WriteStoreMemory(mem);
    EXPECT_EQ(m_pPeer->m_writes.at(0),
              QStringLiteral("BACK:SMEM:CURR 0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,"
                             "0.0000,0.0000,0.0000,1.5000,HIGH\n"));
    EXPECT_EQ(m_pPeer->m_writes.at(9), QStringLiteral("BACK:SMEM:MEMO \"\"\n"));
}

TEST_F(DxrTest, ACommandTooLongForItsBufferIsCutButStillTerminated)
{
    STOREMEM mem;
    // 44 characters each with four decimals
    for (ABCMEM& abc : mem.Abc)
        abc.Curr_L = abc.Curr_M = abc.Curr_H = 3.0e38f;
    mem.Curr = 3.0e38f;
    mem.Abc[0].Pow_L = 1.0f;
    m_dxr.WriteStoreMemory(mem);
    const QString strCurr = m_pPeer->m_writes.at(0);
    EXPECT_EQ(strCurr.size(), 255);
    EXPECT_TRUE(strCurr.endsWith(QLatin1Char('\n')));
    EXPECT_EQ(strCurr.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(m_pPeer->m_writes.at(1).startsWith(QStringLiteral("BACK:SMEM:POW 1.0000,")));
}

TEST_F(DxrTest, ReadStoreMemoryFillsTheRecordFromTenQueries)
{
    m_pPeer->m_replies = {
        QStringLiteral("3.0000,2.0000,1.0000,15.0000,14.0000,13.0000,27.0000,26.0000,25.0000,1.5000,LOW\n"),
        QStringLiteral("6.0000,5.0000,4.0000,18.0000,17.0000,16.0000,30.0000,29.0000,28.0000,250.2500\n"),
        QStringLiteral(
            "12.0000,11.0000,10.0000,24.0000,23.0000,22.0000,36.0000,35.0000,34.0000,-0.5000,MED\n"),
        QStringLiteral("9.0000,8.0000,7.0000,21.0000,20.0000,19.0000,33.0000,32.0000,31.0000,0.0001\n"),
        QStringLiteral("CR,1.2346,1,-3\n"),
        QStringLiteral("11.0000,LIMIT,12.0000,TRIP,13.0000\n"),
        QStringLiteral("1000.0000,50.0000\n"),
        QStringLiteral("0.2500\n"),
        QStringLiteral("99.9900\n"),
        QStringLiteral("\"Bat \"\"A\"\" 1234567\"\n"),
    };
    STOREMEM mem;
    m_dxr.ReadStoreMemory(mem);

    STOREMEM expected = DistinctRecord();
    expected.Vrange = QStringLiteral("MED");
    expected.Cond = 0.0001f;
    expected.SoftStartTime = 1.2346f;
    expected.Memo = QStringLiteral("Bat \"A\" 1234567");
    for (int i = 0; i < 3; ++i) {
        for (auto f : {&ABCMEM::Curr_H, &ABCMEM::Curr_M, &ABCMEM::Curr_L, &ABCMEM::Pow_H, &ABCMEM::Pow_M,
                       &ABCMEM::Pow_L, &ABCMEM::Cond_H, &ABCMEM::Cond_M, &ABCMEM::Cond_L, &ABCMEM::Volt_H,
                       &ABCMEM::Volt_M, &ABCMEM::Volt_L})
            EXPECT_EQ(mem.Abc[i].*f, expected.Abc[i].*f) << "memory " << i;
    }
    for (auto f :
         {&STOREMEM::Curr, &STOREMEM::Pow, &STOREMEM::Volt, &STOREMEM::Cond, &STOREMEM::SoftStartTime,
          &STOREMEM::CurrProtect, &STOREMEM::PowProtect, &STOREMEM::VoltProtect, &STOREMEM::PulseFreq,
          &STOREMEM::PulseDuty, &STOREMEM::SlewRate, &STOREMEM::InputTime})
        EXPECT_EQ(mem.*f, expected.*f);
    for (auto f : {&STOREMEM::Memo, &STOREMEM::Mode, &STOREMEM::Crange, &STOREMEM::Vrange,
                   &STOREMEM::CurrProtectAction, &STOREMEM::PowProtectAction})
        EXPECT_EQ(mem.*f, expected.*f);
    EXPECT_EQ(mem.CountTime, 1);
    EXPECT_EQ(mem.Response, -3);

    // Queries and their reads alternate inside one bracket, then the check.
    ASSERT_EQ(m_pPeer->m_log.size(), 2 + 20 + 4);
    EXPECT_EQ(m_pPeer->m_log.at(1), QStringLiteral("Write BACK:SMEM:CURR?\n"));
    EXPECT_EQ(m_pPeer->m_log.at(2), QStringLiteral("Read 256"));
    EXPECT_EQ(m_pPeer->m_log.at(19), QStringLiteral("Write BACK:SMEM:MEMO?\n"));
    EXPECT_EQ(m_pPeer->m_log.at(21), QStringLiteral("UnlockRsrc"));

    // What came down goes back up unchanged: keywords verbatim.
    m_pPeer->m_writes.clear();
    m_dxr.WriteStoreMemory(mem);
    EXPECT_TRUE(m_pPeer->m_writes.at(0).endsWith(QStringLiteral(",1.5000,LOW\n")));
    EXPECT_TRUE(m_pPeer->m_writes.at(2).endsWith(QStringLiteral(",-0.5000,MED\n")));
    EXPECT_EQ(m_pPeer->m_writes.at(4), QStringLiteral("BACK:SMEM:FUNC CR,1.2346,1,-3\n"));
    EXPECT_EQ(m_pPeer->m_writes.at(9), QStringLiteral("BACK:SMEM:MEMO \"Bat \"\"A\"\" 1234567\"\n"));
}

TEST_F(DxrTest, AReadThatTimesOutKeepsWhatWasReadSoFar)
{
    m_pPeer->m_replies = {QStringLiteral("1,2,3,4,5,6,7,8,9,10,LOW\n"),
                          QStringLiteral("1,2,3,4,5,6,7,8,9,10\n")};
    STOREMEM mem;
    mem.Volt = 42;
    EXPECT_THROW(m_dxr.ReadStoreMemory(mem), _com_error);
    EXPECT_EQ(mem.Crange, QStringLiteral("LOW"));
    EXPECT_EQ(mem.Pow, 10.0f);
    EXPECT_EQ(mem.Volt, 42.0f);
    EXPECT_EQ(m_pPeer->LockState(), Visa::EXCLUSIVE_LOCK);
}

} // namespace
