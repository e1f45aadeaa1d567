#include "sim/SimInstrument.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// Reads the whole error queue as "code,code,...".
QByteArray DrainErrors(CSimInstrument& sim)
{
    QList<QByteArray> codes;
    for (int i = 0; i < 100; ++i) {
        const QByteArray reply = sim.Execute("SYST:ERR?");
        if (reply.startsWith("0,"))
            break;
        codes << reply.left(reply.indexOf(','));
    }
    return codes.join(',');
}

TEST(SimInstrumentTest, RepliesAndQueuedErrors)
{
    // The message, the reply and the errors it queues.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"*idn?", "TALVERO,DXR-9K,91K20473,1.05", ""},
        {"backup:smemory:nselect 12;nsel?", "12", ""},
        {":BACKup:SMEMory:NSEL 5;:BACK:SMEM:NSEL?", "5", ""},
        {"BACK:SMEM:SLEW?;ITIM?;*OPC?", "0.0000;0.0000;1", ""},
        {"BACK:SMEM:FUNC?", "CC,0.0000,0,0", ""},
        {"BACK:SMEM:PROT?", "0.0000,TRIP,0.0000,TRIP,0.0000", ""},
        {"BACK:SMEM:CURR?", "0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,0.0000,HIGH", ""},
        {"BACK:SMEM:MEMO?", "\"\"", ""},
        {"SYSTEM:ERROR:NEXT?", "0,\"No error\"", ""},
        // Only the exact short or long form of a mnemonic.
        {"BACKU:SMEM:NSEL?", "", "-113"},
        {"*IDN", "", "-113"},
        {"BACK::SMEM:NSEL?", "", "-113"},
        {"BACK:SMEM:NSEL 1;FOO 2;NSEL?", "1", "-113"},
        {"BACK:SMEM:PULS 1", "", "-109"},
        {"BACK:SMEM:PULS 1,,2", "", "-108"},
        {"BACK:SMEM:PULS 1,2,3", "", "-108"},
        {"BACK:SMEM:SLEW? 1", "", "-108"},
        {"BACK:SMEM:PULS 1.2.3,2", "", "-104"},
        {"BACK:SMEM:PULS nan,2", "", "-104"},
        {"BACK:SMEM:MEMO abc", "", "-104"},
        {"BACK:SMEM:FUNC \"CC\",1,2,3", "", "-104"},
        {"BACK:SMEM:MEMO \"abc", "", "-102"},
        {"BACK:SMEM:NSEL 100", "", "-222"},
        {"BACK:SMEM:NSEL 99.4;NSEL?", "99", ""},
        {"BACK:SMEM:SLEW 1e39", "", "-222"},
        {"BACK:SMEM:FUNC CV,1.5,2.6,-3;FUNC?", "CV,1.5000,3,-3", ""},
        {"BACK:SMEM:MEMO \"a;b\"\"c\";MEMO?", "\"a;b\"\"c\"", ""},
        // Range keywords are kept as sent.
        {"BACK:SMEM:VOLT 1,2,3,4,5,6,7,8,9,10,MEDium;VOLT?",
         "1.0000,2.0000,3.0000,4.0000,5.0000,6.0000,7.0000,8.0000,9.0000,10.0000,MEDium", ""},
        {"BACK:SMEM:MEMO '0123456789ABCDEFGHIJ';MEMO?", "\"0123456789ABCDE\"", ""},
        // Conductances are kept and answered with the 6 decimals of the memory
        // file, through its formatter (ties as the file rounds them).
        {"BACK:SMEM:RES 0.123456,1,2,3,4,5,6,7,8,1.178001;RES?",
         "0.123456,1.000000,2.000000,3.000000,4.000000,5.000000,6.000000,7.000000,8.000000,1.178001", ""},
        {"BACK:SMEM:SLEW 0.03125;SLEW?", "0.0312", ""},
        {"BACK:SMEM:SLEW 1;FOO;BACK:SMEM:PULS 1", "", "-113,-109"},
        {"", "", ""},
    };
    for (const auto& [pszMessage, pszReply, pszErrors] : cases) {
        CSimInstrument sim;
        EXPECT_EQ(sim.Execute(pszMessage), QByteArray(pszReply)) << pszMessage;
        EXPECT_EQ(DrainErrors(sim), QByteArray(pszErrors)) << pszMessage;
    }
}

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
    EXPECT_EQ(DrainErrors(sim), "-222," + QByteArray("-113,").repeated(28) + "-350");
    sim.Execute("FOO;FOO;*CLS");
    EXPECT_EQ(sim.GetQueuedErrorCount(), 0);
}

} // namespace

TEST(SimInstrumentTest, Ieee4882StatusCommons)
{
    // Messages sent one after the other to a freshly switched-on instrument,
    // and the reply to the last one.
    const std::tuple<std::vector<QByteArray>, const char*> cases[] = {
        {{"*ESR?"}, "128"}, // power on
        {{"*ESR?", "*ESR?"}, "0"},
        {{"*CLS", "*ESR?"}, "0"},
        {{"*CLS", "*OPC", "*ESR?"}, "1"},
        {{"*CLS", "FOO", "*ESR?"}, "32"},                // command error
        {{"*CLS", "BACK:SMEM:NSEL 100", "*ESR?"}, "16"}, // execution error
        {{"*CLS", "*IDN? 1", "*ESR?"}, "32"},
        {{"*OPC?"}, "1"},
        {{"*TST?"}, "0"},
        {{"*WAI", "*OPC?"}, "1"},
        {{"*ESE 36", "*ESE?"}, "36"},
        {{"*SRE 255", "*SRE?"}, "191"}, // bit 6 cannot be enabled
        {{"*ESE 256", "*ESE?"}, "0"},
        {{"*CLS", "*STB?"}, "0"},
        {{"*CLS", "FOO", "*STB?"}, "4"},             // an error is queued
        {{"*CLS", "*ESE 32", "FOO", "*STB?"}, "36"}, // and the event summary
        {{"*CLS", "*ESE 32", "*SRE 32", "FOO", "*STB?"}, "100"},
        {{"*CLS", "FOO", "SYST:ERR?", "*STB?"}, "0"}, // the queue is read, the event was not enabled
    };
    for (const auto& [messages, pszReply] : cases) {
        CSimInstrument sim;
        QByteArray reply;
        for (const QByteArray& message : messages)
            reply = sim.Execute(message);
        EXPECT_EQ(reply, QByteArray(pszReply)) << messages.back().constData();
    }

    // Bad masks are refused with the standard errors and change nothing.
    CSimInstrument sim;
    EXPECT_EQ(sim.Execute("*ESE 7;*ESE -1;*ESE abc;*ESE;*ESE?"), QByteArray("7"));
    EXPECT_EQ(DrainErrors(sim), QByteArray("-222,-104,-109"));
}
