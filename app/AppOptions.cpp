#include "app/AppOptions.h"

#include "app/Registry.h"

namespace {

// Plain literals: the settings object is built while global objects are
// constructed, before any other file's QString constants might be.
constexpr QLatin1String KEY_PARENT("Software\\Talvero");
constexpr QLatin1String KEY_NAME("Dxr9kStdApps\\Vaultline");

constexpr QLatin1String VALUE_IO_RESOURCE_UP("IoResource_Up");
constexpr QLatin1String VALUE_IO_RESOURCE_DN("IoResource_Dn");
constexpr QLatin1String VALUE_SHOW_VALIDATE_MSG("ShowValidateMsg");

} // namespace

CAppOptions::CAppOptions()
{
    // A key that cannot be opened makes every read below give its default.
    CRegistry reg;
    reg.Open(KEY_NAME, HKEY_CURRENT_USER, KEY_PARENT);
    reg.ReadString(VALUE_IO_RESOURCE_UP, m_strIoResourceUp, QStringLiteral("GPIB0::1::INSTR"));
    reg.ReadString(VALUE_IO_RESOURCE_DN, m_strIoResourceDn, QStringLiteral("GPIB0::2::INSTR"));
    DWORD dw = 1;
    reg.ReadDword(VALUE_SHOW_VALIDATE_MSG, dw, 1);
    m_dwShowValidateMsg = dw;
}

CAppOptions::~CAppOptions()
{
    CRegistry reg;
    reg.Open(KEY_NAME, HKEY_CURRENT_USER, KEY_PARENT);
    reg.WriteString(VALUE_IO_RESOURCE_UP, m_strIoResourceUp);
    reg.WriteString(VALUE_IO_RESOURCE_DN, m_strIoResourceDn);
    reg.WriteDword(VALUE_SHOW_VALIDATE_MSG, m_dwShowValidateMsg);
}
