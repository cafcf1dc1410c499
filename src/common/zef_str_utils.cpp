#include "common/zef_str_utils.h"

#include <cstdint>
#include <limits>

namespace {

// The magnitude of the digits in `base`; false for no digits, another
// character or a value above `limit`.
bool ReadMagnitude(std::string_view digits, int base, uint64_t limit, uint64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (char c : digits) {
    int digit = TZef_StrUtils::HexDigitValue(c);
    if (digit < 0 || digit >= base) return false;
    if (value > (limit - uint64_t(digit)) / uint64_t(base)) return false;
    value = value * uint64_t(base) + uint64_t(digit);
  }
  return true;
}

// `bits` is 32 or 64. Decimal values must fit the signed type; hexadecimal
// ones give the bit pattern of the type (so "$FFFFFFFF" is -1 in 32 bits).
bool ParseInteger(std::string_view text, int bits, int64_t& result) {
  size_t at = 0;
  while (at < text.size() && uint8_t(text[at]) <= 0x20) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  int base = 10;
  if (at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (text.size() - at > 2 && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  const uint64_t signedMax = bits == 64 ? uint64_t(std::numeric_limits<int64_t>::max()) : uint64_t(INT32_MAX);
  const uint64_t limit = base == 16 ? signedMax * 2 + 1 : signedMax + (negative ? 1 : 0);
  uint64_t magnitude = 0;
  if (!ReadMagnitude(text.substr(at), base, limit, magnitude)) return false;
  if (negative) magnitude = 0 - magnitude;
  result = bits == 64 ? int64_t(magnitude) : int64_t(int32_t(uint32_t(magnitude)));
  return true;
}

}  // namespace

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
  int64_t value = 0;
  if (!ParseInteger(text, 32, value)) return defaultValue;
  return int32_t(value);
}

int64_t TZef_StrUtils::TextToInt64(std::string_view text, int64_t defaultValue) {
  int64_t value = 0;
  if (!ParseInteger(text, 64, value)) return defaultValue;
  return value;
}

std::string TZef_StrUtils::Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && uint8_t(text[begin]) <= 0x20) ++begin;
  while (end > begin && uint8_t(text[end - 1]) <= 0x20) --end;
  return std::string(text.substr(begin, end - begin));
}
