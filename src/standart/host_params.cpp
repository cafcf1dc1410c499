#include "standart/host_params.h"

#include "standart/pos_callback.h"

#include <mutex>

#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/module_registry.h"

namespace HostParams {

namespace {

std::mutex g_lock;
bool g_bound = false;  // a load was attempted (or the function was set)
TGetParamValue g_function = nullptr;
tLoadedModule g_library;

const char* const kGetParamValue = "GetParamValue";

TGetParamValue BindLibrary() {
  if (!g_library.Handle) g_library = ModuleRegistry::Load(platform::LibraryFileName("params"));
  if (!g_library.Handle) return nullptr;
  return reinterpret_cast<TGetParamValue>(platform::FindFunction(g_library.Handle, kGetParamValue));
}

TGetParamValue Function() {
  std::lock_guard<std::mutex> lock(g_lock);
  if (!g_bound) {
    g_bound = true;
    g_function = BindLibrary();
  }
  return g_function;
}

}  // namespace

// The adapter's file does not move while it is loaded: its path is
// resolved once, not for every parameter read.
std::string AdapterFileName() {
  static const std::string name = platform::FileNameOf(platform::OwnModulePath());
  return name;
}

bool Get(const std::string& name, int32_t number, int32_t index, uint32_t& value, std::string& text) {
  TGetParamValue get = Function();
  if (!get) return false;
  uint8_t nameBuf[256];
  uint8_t textBuf[256];
  StoreShortString(nameBuf, name);
  StoreShortString(textBuf, text);
  if (!get(nameBuf, number, index, &value, textBuf, 255)) return false;
  text = ShortStringValue(textBuf);
  return true;
}

bool DeviceParam(int32_t number, int32_t index, uint32_t& value, std::string& text) {
  return Get(AdapterFileName(), number, index, value, text);
}

std::string Translate(const std::string& message) {
  uint32_t value = 0;
  std::string text = message;
  return Get("*Translate", 0, 0, value, text) ? text : message;
}

int32_t MainCharset(int32_t unanswered) {
  uint32_t callback = 0;
  std::string text;
  if (!Get("*IntCallback", 0, 0, callback, text) || callback == 0) return unanswered;
  int32_t charset = 0;
  return PosHost::tHost(callback).IntValue("MainCharset", charset) ? charset : unanswered;
}

bool Available() { return Function() != nullptr; }

void OverrideFunction(TGetParamValue function) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_bound = true;
  g_function = function;
}

void Reset() {
  std::lock_guard<std::mutex> lock(g_lock);
  g_bound = false;
  g_function = nullptr;
}

}  // namespace HostParams
