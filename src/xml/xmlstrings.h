// Small text helpers of the XML model.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace xmlstr {

inline bool IsBlank(uint8_t c) { return c <= 0x20; }
inline bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80; }
inline bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool IsNameStart(uint8_t c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
inline bool IsNameChar(uint8_t c) {
  return IsNameStart(c) || c == '-' || c == '.' || c == ':' || c == '&';
}

// The text without bytes up to 0x20 at either end.
std::string Trim(std::string_view text);
// True for a non-empty name of name characters that starts with a name
// start character.
bool IsPlainName(std::string_view name);
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// Parses an optionally signed decimal, "$" or "0x" hexadecimal integer,
// after optional leading blanks; false when the text is not one.
bool ParseInt64(std::string_view text, int64_t& value);
// Upper-case hexadecimal text of at least `digits` digits.
std::string HexText(int64_t value, int digits);

}  // namespace xmlstr
