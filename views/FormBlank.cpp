#include "views/FormBlank.h"

#include "resources/Resource.h"
#include "resources/gui/FormTemplates.h"

CFormBlank::CFormBlank() : CValidateFormView(FormBlankTemplate()) {}
