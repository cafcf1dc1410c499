#include "xml/textconv.h"

#include "platform/codepage.h"
#include "standart/errors.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// Decodes one UTF-8 sequence at `pos`, advancing it; kReplacement (and one
// byte consumed) for a malformed sequence.
char32_t DecodeUtf8(const std::string& s, size_t& pos) {
  uint8_t lead = uint8_t(s[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  int length;
  char32_t code;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + length > s.size()) {
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i < length; ++i) {
    uint8_t b = uint8_t(s[pos + i]);
    if (!IsContinuation(b)) {
      ++pos;
      return kReplacement;
    }
    code = (code << 6) | (b & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++pos;
    return kReplacement;
  }
  pos += length;
  return code;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += char(code);
  } else if (code < 0x800) {
    out += char(0xC0 | (code >> 6));
    out += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += char(0xE0 | (code >> 12));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  } else {
    out += char(0xF0 | (code >> 18));
    out += char(0x80 | ((code >> 12) & 0x3F));
    out += char(0x80 | ((code >> 6) & 0x3F));
    out += char(0x80 | (code & 0x3F));
  }
}

bool IsUtf8CodePage(uint32_t codePage) {
  return codePage == platform::kCodePageUtf8 ||
         (codePage == platform::kCodePageSystem && platform::SystemCodePage() == platform::kCodePageUtf8);
}

void CheckUtf8(const std::string& utf8) {
  if (!IsValidUtf8(utf8)) throw tInterfacedException(Fmt("Wrong charset: utf8 is needed (%s)", utf8));
}

}  // namespace

std::u16string Utf8ToWide(const std::string& utf8) {
  std::u16string wide;
  wide.reserve(utf8.size());
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t code = DecodeUtf8(utf8, pos);
    if (code >= 0x10000) {
      code -= 0x10000;
      wide += char16_t(0xD800 + (code >> 10));
      wide += char16_t(0xDC00 + (code & 0x3FF));
    } else {
      wide += char16_t(code);
    }
  }
  return wide;
}

std::string WideToUtf8(const std::u16string& wide) {
  std::string utf8;
  utf8.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      char32_t low = wide[++i];
      AppendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(utf8, kReplacement);
    } else {
      AppendUtf8(utf8, unit);
    }
  }
  return utf8;
}

bool IsValidUtf8(const std::string& bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t start = pos;
    if (DecodeUtf8(bytes, pos) == kReplacement && pos - start != 3) return false;
  }
  return true;
}

bool HasUtf8Bom(const std::string& bytes) {
  return bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF && uint8_t(bytes[1]) == 0xBB && uint8_t(bytes[2]) == 0xBF;
}

std::string CodePageToUtf8(const std::string& bytes, uint32_t codePage) {
  if (IsUtf8CodePage(codePage)) return bytes;
  return WideToUtf8(platform::SingleByteToWide(codePage, bytes));
}

std::string Utf8ToCodePage(const std::string& utf8, uint32_t codePage) {
  if (IsUtf8CodePage(codePage)) return utf8;
  return platform::WideToSingleByte(codePage, Utf8ToWide(utf8));
}

std::string CharsetToUtf8(const std::string& bytes, int32_t charset) {
  if (bytes.empty()) return std::string();
  uint32_t codePage = charset == 1 ? platform::SystemCodePage() : platform::CharsetCodePage(charset);
  return CodePageToUtf8(bytes, codePage);
}

std::string Utf8ToCharset(const std::string& utf8, int32_t charset) {
  CheckUtf8(utf8);
  if (utf8.empty()) return std::string();
  uint32_t codePage = charset == 1 ? platform::SystemCodePage() : platform::CharsetCodePage(charset);
  return Utf8ToCodePage(utf8, codePage);
}

std::string Utf8ToLocale(const std::string& utf8, uint32_t localeId) {
  CheckUtf8(utf8);
  if (utf8.empty()) return std::string();
  return Utf8ToCodePage(utf8, platform::LocaleCodePage(localeId));
}

uint32_t CodePageOfEncoding(const std::string& encoding) {
  std::string lower;
  for (char c : encoding) lower += (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
  if (lower == "utf-8") return 65001;
  if (lower == "windows-1251") return 1251;
  if (lower == "ibm866" || lower == "cp866") return 866;
  return 0;
}
