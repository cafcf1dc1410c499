#include "common/zef_str_utils.h"

#include "standart/text.h"

#include <cstdint>

int TZef_StrUtils::HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string TZef_StrUtils::BytesToHex(const uint8_t* bytes, size_t count, bool reverse) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(count * 2, '0');
  for (size_t i = 0; i < count; ++i) {
    size_t at = (reverse ? count - 1 - i : i) * 2;
    text[at] = kDigits[bytes[i] >> 4];
    text[at + 1] = kDigits[bytes[i] & 15];
  }
  return text;
}

int32_t TZef_StrUtils::TextToInt(std::string_view text, int32_t defaultValue) {
  int32_t value = defaultValue;
  ParseDecimalOrHex(text, value);
  return value;
}

int64_t TZef_StrUtils::TextToInt64(std::string_view text, int64_t defaultValue) {
  int64_t value = defaultValue;
  ParseDecimalOrHex(text, value);
  return value;
}

