#include "io/printer/zefor/document/zef_text.h"

#include <vector>

#include "xml/textconv.h"

namespace ZefText {

std::string ToUtf8(const std::string& text, int32_t charset, uint32_t procedure) {
  if (HasUtf8Bom(text)) return text.substr(3);
  if (text.empty()) return text;
  if (procedure == 0) return CodePageToUtf8(text, 0);
  const auto convert = reinterpret_cast<TText2BaseLang>(uintptr_t(procedure));
  std::vector<char16_t> wide(text.size() + 1, 0);
  int32_t written = convert(text.c_str(), wide.data(), int32_t(text.size()), charset);
  if (written < 0) written = 0;
  if (written > int32_t(text.size())) written = int32_t(text.size());
  return WideToUtf8(std::u16string(wide.data(), size_t(written)));
}

}  // namespace ZefText
