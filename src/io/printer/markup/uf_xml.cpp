#include "io/printer/markup/uf_xml.h"

bool TUFXml::ConvertThroughLibrary(const uint8_t* buffer, size_t size, IXmlDocument& document,
                                   std::string& versionText) {
  // No converter library is bound in this build: the caller falls back to
  // the built-in converter.
  document = nullptr;
  versionText.clear();
  return false;
}

bool TUFXml::ConvertBuiltIn(const uint8_t* buffer, size_t size, IXmlDocument& document) {
  TUFXmlBase converter(settings_.InitialTapes, TKvt_UnfiscalPrint::kNoFont, settings_.BarCodes);
  converter.RawText = settings_.ConverterFlag;
  return converter.ConvertPrn(buffer, size, document);
}
