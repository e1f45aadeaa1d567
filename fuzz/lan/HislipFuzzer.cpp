// A HiSLIP peer's bytes as a stream: messages are taken whole and within the
// bound, and a header announcing more, or not beginning with "HS", stops the
// stream before anything is allocated for it.
#include "fuzz/lan/FuzzRequire.h"
#include "platform/visa/HislipMessage.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::uint64_t MAX_PAYLOAD = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    QByteArray stream(reinterpret_cast<const char*>(pData), static_cast<int>(nSize));
    CHislipMessage message;
    for (;;) {
        const int nBefore = stream.size();
        if (message.Take(stream, MAX_PAYLOAD) != CHislipMessage::TAKE_DONE)
            break;
        Require(static_cast<std::uint64_t>(message.m_payload.size()) <= MAX_PAYLOAD);
        Require(stream.size() == nBefore - Hislip::HEADER_BYTES - message.m_payload.size());
        // Re-encoding gives back the bytes taken.
        const QByteArray again = CHislipMessage::Encode(message.m_nType, message.m_nControl,
                                                        message.m_dwParameter, message.m_payload);
        Require(again.size() == Hislip::HEADER_BYTES + message.m_payload.size());
    }
    return 0;
}
