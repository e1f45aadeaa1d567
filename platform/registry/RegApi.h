#pragma once

#include <QString>
#include <cstdint>

// The per-user registry, kept in one INI file under the user's configuration
// folder ($XDG_CONFIG_HOME, else ~/.config): vaultline/registry.ini. Key paths
// keep their registry spelling ("Software\Talvero\...") and become the INI
// group path. Values keep their registry type and bytes, written the way
// registry export files spell them:
//
//   IoResource_Up=GPIB0::1::INSTR           REG_SZ, UTF-16 without a NUL
//   ShowValidateMsg=dword:00000001          REG_DWORD, 4 bytes little-endian
//   Other=hex(1):41,00,42,00,00,00          any type N, its bytes one by one
//   Blob=hex:01,02                          REG_BINARY
//
// A plain text is always REG_SZ; a text that the writer cannot keep as plain
// text (odd length, an embedded NUL, or one that would read back as a dword or
// hex value) is written in the hex(1) form. The calls answer with the Windows
// error codes, and a damaged file reads as far as it can be parsed: nothing
// here ever stops the program.

using LONG = std::int32_t;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;
using REGSAM = DWORD;
using HKEY = std::uintptr_t;

constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY INVALID_HKEY = ~HKEY(0);

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_DATA = 13;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Creates or opens strSubKey ('\'-separated) under a root key or an open key.
// Access that includes KEY_SET_VALUE fails with ERROR_ACCESS_DENIED when the
// file cannot be written; any access fails so when it cannot be read.
// pdwDisposition, when given, receives REG_CREATED_NEW_KEY or
// REG_OPENED_EXISTING_KEY.
LONG RegCreateKeyExW(HKEY hKey, const QString& strSubKey, DWORD dwOptions, REGSAM samDesired, HKEY* phkResult,
                     DWORD* pdwDisposition);

// Reads a value. With pData null only the type and size are returned. When
// the data is larger than *pcbData, nothing is copied, *pcbData receives the
// size needed and the result is ERROR_MORE_DATA.
LONG RegQueryValueExW(HKEY hKey, const QString& strValueName, DWORD* pdwType, BYTE* pData, DWORD* pcbData);

// Writes a value of the given type and bytes, and flushes the file at once.
LONG RegSetValueExW(HKEY hKey, const QString& strValueName, DWORD dwType, const BYTE* pData, DWORD cbData);

// Closes an open key; ERROR_INVALID_HANDLE for anything else, roots included.
LONG RegCloseKey(HKEY hKey);

// The file that holds the current user's keys (for messages and for people
// who want to reset their settings).
QString RegistryFilePath();
