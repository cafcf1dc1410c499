#include "xml/xmlexception.h"

#include "xml/textconv.h"

void RaiseXmlError(const std::string& message) { throw SimpleXMLException(message); }

std::string RussianText(const char* utf8) { return Utf8ToCodePage(utf8, 1251); }
