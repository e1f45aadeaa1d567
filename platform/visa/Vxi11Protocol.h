#pragma once

#include <cstdint>

// The numbers of the VXI-11 core channel, shared by the session and the
// simulator's server.
namespace Vxi11 {

constexpr std::uint32_t CORE_PROGRAM = 0x0607AF;
constexpr std::uint32_t CORE_VERSION = 1;

constexpr std::uint32_t CREATE_LINK = 10;
constexpr std::uint32_t DEVICE_WRITE = 11;
constexpr std::uint32_t DEVICE_READ = 12;
constexpr std::uint32_t DEVICE_LOCK = 18;
constexpr std::uint32_t DEVICE_UNLOCK = 19;
constexpr std::uint32_t DESTROY_LINK = 23;

// Flags of write, read and lock
constexpr std::uint32_t FLAG_WAITLOCK = 0x01;
constexpr std::uint32_t FLAG_END = 0x08;
constexpr std::uint32_t FLAG_TERMCHRSET = 0x80;

// Why a read ended (bits)
constexpr std::uint32_t REASON_REQCNT = 1;
constexpr std::uint32_t REASON_CHR = 2;
constexpr std::uint32_t REASON_END = 4;

// Device errors
constexpr std::uint32_t ERR_NONE = 0;
constexpr std::uint32_t ERR_SYNTAX = 1;
constexpr std::uint32_t ERR_NOT_ACCESSIBLE = 3;
constexpr std::uint32_t ERR_INVALID_LINK = 4;
constexpr std::uint32_t ERR_PARAMETER = 5;
constexpr std::uint32_t ERR_OUT_OF_RESOURCES = 9;
constexpr std::uint32_t ERR_LOCKED = 11;
constexpr std::uint32_t ERR_NO_LOCK = 12;
constexpr std::uint32_t ERR_IO_TIMEOUT = 15;
constexpr std::uint32_t ERR_IO = 17;
constexpr std::uint32_t ERR_ABORT = 23;

// The longest device name a create_link may carry.
constexpr std::uint32_t MAX_DEVICE_NAME = 256;

} // namespace Vxi11
