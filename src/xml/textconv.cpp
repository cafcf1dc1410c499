#include "xml/textconv.h"

#include "platform/codepage.h"
#include "standart/errors.h"

namespace {

bool IsUtf8CodePage(uint32_t codePage) {
  return codePage == platform::kCodePageUtf8 ||
         (codePage == platform::kCodePageSystem && platform::SystemCodePage() == platform::kCodePageUtf8);
}

void CheckUtf8(const std::string& utf8) {
  if (!platform::IsValidUtf8(utf8)) throw tInterfacedException(Fmt("Wrong charset: utf8 is needed (%s)", utf8));
}

}  // namespace

bool HasUtf8Bom(const std::string& bytes) {
  return bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF && uint8_t(bytes[1]) == 0xBB && uint8_t(bytes[2]) == 0xBF;
}

std::string CodePageToUtf8(const std::string& bytes, uint32_t codePage) {
  if (IsUtf8CodePage(codePage)) return bytes;
  return platform::WideToUtf8(platform::SingleByteToWide(codePage, bytes));
}

std::string Utf8ToCodePage(const std::string& utf8, uint32_t codePage) {
  if (IsUtf8CodePage(codePage)) return utf8;
  return platform::WideToSingleByte(codePage, platform::Utf8ToWide(utf8));
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
