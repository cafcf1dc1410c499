#include "posdata/pdfielddef.h"

void TPDFieldDef::SetFieldName(const std::string& name) {
  fieldName_ = name;
  if (Caption.empty()) Caption = name;
}
