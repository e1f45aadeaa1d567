#pragma once

#include "platform/framework/DialogTemplate.h"

// Dialog templates of the two panes: 146, the tree's form (the left pane);
// 136, the blank form; 141, the memory form.
const DLGTEMPLATE& LeftViewTemplate();
const DLGTEMPLATE& FormBlankTemplate();
const DLGTEMPLATE& FormMemDataTemplate();
