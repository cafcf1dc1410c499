// Small text helpers of the XML model.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace xmlstr {

// Byte classes for the parser's scanning loops.
enum : uint8_t {
  kBlank = 1,          // up to 0x20
  kNameStart = 2,      // letters (and bytes from 0x80), digits, "_"
  kNameChar = 4,       // name start, "-", ".", ":", "&"
  kTextStop = 8,       // "<", "&", zero
  kQuotedStop = 16,    // "\"", "&", "<", zero
  kApostropheStop = 32,  // "'", "&", "<", zero
};

struct tCharClasses {
  uint8_t Of[256];
  constexpr tCharClasses() : Of() {
    for (int c = 0; c < 256; ++c) {
      bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0x80;
      bool start = letter || (c >= '0' && c <= '9') || c == '_';
      uint8_t bits = 0;
      if (c <= 0x20) bits |= kBlank;
      if (start) bits |= kNameStart | kNameChar;
      if (c == '-' || c == '.' || c == ':' || c == '&') bits |= kNameChar;
      // The zero byte stops the scans too: the parser ends its text with one.
      if (c == '<' || c == '&' || c == 0) bits |= kTextStop | kQuotedStop | kApostropheStop;
      if (c == '"') bits |= kQuotedStop;
      if (c == '\'') bits |= kApostropheStop;
      Of[c] = bits;
    }
  }
};
inline constexpr tCharClasses kCharClasses{};

inline bool Is(uint8_t c, uint8_t classes) { return (kCharClasses.Of[c] & classes) != 0; }
inline bool IsBlank(uint8_t c) { return c <= 0x20; }
inline bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
inline bool IsNameStart(uint8_t c) { return Is(c, kNameStart); }
inline bool IsNameChar(uint8_t c) { return Is(c, kNameChar); }

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
