#include "posdata/pdtext.h"

namespace {

unsigned char AsciiUpper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; }

// Upper case in code page 1251: the Cyrillic block and the letters
// around 0xA0 that have case pairs.
unsigned char LocaleUpper(unsigned char c) {
  if (c >= 0xE0) return c - 0x20;
  switch (c) {
    case 0xB8: return 0xA8;  // yo
    case 0xBA: return 0xAA;
    case 0xBF: return 0xAF;
    case 0xB3: return 0xB2;
    case 0xA2: return 0xA1;
    case 0xBC: return 0xA3;
    case 0xB4: return 0xA5;
    case 0xBE: return 0xBD;
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9D: return 0x8D;
    case 0x9E: return 0x8E;
    case 0x9F: return 0x8F;
    case 0x90: return 0x80;
    case 0x83: return 0x81;
    default: return AsciiUpper(c);
  }
}

template <class Upper>
bool SameText(const std::string& a, const std::string& b, Upper upper) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper(static_cast<unsigned char>(a[i])) != upper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

bool SameTextAscii(const std::string& a, const std::string& b) { return SameText(a, b, AsciiUpper); }
bool SameTextLocale(const std::string& a, const std::string& b) { return SameText(a, b, LocaleUpper); }

size_t FindTextAscii(const std::string& text, const std::string& needle) {
  if (needle.size() > text.size()) return std::string::npos;
  for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && AsciiUpper(static_cast<unsigned char>(text[i + k])) ==
                                    AsciiUpper(static_cast<unsigned char>(needle[k])))
      ++k;
    if (k == needle.size()) return i;
  }
  return std::string::npos;
}



