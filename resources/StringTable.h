#pragma once

#include "platform/text/TextTable.h"

#include <QString>

// The program's texts by identifier (resources/Resource.h). An unknown
// identifier gives an empty text, as a missing string resource does.
const CTextTable& ProgramStrings();
QString LoadResString(unsigned nId);

// The text with its one "%s" replaced by strArg (IDS_FILE_NOT_READ and IDS_FILE_NOT_WRITTEN),
// whose control characters are shown escaped.
QString FormatResString(unsigned nId, const QString& strArg);

// The text with each control character (C0 and C1, DEL) written as \xHH, so
// that a file or resource name cannot move the cursor, recolour or retitle a
// terminal, or break a message into false lines. Characters in strKeep stay.
QString EscapeControlCharacters(const QString& str, const QString& strKeep = QString());

// Command strings hold the status-bar prompt and the tooltip separated by a
// line feed; these return one half each (the prompt alone when there is no
// line feed, and an empty tooltip then).
QString LoadResPrompt(unsigned nId);
QString LoadResTooltip(unsigned nId);
