#include "standart/text.h"

#include <limits>

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 99;
}

// The magnitude of the digits in `base`; false for no digits, another
// character or a value above `limit`.
bool ReadMagnitude(std::string_view digits, unsigned base, uint64_t limit, uint64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (char c : digits) {
    const unsigned digit = unsigned(DigitValue(c));
    if (digit >= base || value > (limit - digit) / base) return false;
    value = value * base + digit;
  }
  return true;
}

// Takes a leading sign off `text`; true when it was a minus.
bool TakeSign(std::string_view& text) {
  if (text.empty() || (text[0] != '-' && text[0] != '+')) return false;
  const bool negative = text[0] == '-';
  text.remove_prefix(1);
  return negative;
}

template <typename T>
bool SignedDecimal(std::string_view text, T& value) {
  const bool negative = TakeSign(text);
  const uint64_t limit = uint64_t(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
  uint64_t magnitude = 0;
  if (!ReadMagnitude(text, 10, limit, magnitude)) return false;
  value = T(int64_t(negative ? 0 - magnitude : magnitude));
  return true;
}

template <typename T>
bool DecimalOrHex(std::string_view text, T& value) {
  using Unsigned = std::make_unsigned_t<T>;
  while (!text.empty() && IsBlankOrControl(text[0])) text.remove_prefix(1);
  const bool negative = TakeSign(text);
  unsigned base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  const uint64_t max = uint64_t(std::numeric_limits<T>::max());
  const uint64_t limit = base == 16 ? max * 2 + 1 : max + (negative ? 1 : 0);
  uint64_t magnitude = 0;
  if (!ReadMagnitude(text, base, limit, magnitude)) return false;
  if (negative) magnitude = 0 - magnitude;
  value = T(Unsigned(magnitude));
  return true;
}

}  // namespace

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

bool ParseDecimal(std::string_view text, int32_t& value) { return SignedDecimal(text, value); }

bool ParseDecimalAfterSpaces(std::string_view text, int64_t& value) {
  while (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  return SignedDecimal(text, value);
}

bool ParseDigits(std::string_view text, int32_t& value) {
  uint64_t magnitude = 0;
  if (!ReadMagnitude(text, 10, uint64_t(std::numeric_limits<int32_t>::max()), magnitude)) return false;
  value = int32_t(magnitude);
  return true;
}

bool ParseDecimalOrHex(std::string_view text, int32_t& value) { return DecimalOrHex(text, value); }

bool ParseDecimalOrHex(std::string_view text, int64_t& value) { return DecimalOrHex(text, value); }
