#pragma once

#include <QByteArray>
#include <cstdint>

// The numbers of HiSLIP, shared by the session and the simulator's server.
namespace Hislip {

constexpr int DEFAULT_PORT = 4880;
constexpr std::uint16_t PROTOCOL_VERSION = 0x0100; // 1.0
constexpr std::uint32_t FIRST_MESSAGE_ID = 0xFFFFFF00u;
constexpr std::uint32_t ANY_MESSAGE_ID = 0xFFFFFFFFu;
constexpr int HEADER_BYTES = 16;
// The most either side accepts in one message unless told otherwise.
constexpr std::uint64_t DEFAULT_MAX_MESSAGE = 1024 * 1024;
constexpr int MAX_SUB_ADDRESS = 256;
constexpr int MAX_LOCK_STRING = 256;

enum EMessageType : std::uint8_t
{
    INITIALIZE = 0,
    INITIALIZE_RESPONSE = 1,
    FATAL_ERROR = 2,
    ERROR = 3,
    ASYNC_LOCK = 4,
    ASYNC_LOCK_RESPONSE = 5,
    DATA = 6,
    DATA_END = 7,
    DEVICE_CLEAR_COMPLETE = 8,
    DEVICE_CLEAR_ACKNOWLEDGE = 9,
    TRIGGER = 12,
    INTERRUPTED = 13,
    ASYNC_INTERRUPTED = 14,
    ASYNC_MAXIMUM_MESSAGE_SIZE = 15,
    ASYNC_MAXIMUM_MESSAGE_SIZE_RESPONSE = 16,
    ASYNC_INITIALIZE = 17,
    ASYNC_INITIALIZE_RESPONSE = 18,
    ASYNC_STATUS_QUERY = 21,
    ASYNC_STATUS_RESPONSE = 22,
    ASYNC_LOCK_INFO = 24,
    ASYNC_LOCK_INFO_RESPONSE = 25,
};

// Control codes of FatalError and Error
enum EFatalError : std::uint8_t
{
    FATAL_UNIDENTIFIED = 0,
    FATAL_BAD_HEADER = 1,
    FATAL_CHANNELS_NOT_OPEN = 2,
    FATAL_BAD_INITIALIZATION = 3,
    FATAL_TOO_MANY_CLIENTS = 4,
};
enum EError : std::uint8_t
{
    ERROR_UNIDENTIFIED = 0,
    ERROR_UNKNOWN_TYPE = 1,
    ERROR_UNKNOWN_CONTROL = 2,
    ERROR_UNKNOWN_VENDOR = 3,
    ERROR_TOO_LARGE = 4,
};

// Control codes of AsyncLock and its response
constexpr std::uint8_t LOCK_RELEASE = 0;
constexpr std::uint8_t LOCK_REQUEST = 1;
constexpr std::uint8_t LOCK_FAILED = 0;
constexpr std::uint8_t LOCK_GRANTED = 1;
constexpr std::uint8_t LOCK_RELEASED_EXCLUSIVE = 1;
constexpr std::uint8_t LOCK_RELEASED_SHARED = 2;
constexpr std::uint8_t LOCK_ERROR = 3;

} // namespace Hislip

// One HiSLIP message: the 16-byte header ("HS", type, control code, 32-bit
// parameter, 64-bit payload length, all big-endian) and its payload.
class CHislipMessage
{
public:
    std::uint8_t m_nType = 0;
    std::uint8_t m_nControl = 0;
    std::uint32_t m_dwParameter = 0;
    QByteArray m_payload;

    static QByteArray Encode(std::uint8_t nType, std::uint8_t nControl, std::uint32_t dwParameter,
                             const QByteArray& payload = QByteArray());
    // A 64-bit size as HiSLIP sends it (the payload length, the maximum
    // message size): big-endian, and back from its first 8 bytes.
    static QByteArray Size64(std::uint64_t n);
    static std::uint64_t ReadSize64(const char* pBytes);

    enum ETake
    {
        TAKE_INCOMPLETE, // more bytes are needed
        TAKE_DONE,       // a message was taken off the front of the buffer
        TAKE_BAD_HEADER, // not "HS": the stream cannot be trusted
        TAKE_TOO_LARGE,  // the header announces more than nMaxPayload
    };
    // Takes the first whole message off the front of buf. The length is
    // judged from the header alone, so a peer announcing gigabytes is refused
    // before anything is allocated for it.
    ETake Take(QByteArray& buf, std::uint64_t nMaxPayload);
};
