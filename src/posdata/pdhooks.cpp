#include "posdata/pdhooks.h"

namespace {
TPDHooks& HookStore() {
  static TPDHooks hooks;
  return hooks;
}
}  // namespace

void SetPDHooks(const TPDHooks& hooks) { HookStore() = hooks; }
const TPDHooks& PDHooks() { return HookStore(); }

std::string Translate(const std::string& text) {
  const TTranslateHook hook = PDHooks().Translate;
  std::string result;
  if (hook != nullptr && hook(text, result)) return result;
  return text;
}
