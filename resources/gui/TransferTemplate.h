#pragma once

#include "platform/framework/DialogTemplate.h"

// Dialog template 130: the transfer dialog of Upload and Download.
const DLGTEMPLATE& TransferDialogTemplate();
