// The markup-to-PRN converter: a print markup document (root "Unfiscal")
// turned into a PRN stream of the command set of prn_commands.h, its texts
// re-encoded from UTF-8 into the printer's character set. One object
// serves any number of conversions; it keeps no state between them.
#pragma once
#include <cstdint>
#include <string>

#include "common/unfiscal_tags.h"
#include "io/printer/markup/printer_code_tables.h"
#include "standart/errors.h"

// A markup whose content contradicts itself in a way the converter cannot
// print (a Base64 raw block without bytes).
class EAssertionFailed : public tInterfacedException {
 public:
  using tInterfacedException::tInterfacedException;
  const char* ClassName() const override { return "EAssertionFailed"; }
};

class tPRNCMDConvert {
 public:
  // No re-encoding: texts are written as their UTF-8 bytes.
  static constexpr int32_t kNoCharset = -1;

  // charset: a Windows character-set number, 85 (UTF-8), 90 (special
  // table) or -1; localeId selects the language mode by its primary language.
  tPRNCMDConvert(int32_t charset, int32_t localeId);

  // The PRN bytes of the markup; empty for an empty input, a root other
  // than "Unfiscal" or a markup without print elements. XML and number
  // errors of the markup raise the XML model's exceptions.
  std::string ConvertMarkup(const std::string& markup) const;
  // The UTF-8 text in the printer's character set.
  std::string PrinterText(const std::string& utf8) const;

  int32_t Charset() const { return charset_; }
  PrinterCharsets::TLanguageMode LanguageMode() const { return mode_; }

 private:
  void WriteTag(const TKvt_UnfiscalTag& tag, std::string& prn) const;
  void WriteText(const TKvt_UnfiscalTag& tag, std::string& prn) const;
  void WriteRawBlock(const TKvt_UnfiscalTag& tag, std::string& prn) const;
  void WriteBarCode(const TKvt_UnfiscalTag& tag, std::string& prn) const;
  std::string EncodeWide(const std::u16string& text) const;

  int32_t charset_;
  PrinterCharsets::TLanguageMode mode_;
};
