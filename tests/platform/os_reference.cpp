#include "os_reference.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <vector>

namespace os_reference {

#ifdef _WIN32

bool BytesToWide(uint32_t codePage, const std::string& bytes, bool strict, std::u16string& out) {
  out.clear();
  if (bytes.empty()) return true;
  DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
  if (n <= 0) return false;
  std::vector<wchar_t> buffer(size_t(n) + 1);
  n = MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), buffer.data(), n);
  if (n <= 0) return false;
  out.assign(buffer.begin(), buffer.begin() + n);
  return true;
}

bool WideToBytes(uint32_t codePage, const std::u16string& text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  bool utf8 = codePage == CP_UTF8;
  DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(codePage, flags, wide, int(text.size()), nullptr, 0, nullptr, usedDefaultOut);
  if (n <= 0 || usedDefault) return false;
  out.resize(size_t(n));
  n = WideCharToMultiByte(codePage, flags, wide, int(text.size()), out.data(), n, nullptr, usedDefaultOut);
  return n > 0 && !usedDefault;
}

#else

namespace {
std::string IconvName(uint32_t codePage) { return codePage == 65001 ? "UTF-8" : "CP" + std::to_string(codePage); }

bool Convert(const std::string& to, const std::string& from, const std::string& input, std::string& output) {
  output.clear();
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == iconv_t(-1)) return false;
  std::vector<char> buffer(input.size() * 4 + 16);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* out = buffer.data();
  size_t outLeft = buffer.size();
  bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1) && inLeft == 0;
  if (ok) ok = iconv(cd, nullptr, nullptr, &out, &outLeft) != size_t(-1);  // what a stateful code page holds back
  iconv_close(cd);
  output.assign(buffer.data(), size_t(out - buffer.data()));
  return ok;
}
}  // namespace

bool BytesToWide(uint32_t codePage, const std::string& bytes, bool strict, std::u16string& out) {
  std::string utf16;
  out.clear();
  if (!Convert("UTF-16LE", IconvName(codePage), bytes, utf16)) return false;
  for (size_t i = 0; i + 1 < utf16.size(); i += 2)
    out += char16_t(uint8_t(utf16[i]) | (uint8_t(utf16[i + 1]) << 8));
  return true;
}

bool WideToBytes(uint32_t codePage, const std::u16string& text, std::string& out) {
  std::string utf16;
  for (char16_t c : text) {
    utf16 += char(c & 0xFF);
    utf16 += char(c >> 8);
  }
  return Convert(IconvName(codePage), "UTF-16LE", utf16, out);
}

#endif

}  // namespace os_reference
