// Text helpers shared by both libraries: the number conversions with a
// default that the print markup and the PRN stream use, trimming, and
// bytes as hexadecimal text.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

class TZef_StrUtils {
 public:
  // Each byte as two upper-case hexadecimal digits; with `reverse` every
  // pair is put in front of the ones before it.
  static std::string BytesToHex(const uint8_t* bytes, size_t count, bool reverse = false);

  // An optionally signed decimal, or "$"/"0x" hexadecimal, integer after
  // optional leading blanks; the default for any other text and for a value
  // outside the type.
  static int32_t TextToInt(std::string_view text, int32_t defaultValue);
  static int64_t TextToInt64(std::string_view text, int64_t defaultValue);

  // The value of a hexadecimal digit (either case), -1 for another byte.
  static int HexDigitValue(char c);

};
