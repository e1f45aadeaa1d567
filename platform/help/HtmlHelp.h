#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>

// Help for the desktop program: the user guide, an HTML page installed beside
// the program, opened in the desktop's own viewer at the topic of a context
// number. When there is no guide or nothing can show it, the help commands do
// nothing and say nothing.

// The help system for the run: Initialize returns a cookie for Uninitialize.
std::uint32_t HtmlHelpInitialize();
void HtmlHelpUninitialize(std::uint32_t dwCookie);

// The guide's index page: in the "guide" folder beside the program file, else
// in the installation's documentation folder (../share/doc/vaultline/guide).
// Empty when neither holds one.
QString FindHelpFile(const QString& strProgramDir);

// Opens strHelpFile at the topic of nContext (the page's anchor "context-N");
// false when the file is missing or the viewer could not be started.
bool HtmlHelpContext(const QString& strHelpFile, unsigned nContext);

// Replaces the desktop's viewer (tests); null restores it.
void SetHelpViewer(std::function<bool(const QUrl&)> fnOpen);
