#pragma once

#include <QString>
#include <cstdint>

// The settings kept between runs, under the current user's key
// "Software\Talvero\Dxr9kStdApps\Vaultline": read when the object is made,
// all three written back when it is destroyed, at the normal end of the
// program. The transfer dialog reads and assigns the two resource strings.
class CAppOptions
{
public:
    CAppOptions();
    virtual ~CAppOptions();

    CAppOptions(const CAppOptions&) = delete;
    CAppOptions& operator=(const CAppOptions&) = delete;

    QString m_strIoResourceUp;         // IoResource_Up: last resource of an upload
    QString m_strIoResourceDn;         // IoResource_Dn: last resource of a download
    std::uint32_t m_dwShowValidateMsg; // ShowValidateMsg: kept and written back as read
};
