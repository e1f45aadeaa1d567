#include "views/FormBlank.h"

#include "resources/Resource.h"
#include "resources/gui/FormTemplates.h"

IMPLEMENT_DYNCREATE(CFormBlank, CValidateFormView)

CFormBlank::CFormBlank() : CValidateFormView(FormBlankTemplate()) {}
