#include "platform/file/FileStrings.h"

namespace {

const TEXTENTRY s_Strings[] = {
    // 2780-2784: special files, and a file that is not read
    {IDS_FILE_IS_DIRECTORY, u"It is a directory, not a file."},
    {IDS_FILE_IS_FIFO, u"It is a FIFO (named pipe), not a file."},
    {IDS_FILE_IS_DEVICE, u"It is a device, not a file."},
    {IDS_FILE_IS_SOCKET, u"It is a socket, not a file."},
    {IDS_FILE_WARN_NOT_READ, u"Warning: %1 is not read: %2"},
};

} // namespace

const CTextTable& FileStrings()
{
    static const CTextTable table(s_Strings);
    return table;
}

QString LoadFileString(unsigned nId)
{
    return FileStrings().Text(nId);
}
