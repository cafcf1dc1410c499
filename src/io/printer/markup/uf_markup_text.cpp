#include "io/printer/markup/uf_markup_text.h"

#include <atomic>
#include <vector>

#include "standart/host_params.h"
#include "xml/textconv.h"

namespace UFText {

namespace {

std::atomic<TSingleByteToUnicodeProc> g_registered{nullptr};

TSingleByteToUnicodeProc HostProcedure() {
  static const TSingleByteToUnicodeProc procedure = [] {
    uint32_t address = 0;
    std::string text;
    if (!HostParams::Get("*Text2BaseLangAddr", 0, 0, address, text) || address == 0)
      return TSingleByteToUnicodeProc(nullptr);
    return reinterpret_cast<TSingleByteToUnicodeProc>(uintptr_t(address));
  }();
  return procedure;
}

bool IsAscii(const std::string& bytes) {
  for (char c : bytes)
    if (uint8_t(c) >= 0x80) return false;
  return true;
}

std::string ThroughProcedure(TSingleByteToUnicodeProc procedure, const std::string& bytes) {
  std::vector<char16_t> wide(bytes.size() + 1, 0);
  int32_t count = procedure(bytes.c_str(), wide.data(), int32_t(bytes.size()), 0);
  if (count < 0) count = 0;
  if (size_t(count) > bytes.size()) count = int32_t(bytes.size());
  return WideToUtf8(std::u16string(wide.data(), size_t(count)));
}

}  // namespace

TSingleByteToUnicodeProc SetSingleByteToUnicodeProc(TSingleByteToUnicodeProc procedure) {
  g_registered.store(procedure);
  return procedure;
}

std::string MarkupText(const std::string& bytes, bool raw) {
  if (raw || bytes.empty()) return bytes;
  TSingleByteToUnicodeProc procedure = g_registered.load();
  if (!procedure) procedure = HostProcedure();
  if (procedure) return ThroughProcedure(procedure, bytes);
  // ASCII is the same in UTF-8 and every system code page.
  if (IsAscii(bytes)) return bytes;
  return CodePageToUtf8(bytes, 0);
}

std::string TranslateText(const std::string& format) { return HostParams::Translate(format); }

}  // namespace UFText
