#include "io/printer/markup/prn_cmd_convert_ext.h"

#include "io/printer/markup/quillet_binding.h"
#include "standart/host_params.h"

namespace {

constexpr int32_t kDefaultCharset = 1;

}  // namespace

tPRNCMDConvertExt tPRNCMDConvertExt::ForHost() {
  return tPRNCMDConvertExt(HostParams::MainCharset(kDefaultCharset), 0);
}

std::string tPRNCMDConvertExt::ConvertMarkup(const std::string& markup, TPath* path) const {
  std::string prn;
  bool library = ThroughLibrary(markup, prn) && !prn.empty();
  if (!library) prn = builtIn_.ConvertMarkup(markup);
  if (path) *path = library ? pathLibrary : pathBuiltIn;
  return prn;
}

// The library converts with this object's character set and locale: by
// name when it has the call, else through its default character set,
// which holds the language of locale 0 only.
bool tPRNCMDConvertExt::ThroughLibrary(const std::string& markup, std::string& prn) const {
  const tQuilletBinding& binding = tQuilletBinding::Instance();
  if (!binding.MarkupToPrnUsable() || markup.empty()) return false;
  bool defaultLanguage = builtIn_.LanguageMode() == PrinterCharsets::LanguageModeOfLocale(0);
  if (!binding.ConvertXMLToPRNCharsetLocale && !defaultLanguage) return false;
  platform::MemHandle block = 0;
  int32_t size = 0;
  bool converted;
  if (binding.ConvertXMLToPRNCharsetLocale) {
    converted = binding.ConvertXMLToPRNCharsetLocale(markup.c_str(), builtIn_.Charset(), localeId_, &block, &size);
  } else {
    binding.SetXMLToPRNCharset(builtIn_.Charset());
    converted = binding.ConvertXMLToPRN(markup.c_str(), &block, &size);
  }
  prn = TakeBlockBytes(block, size);
  return converted;
}
