#include "xml/xmlstrings.h"

namespace xmlstr {

bool IsPlainName(std::string_view name) {
  if (name.empty() || !IsNameStart(uint8_t(name[0]))) return false;
  for (char c : name)
    if (!IsNameChar(uint8_t(c))) return false;
  return true;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = char(x + 32);
    if (y >= 'A' && y <= 'Z') y = char(y + 32);
    if (x != y) return false;
  }
  return true;
}

namespace {
int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}
}  // namespace

bool ParseInt64(std::string_view text, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16, ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16, i += 2;
  }
  if (i == text.size()) return false;
  uint64_t magnitude = 0;
  // Hexadecimal texts may use all 64 bits; decimal ones must fit int64.
  const uint64_t limit = base == 16 ? UINT64_MAX : uint64_t(INT64_MAX) + (negative ? 1 : 0);
  for (; i < text.size(); ++i) {
    int d = DigitValue(text[i], base);
    if (d < 0) return false;
    if (magnitude > (limit - uint64_t(d)) / uint64_t(base)) return false;
    magnitude = magnitude * uint64_t(base) + uint64_t(d);
  }
  value = negative ? int64_t(0 - magnitude) : int64_t(magnitude);
  return true;
}

std::string HexText(int64_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  uint64_t v = uint64_t(value);
  std::string text;
  do {
    text.insert(text.begin(), kDigits[v & 15]);
    v >>= 4;
  } while (v);
  if (int(text.size()) < digits) text.insert(0, size_t(digits) - text.size(), '0');
  return text;
}

}  // namespace xmlstr
