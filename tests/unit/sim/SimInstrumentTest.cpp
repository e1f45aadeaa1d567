#include "sim/SimInstrument.h"
#include "instrument/StoreMemCommands.h"

#include <gtest/gtest.h>

namespace {

// Reads the whole error queue as "code,code,...".
QByteArray DrainErrors(CSimInstrument& sim)
{
    QList<QByteArray> codes;
    for (int i = 0; i < 100; ++i) {
        const QByteArray reply = sim.Execute("SYST:ERR?");
        const QByteArray code = reply.left(reply.indexOf(','));
        if (code == "0")
            break;
        codes << code;
    }
    return codes.join(',');
}

struct SIMCASE
{
    const char* pszMessage;
    const char* pszReply;
    const char* pszErrors;
};

class SimExchangeTest : public ::testing::TestWithParam<SIMCASE>
{
};

TEST_P(SimExchangeTest, RepliesAndQueuedErrors)
{
    CSimInstrument sim;
    EXPECT_EQ(sim.Execute(GetParam().pszMessage), QByteArray(GetParam().pszReply)) << GetParam().pszMessage;
    EXPECT_EQ(DrainErrors(sim), QByteArray(GetParam().pszErrors)) << GetParam().pszMessage;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, SimExchangeTest,
    ::testing::Values(
        SIMCASE{"*IDN?", "TALVERO,DXR-9K,91K20473,1.05", ""},
        SIMCASE{"*idn?", "TALVERO,DXR-9K,91K20473,1.05", ""}, SIMCASE{"BACK:SMEM:NSEL?", "0", ""},
        SIMCASE{"backup:smemory:nselect 12;nsel?", "12", ""},
        SIMCASE{":BACKup:SMEMory:NSEL 5;:BACK:SMEM:NSEL?", "5", ""},
        SIMCASE{"BACK:SMEM:NSEL 5;BACK:SMEM:NSEL?", "5", ""},
        SIMCASE{"BACK:SMEM:SLEW?;ITIM?;*OPC?", "0.0000;0.0000;1", ""},
        SIMCASE{"BACK:SMEM:FUNC?", "CC,0.0000,0,0", ""},
        SIMCASE{"BACK:SMEM:PROT?", "0.0000,TRIP,0.0000,TRIP,0.0000", ""},
        SIMCASE{"BACK:SMEM:CURR?",
                "0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,HIGH", ""},
        SIMCASE{"BACK:SMEM:MEMO?", "\"\"", ""}, SIMCASE{"SYST:ERR?", "0,\"No error\"", ""},
        SIMCASE{"SYSTEM:ERROR:NEXT?", "0,\"No error\"", ""},
        // Only the exact short or long form of a mnemonic.
        SIMCASE{"BACKU:SMEM:NSEL?", "", "-113"}, SIMCASE{"BACK:SMEM:NSELE?", "", "-113"},
        SIMCASE{"FOO?", "", "-113"}, SIMCASE{"*IDN", "", "-113"}, SIMCASE{"SYST:ERR", "", "-113"},
        SIMCASE{"BACK::SMEM:NSEL?", "", "-113"}, SIMCASE{"BACK:SMEM:NSEL 1;FOO 2;NSEL?", "1", "-113"},
        SIMCASE{"BACK:SMEM:PULS 1", "", "-109"}, SIMCASE{"BACK:SMEM:NSEL", "", "-109"},
        SIMCASE{"BACK:SMEM:PULS 1,", "", "-109"}, SIMCASE{"BACK:SMEM:PULS 1,,2", "", "-108"},
        SIMCASE{"BACK:SMEM:PULS 1,2,3", "", "-108"}, SIMCASE{"BACK:SMEM:SLEW? 1", "", "-108"},
        SIMCASE{"*CLS 1", "", "-108"}, SIMCASE{"BACK:SMEM:PULS x,2", "", "-104"},
        SIMCASE{"BACK:SMEM:PULS 1.2.3,2", "", "-104"}, SIMCASE{"BACK:SMEM:PULS nan,2", "", "-104"},
        SIMCASE{"BACK:SMEM:MEMO abc", "", "-104"}, SIMCASE{"BACK:SMEM:FUNC \"CC\",1,2,3", "", "-104"},
        SIMCASE{"BACK:SMEM:FUNC C-C,1,2,3", "", "-104"}, SIMCASE{"BACK:SMEM:MEMO \"abc", "", "-102"},
        SIMCASE{"BACK:SMEM:NSEL 100", "", "-222"}, SIMCASE{"BACK:SMEM:NSEL -1", "", "-222"},
        SIMCASE{"BACK:SMEM:NSEL 99.4;NSEL?", "99", ""}, SIMCASE{"BACK:SMEM:SLEW 1e39", "", "-222"},
        SIMCASE{"BACK:SMEM:FUNC CV,1.5,2.6,-3;FUNC?", "CV,1.5000,3,-3", ""},
        SIMCASE{"BACK:SMEM:MEMO \"a;b\"\"c\";MEMO?", "\"a;b\"\"c\"", ""},
        SIMCASE{"BACK:SMEM:MEMO '0123456789ABCDEFGHIJ';MEMO?", "\"0123456789ABCDE\"", ""},
        SIMCASE{"BACK:SMEM:SLEW 1;FOO;BACK:SMEM:PULS 1", "", "-113,-109"}, SIMCASE{"", "", ""}));

TEST(SimInstrumentTest, ARejectedCommandChangesNothing)
{
    CSimInstrument sim;
    sim.Execute("BACK:SMEM:PROT 1,LIMIT,2,LIMIT,3");
    sim.Execute("BACK:SMEM:PROT 9,TRIP,x,TRIP,9");
    EXPECT_EQ(sim.Execute("BACK:SMEM:PROT?"), QByteArray("1.0000,LIMIT,2.0000,LIMIT,3.0000"));
    EXPECT_EQ(DrainErrors(sim), QByteArray("-104"));
}

TEST(SimInstrumentTest, TheQueueKeepsTheOldestAndEndsInOverflow)
{
    CSimInstrument sim;
    sim.QueueError(-222);
    for (int i = 0; i < 40; ++i)
        sim.Execute("FOO");
    EXPECT_EQ(sim.GetQueuedErrorCount(), CSimInstrument::QUEUE_LENGTH);
    QList<QByteArray> expected{"-222"};
    for (int i = 0; i < 28; ++i)
        expected << "-113";
    expected << "-350";
    EXPECT_EQ(DrainErrors(sim), expected.join(','));
    EXPECT_EQ(sim.Execute("SYST:ERR?"), QByteArray("0,\"No error\""));

    sim.Execute("FOO;FOO");
    sim.Execute("*CLS");
    EXPECT_EQ(sim.GetQueuedErrorCount(), 0);
}

TEST(SimInstrumentTest, EachMemoryKeepsItsOwnValues)
{
    CSimInstrument sim;
    sim.Execute("BACK:SMEM:NSEL 3;SLEW 1.25");
    sim.Execute("BACK:SMEM:NSEL 4;SLEW 2.5");
    EXPECT_EQ(sim.Execute("BACK:SMEM:NSEL 3;SLEW?;NSEL 4;SLEW?;NSEL 5;SLEW?"),
              QByteArray("1.2500;2.5000;0.0000"));
    EXPECT_EQ(sim.GetData().GetContainer().GetAt(3)->SlewRate, 1.25f);
    EXPECT_EQ(sim.Execute("*IDN?"), CSimInstrument::DefaultIdentification().toUtf8());
    EXPECT_EQ(CSimInstrument(QStringLiteral("OTHER,X,1,2")).Execute("*IDN?"), QByteArray("OTHER,X,1,2"));
}

// The driver's commands, fed to the simulator, come back through the driver's
// parsers unchanged: the two sides agree on every field and its order.
TEST(SimInstrumentTest, DriverCommandsRoundTrip)
{
    STOREMEM sent;
    float f = 0.5f;
    for (ABCMEM& abc : sent.Abc) {
        for (float* p : {&abc.Curr_H, &abc.Curr_M, &abc.Curr_L, &abc.Pow_H, &abc.Pow_M, &abc.Pow_L,
                         &abc.Cond_H, &abc.Cond_M, &abc.Cond_L, &abc.Volt_H, &abc.Volt_M, &abc.Volt_L})
            *p = (f += 1.25f);
    }
    sent.Curr = 1.5f;
    sent.Pow = 2.25f;
    sent.Volt = 3.125f;
    sent.Cond = 0.0625f;
    sent.Mode = QStringLiteral("CV");
    sent.Crange = QStringLiteral("LOW");
    sent.Vrange = QStringLiteral("MEDium");
    sent.SoftStartTime = 0.5f;
    sent.CountTime = 1;
    sent.Response = 2;
    sent.CurrProtect = 4;
    sent.CurrProtectAction = QStringLiteral("LIMIT");
    sent.PowProtect = 5;
    sent.VoltProtect = -6;
    sent.SlewRate = 7;
    sent.PulseFreq = 8;
    sent.PulseDuty = 9;
    sent.InputTime = 10;
    sent.Memo = QStringLiteral("say \"hi\", ok;");

    CSimInstrument sim;
    sim.Execute("BACK:SMEM:NSEL 42");
    STOREMEM received;
    received.Mode = received.Crange = received.Vrange = QString();
    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        const SMEMCOMMAND& command = StoreMemCommands::Table()[i];
        sim.Execute(StoreMemCommands::FormatCommand(command, sent).trimmed().toUtf8());
        StoreMemCommands::ParseReply(
            command,
            QString::fromUtf8(sim.Execute(StoreMemCommands::FormatQuery(command).trimmed().toUtf8())) +
                QLatin1Char('\n'),
            received);
    }
    EXPECT_EQ(DrainErrors(sim), QByteArray());
    const STOREMEM& stored = *sim.GetData().GetContainer().GetAt(42);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(received.Abc[i].Curr_L, sent.Abc[i].Curr_L);
        EXPECT_EQ(received.Abc[i].Pow_M, sent.Abc[i].Pow_M);
        EXPECT_EQ(received.Abc[i].Cond_H, sent.Abc[i].Cond_H);
        EXPECT_EQ(stored.Abc[i].Volt_L, sent.Abc[i].Volt_L);
        EXPECT_EQ(stored.Abc[i].Volt_H, sent.Abc[i].Volt_H);
    }
    EXPECT_EQ(received.Volt, sent.Volt);
    EXPECT_EQ(received.Cond, sent.Cond);
    EXPECT_EQ(received.Mode, sent.Mode);
    EXPECT_EQ(received.Crange, sent.Crange);
    EXPECT_EQ(received.Vrange, sent.Vrange);
    EXPECT_EQ(received.Response, sent.Response);
    EXPECT_EQ(received.CurrProtectAction, sent.CurrProtectAction);
    EXPECT_EQ(received.VoltProtect, sent.VoltProtect);
    EXPECT_EQ(received.PulseDuty, sent.PulseDuty);
    EXPECT_EQ(received.InputTime, sent.InputTime);
    EXPECT_EQ(received.Memo, QStringLiteral("say \"hi\", ok;"));
    EXPECT_EQ(stored.Memo, received.Memo);
}

} // namespace
