#pragma once

#include "platform/text/TextTable.h"

// Texts of the file layer, by identifier. The numbers are those the program has always
// used for these texts; they are unique across every string table of the program.

// 2780-2784: special files, and a file that is not read
#define IDS_FILE_IS_DIRECTORY 2780
#define IDS_FILE_IS_FIFO 2781
#define IDS_FILE_IS_DEVICE 2782
#define IDS_FILE_IS_SOCKET 2783
#define IDS_FILE_WARN_NOT_READ 2784

const CTextTable& FileStrings();

// The text of identifier nId; empty for an identifier of no text here.
QString LoadFileString(unsigned nId);
