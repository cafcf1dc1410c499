#include "standart/host_params.h"

#include <mutex>

#include "platform/platform.h"
#include "standart/errors.h"

namespace HostParams {

namespace {

std::mutex g_lock;
bool g_bound = false;  // a load was attempted (or the function was set)
TGetParamValue g_function = nullptr;
platform::LibraryHandle g_library = nullptr;

const char* const kGetParamValue = "GetParamValue";

TGetParamValue BindLibrary() {
  std::string fileName = platform::LibraryFileName("params");
  std::string ownDir = platform::DirectoryOf(platform::OwnModulePath());
  g_library = platform::OpenLibrary(ownDir + fileName);
  if (!g_library) g_library = platform::OpenLibrary(fileName);
  if (!g_library) return nullptr;
  return reinterpret_cast<TGetParamValue>(platform::FindFunction(g_library, kGetParamValue));
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

std::string AdapterFileName() { return platform::FileNameOf(platform::OwnModulePath()); }

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
