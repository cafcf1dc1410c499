// The adapter's PRN-to-markup conversion with the settings of a device: the
// converter library's conversion when the library is bound, and the
// built-in converter, which the adapter uses when the library is missing or
// fails.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "io/printer/markup/uf_xml_base.h"

struct tUFXmlSettings {
  uint8_t InitialTapes = 0;       // tapes state 0, 1 or 2
  tBarCodeDefaults BarCodes{0, 2, 100, 0};
  // The adapter's single-byte procedure is handed to the library. The
  // built-in converter always converts texts.
  bool ConverterFlag = false;
};

class TUFXml {
 public:
  explicit TUFXml(const tUFXmlSettings& settings) : settings_(settings) {}

  // The converter library's conversion. False when the library is
  // missing, too old or fails (its exceptions are logged, not passed on);
  // `versionText` gets the library's version line the first time the
  // library is loaded.
  bool ConvertThroughLibrary(const uint8_t* buffer, size_t size, IXmlDocument& document, std::string& versionText);
  // The built-in converter, without an initial font.
  bool ConvertBuiltIn(const uint8_t* buffer, size_t size, IXmlDocument& document);

  const tUFXmlSettings& Settings() const { return settings_; }

 private:
  tUFXmlSettings settings_;
};
