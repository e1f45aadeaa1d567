#pragma once

#include "platform/com/ComError.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

// The system's VISA C library, loaded at run time, with its default resource
// manager session opened. The types are those of the library's own header on
// a 64-bit Linux system: 32-bit sessions and counts, and ViAttrState 64 bits
// wide since long is.
class CSystemVisa
{
public:
    using ViStatus = std::int32_t;
    using ViUInt32 = std::uint32_t;
    using ViSession = ViUInt32;
    using ViObject = ViUInt32;
    using ViAttr = ViUInt32;
    using ViAttrState = std::uint64_t;

    static constexpr ViAttr VI_ATTR_RSRC_LOCK_STATE = 0x3FFF0004u;
    static constexpr ViAttr VI_ATTR_TMO_VALUE = 0x3FFF001Au;
    static constexpr ViAttr VI_ATTR_TERMCHAR_EN = 0x3FFF0038u;
    static constexpr ViAttr VI_ATTR_ASRL_BAUD = 0x3FFF0021u;
    static constexpr ViAttr VI_ATTR_ASRL_DATA_BITS = 0x3FFF0022u;
    static constexpr ViAttr VI_ATTR_ASRL_PARITY = 0x3FFF0023u;
    static constexpr ViAttr VI_ATTR_ASRL_STOP_BITS = 0x3FFF0024u;
    static constexpr ViAttr VI_ATTR_ASRL_FLOW_CNTRL = 0x3FFF0025u;
    static constexpr ViAttr VI_ATTR_INTF_TYPE = 0x3FFF0171u;
    static constexpr std::uint16_t VI_INTF_ASRL = 4;
    static constexpr std::size_t VI_FIND_BUFLEN = 256;

    struct VISAAPI
    {
        ViStatus (*viOpenDefaultRM)(ViSession* pRm);
        ViStatus (*viFindRsrc)(ViSession rm, const char* pszExpr, ViUInt32* pList, ViUInt32* pCount,
                               char* pszDesc);
        ViStatus (*viFindNext)(ViUInt32 list, char* pszDesc);
        ViStatus (*viOpen)(ViSession rm, const char* pszName, ViUInt32 nMode, ViUInt32 nTimeout,
                           ViSession* pVi);
        ViStatus (*viClose)(ViObject object);
        ViStatus (*viSetAttribute)(ViObject object, ViAttr attr, ViAttrState value);
        ViStatus (*viGetAttribute)(ViObject object, ViAttr attr, void* pValue);
        ViStatus (*viLock)(ViSession vi, ViUInt32 nType, ViUInt32 nTimeout, const char* pszRequestedKey,
                           char* pszAccessKey);
        ViStatus (*viUnlock)(ViSession vi);
        ViStatus (*viWrite)(ViSession vi, const unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount);
        ViStatus (*viRead)(ViSession vi, unsigned char* pBuf, ViUInt32 nCount, ViUInt32* pRetCount);
        ViStatus (*viStatusDesc)(ViObject object, ViStatus status, char* pszDesc);
    };

    // The library names tried in order when VAULTLINE_VISA_LIBRARY is unset.
    static QStringList LibraryNames();
    // Loads the library and opens its default resource manager; null when
    // no library is installed or it does not work.
    static std::shared_ptr<CSystemVisa> Load();

    ~CSystemVisa();
    CSystemVisa(const CSystemVisa&) = delete;
    CSystemVisa& operator=(const CSystemVisa&) = delete;

    const VISAAPI& Api() const { return m_api; }
    ViSession DefaultRM() const { return m_rm; }
    QString LibraryPath() const { return m_strLibrary; }

    // Raises _com_error for a failed status, with the library's own text for
    // it; warnings and success pass.
    void Check(ViObject object, ViStatus status) const;

private:
    CSystemVisa() = default;
    static std::shared_ptr<CSystemVisa> LoadFrom(const QString& strLibrary);

    void* m_pLibrary = nullptr;
    QString m_strLibrary;
    VISAAPI m_api{};
    ViSession m_rm = 0;
};
