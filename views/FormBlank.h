#pragma once

#include "views/ValidateFormView.h"

// The right-hand form while the tree's root is selected: a prompt to pick a
// store memory, nothing else.
class CFormBlank : public CValidateFormView
{
    Q_OBJECT

public:
    CFormBlank();
};
