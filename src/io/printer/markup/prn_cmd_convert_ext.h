// The adapter's markup-to-PRN conversion: the converter library first, the
// built-in converter when the library is missing, too old, or gives
// nothing.
#pragma once
#include <string>

#include "io/printer/markup/prn_cmd_convert.h"

class tPRNCMDConvertExt {
 public:
  enum TPath { pathNone, pathLibrary, pathBuiltIn };

  tPRNCMDConvertExt(int32_t charset, int32_t localeId) : builtIn_(charset, localeId), localeId_(localeId) {}
  // With the POS's main character set (the default set 1 when the POS does
  // not answer) and locale 0.
  static tPRNCMDConvertExt ForHost();

  // The PRN bytes; `path` tells which converter gave them. Errors of the
  // markup itself raise the built-in converter's exceptions.
  std::string ConvertMarkup(const std::string& markup, TPath* path = nullptr) const;

  const tPRNCMDConvert& BuiltIn() const { return builtIn_; }

 private:
  bool ThroughLibrary(const std::string& markup, std::string& prn) const;

  tPRNCMDConvert builtIn_;
  int32_t localeId_;
};
