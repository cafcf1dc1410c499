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


std::u16string Utf8ToWide(const std::string& text) {
  std::u16string out;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  for (size_t i = 0; i < n;) {
    uint32_t cp = p[i];
    size_t len = cp < 0x80 ? 1 : cp >= 0xF0 && cp < 0xF5 ? 4 : cp >= 0xE0 ? 3 : cp >= 0xC2 && cp < 0xE0 ? 2 : 0;
    if (len > 1) cp &= 0xFF >> (len + 1);
    bool valid = len > 0 && i + len <= n;
    for (size_t k = 1; valid && k < len; ++k) {
      valid = (p[i + k] & 0xC0) == 0x80;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (valid && len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) valid = false;
    if (valid && len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) valid = false;
    if (!valid) {
      out += char16_t(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
    i += len;
  }
  return out;
}

