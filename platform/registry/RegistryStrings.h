#pragma once

#include "platform/text/TextTable.h"

// Texts of the settings store, by identifier. The numbers are those the program has always
// used for these texts; they are unique across every string table of the program.

// 2787: the bound of the settings file
#define IDS_REG_WARN_SETTINGS_TOO_LARGE 2787

const CTextTable& RegistryStrings();

// The text of identifier nId; empty for an identifier of no text here.
QString LoadRegistryString(unsigned nId);
