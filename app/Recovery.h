#pragma once

#include <QString>

class CVaultlineDoc;

// The recovery file: where a modified document goes when the program is ended
// by a signal and cannot ask whether to save, and where the next start finds
// it. It lives under $XDG_STATE_HOME (default ~/.local/state) in a folder of
// the program's, beside a note of the document's title.
class CRecovery
{
public:
    static QString Folder();
    static QString FilePath();
    static bool Exists();
    // The title the document had when it was kept.
    static QString KeptTitle();

    // Writes the document's store memories to the recovery file (atomically,
    // as every save) and its title to the note; the document itself is left
    // as it was. False with the reason when that fails.
    static bool Keep(CVaultlineDoc& doc, QString& strError);
    // Reads the recovery file into the document, which becomes a modified,
    // unnamed document with the kept title (Save asks for a name); the
    // recovery file is removed only once its memories are in the document.
    static bool Restore(CVaultlineDoc& doc, QString& strError);
    static void Discard();
};
