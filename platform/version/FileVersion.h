#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

// The version block of a program file, in the layout of a Windows version
// resource: a fixed part (VS_FIXEDFILEINFO), string tables keyed by language
// and code page ("\StringFileInfo\040904b0\FileVersion") and a translation
// table ("\VarFileInfo\Translation"). The build puts the block of each program
// into an ELF section of its own, VERSION_SECTION_NAME; the functions below
// read it back from the file on disk, as the Windows functions of the same
// names read a version resource.

constexpr const char* VERSION_SECTION_NAME = ".vaultline_version";
constexpr std::uint32_t VS_FFI_SIGNATURE = 0xFEEF04BDu;
constexpr std::uint32_t VS_FFI_STRUCVERSION = 0x00010000u;
constexpr std::uint32_t VOS__WINDOWS32 = 0x00000004u;
constexpr std::uint32_t VFT_APP = 0x00000001u;

struct VS_FIXEDFILEINFO
{
    std::uint32_t dwSignature;
    std::uint32_t dwStrucVersion;
    std::uint32_t dwFileVersionMS;
    std::uint32_t dwFileVersionLS;
    std::uint32_t dwProductVersionMS;
    std::uint32_t dwProductVersionLS;
    std::uint32_t dwFileFlagsMask;
    std::uint32_t dwFileFlags;
    std::uint32_t dwFileOS;
    std::uint32_t dwFileType;
    std::uint32_t dwFileSubtype;
    std::uint32_t dwFileDateMS;
    std::uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "thirteen 32-bit fields");

// What a version block holds, for building one.
struct VERSIONDATA
{
    VS_FIXEDFILEINFO fixed;
    QString strStringTable; // language and code page as eight hex digits
    std::vector<std::pair<QString, QString>> strings;
    std::vector<std::uint32_t> translations; // empty: no VarFileInfo at all
};

// Parses "2, 2, 0, 23" (or "2.2.0.23") into the high and low halves of a
// fixed-part version; false unless there are four numbers below 65536.
bool ParseVersionNumbers(const QString& strVersion, std::uint32_t* pdwMS, std::uint32_t* pdwLS);

// The block in the resource layout (little-endian, 32-bit aligned nodes).
QByteArray BuildVersionBlock(const VERSIONDATA& data);

// Size of the version block of the file, 0 when it has none or cannot be read.
std::uint32_t GetFileVersionInfoSizeW(const QString& strPath);
// Copies the block (at most nSize bytes) into pData; false on any failure.
bool GetFileVersionInfoW(const QString& strPath, std::uint32_t nSize, void* pData);
// Finds a value in a block read by GetFileVersionInfoW: "\" gives the fixed
// part, "\VarFileInfo\Translation" the translation table (length in bytes),
// "\StringFileInfo\<table>\<name>" a text (length in characters with the
// terminating zero). Keys match without regard to case. Nothing beyond the
// block's own length (which GetFileVersionInfoW has checked against the
// buffer) is read.
bool VerQueryValueW(const void* pBlock, const QString& strSubBlock, const void** ppBuffer,
                    std::uint32_t* puLen);

// Full path of the running program file.
QString GetModuleFileNameW();
