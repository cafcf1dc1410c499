#include "io/printer/markup/uf_xml.h"

#include "io/printer/markup/uf_xml_base_ext.h"
#include "standart/errors.h"

bool TUFXml::ConvertThroughLibrary(const uint8_t* buffer, size_t size, IXmlDocument& document,
                                   std::string& versionText) {
  document = nullptr;
  versionText.clear();
  try {
    TUFXmlBaseExt converter(settings_.InitialTapes, settings_.BarCodes, settings_.ConverterFlag, &versionText);
    return converter.ConvertPrn(buffer, size, document);
  } catch (...) {
    // A library that fails is as good as a missing one: the caller
    // converts with the built-in converter.
    LogText(0, "Quillet.DLL ConvertPRNToXML: " + ExceptionMessage());
    document = nullptr;
    return false;
  }
}

bool TUFXml::ConvertBuiltIn(const uint8_t* buffer, size_t size, IXmlDocument& document) {
  // Texts are always turned into UTF-8 here. The flag asks the library to
  // convert with the adapter's single-byte procedure; taken as the raw-text
  // flag it would put single-byte texts (the names of merged discounts)
  // unconverted into a UTF-8 document.
  TUFXmlBase converter(settings_.InitialTapes, TKvt_UnfiscalPrint::kNoFont, settings_.BarCodes);
  return converter.ConvertPrn(buffer, size, document);
}
