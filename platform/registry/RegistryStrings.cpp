#include "platform/registry/RegistryStrings.h"

namespace {

const TEXTENTRY s_Strings[] = {
    // 2787: the bound of the settings file
    {IDS_REG_WARN_SETTINGS_TOO_LARGE,
     u"Warning: %1 is larger than %2 bytes; its beginning is read and no setting is saved to it."},
};

} // namespace

const CTextTable& RegistryStrings()
{
    static const CTextTable table(s_Strings);
    return table;
}

QString LoadRegistryString(unsigned nId)
{
    return RegistryStrings().Text(nId);
}
