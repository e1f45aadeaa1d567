// A VXI-11 peer's bytes as a stream: records are taken within their bound,
// every record is read as a reply and as a call, and the results of the
// core channel's calls are decoded as the session decodes them. Whatever the
// peer sends ends in a decoded message or a refusal, within the bounds.
#include "fuzz/lan/FuzzRequire.h"
#include "platform/visa/OncRpc.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr int MAX_RECORD = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    QByteArray stream(reinterpret_cast<const char*>(pData), static_cast<int>(nSize));
    for (;;) {
        const int nBefore = stream.size();
        QByteArray record;
        const COncRpc::ERecord eResult = COncRpc::TakeRecord(stream, record, MAX_RECORD);
        if (eResult != COncRpc::RECORD_DONE)
            break;
        Require(record.size() <= MAX_RECORD && stream.size() < nBefore);

        COncRpc::RPCREPLY reply;
        if (COncRpc::ParseReply(record, reply) && reply.bAccepted) {
            Require(reply.nResultsAt <= record.size());
            // device_read: error, reason, data of at most the requested size
            CXdrReader read(record, reply.nResultsAt);
            read.U32();
            read.U32();
            const QByteArray data = read.Opaque(256);
            Require(data.size() <= 256 && read.Position() <= record.size());
            // create_link: error, link, abort port, largest write
            CXdrReader link(record, reply.nResultsAt);
            for (int i = 0; i < 4; ++i)
                link.U32();
            Require(link.Position() <= record.size());
        }
        COncRpc::RPCCALL call;
        if (COncRpc::ParseCall(record, call)) {
            Require(call.nArgsAt <= record.size());
            CXdrReader args(record, call.nArgsAt);
            args.U32();
            const QByteArray device = args.Opaque(256);
            Require(device.size() <= 256);
        }
    }
    return 0;
}
