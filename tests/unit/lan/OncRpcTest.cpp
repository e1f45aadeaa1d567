#include "platform/visa/OncRpc.h"

#include <gtest/gtest.h>

namespace {

// The portmapper's GETPORT for the VXI-11 core channel, byte by byte as the
// ONC RPC and portmapper standards lay it out.
TEST(OncRpcTest, CallIsLaidOutAsTheStandardSays)
{
    CXdrWriter args;
    for (std::uint32_t n : {0x0607AFu, 1u, 6u, 0u})
        args.U32(n);
    const QByteArray call = COncRpc::Call(0x01020304, 100000, 2, 3, args.Bytes());
    // The last fragment, 56 bytes; xid, CALL, RPC version 2; portmapper v2,
    // GETPORT; no credentials or verifier; the arguments.
    EXPECT_EQ(call.toHex(), QByteArray("80000038"
                                       "010203040000000000000002"
                                       "000186a00000000200000003"
                                       "00000000000000000000000000000000"
                                       "000607af000000010000000600000000"));
    QByteArray buf = call;
    QByteArray record;
    ASSERT_EQ(COncRpc::TakeRecord(buf, record, 1024), COncRpc::RECORD_DONE);
    COncRpc::RPCCALL parsed;
    ASSERT_TRUE(COncRpc::ParseCall(record, parsed));
    EXPECT_EQ(parsed.dwXid, 0x01020304u);
    EXPECT_EQ(parsed.dwProcedure, 3u);
    EXPECT_EQ(parsed.nArgsAt, 40);
}

TEST(OncRpcTest, OpaqueDataIsPaddedAndBoundedOnTheWayBack)
{
    CXdrWriter w;
    w.Opaque("inst0");
    EXPECT_EQ(w.Bytes().toHex(), QByteArray("00000005696e737430000000"));
    CXdrReader r(w.Bytes());
    EXPECT_EQ(r.Opaque(5), QByteArray("inst0"));
    EXPECT_TRUE(r.Ok() && r.AtEnd());
    CXdrReader tooLong(w.Bytes());
    EXPECT_TRUE(tooLong.Opaque(4).isEmpty());
    EXPECT_FALSE(tooLong.Ok());
    // A length beyond the buffer, and one whose padding would pass its end.
    for (const char* pszHex : {"ffffffff", "0000000561626364", "000000056162636465"}) {
        const QByteArray bytes = QByteArray::fromHex(pszHex);
        CXdrReader bad(bytes);
        bad.Opaque(0xFFFFFFFFu);
        EXPECT_FALSE(bad.Ok()) << pszHex;
        EXPECT_EQ(bad.U32(), 0u);
    }
}

TEST(OncRpcTest, RecordsAreJoinedFromFragmentsAndBounded)
{
    // Bytes on the stream, the bound, the outcome, the record, what stays.
    const std::tuple<const char*, int, COncRpc::ERecord, const char*, const char*> cases[] = {
        {"80000002abcd", 16, COncRpc::RECORD_DONE, "abcd", ""},
        {"80000002abcd80", 16, COncRpc::RECORD_DONE, "abcd", "80"},
        {"00000001aa80000001bb", 16, COncRpc::RECORD_DONE, "aabb", ""},
        {"00000001aa800000", 16, COncRpc::RECORD_INCOMPLETE, "", "00000001aa800000"},
        {"80000003abcd", 16, COncRpc::RECORD_INCOMPLETE, "", "80000003abcd"},
        {"80000000", 16, COncRpc::RECORD_DONE, "", ""},
        {"ffffffff", 16, COncRpc::RECORD_TOO_LARGE, "", "ffffffff"},
        {"0000000aaabbccddeeff0011223380000008", 16, COncRpc::RECORD_TOO_LARGE, "", ""},
    };
    for (const auto& [pszStream, nMax, eResult, pszRecord, pszLeft] : cases) {
        QByteArray buf = QByteArray::fromHex(pszStream);
        QByteArray record;
        EXPECT_EQ(COncRpc::TakeRecord(buf, record, nMax), eResult) << pszStream;
        EXPECT_EQ(record.toHex(), QByteArray(pszRecord)) << pszStream;
        if (eResult != COncRpc::RECORD_TOO_LARGE) {
            EXPECT_EQ(buf.toHex(), QByteArray(pszLeft)) << pszStream;
        }
    }
}

TEST(OncRpcTest, RepliesTellAcceptedDeniedAndRefusedApart)
{
    struct CASE
    {
        QByteArray record;
        bool bParsed, bAccepted;
        std::uint32_t dwStat;
    };
    // xid, REPLY, MSG_DENIED, RPC_MISMATCH, versions 2 to 2.
    const QByteArray denied = QByteArray::fromHex("000000090000000100000001000000000000000200000002");
    const CASE cases[] = {
        {COncRpc::Reply(9, COncRpc::SUCCESS, QByteArray::fromHex("00000010")), true, true, COncRpc::SUCCESS},
        {COncRpc::Reply(9, COncRpc::PROC_UNAVAIL), true, true, COncRpc::PROC_UNAVAIL},
        {COncRpc::MismatchReply(9, 1, 1), true, true, COncRpc::PROG_MISMATCH},
        {QByteArray::fromHex("80000018") + denied, true, false, 0},
        {COncRpc::Call(9, 1, 1, 1, {}), false, false, 0}, // a call is no reply
        {COncRpc::Reply(9, COncRpc::SUCCESS).left(16), false, false, 0},
    };
    for (const CASE& c : cases) {
        QByteArray buf = c.record;
        QByteArray record;
        COncRpc::RPCREPLY reply;
        const bool bTaken = COncRpc::TakeRecord(buf, record, 1024) == COncRpc::RECORD_DONE;
        EXPECT_EQ(bTaken && COncRpc::ParseReply(record, reply), c.bParsed) << c.record.toHex().constData();
        if (!c.bParsed)
            continue;
        EXPECT_EQ(reply.dwXid, 9u);
        EXPECT_EQ(reply.bAccepted, c.bAccepted);
        EXPECT_EQ(reply.dwStat, c.dwStat);
    }
}

} // namespace
