#include "settings/AppOptions.h"

#include "settings/Registry.h"

namespace {

// Literals, not QString objects: the settings are read while the global
// application object is constructed, which may come before the dynamic
// initialisation of this file's globals.
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
