#include <windows.h>

#include "platform/com.h"

namespace platform {

namespace {
using TCoInitialize = HRESULT(WINAPI*)(LPVOID);
using TCoUninitialize = void(WINAPI*)();
}  // namespace

const char* ComLibrary::ModuleName() { return "ole32.dll"; }

bool ComLibrary::Load() {
  Free();
  HMODULE module = LoadLibraryA(ModuleName());
  if (!module) return false;
  initialize_ = reinterpret_cast<void*>(GetProcAddress(module, "CoInitialize"));
  uninitialize_ = reinterpret_cast<void*>(GetProcAddress(module, "CoUninitialize"));
  module_ = module;
  loaded_ = initialize_ && uninitialize_;
  if (!loaded_) Free();
  return loaded_;
}

void ComLibrary::Free() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
  module_ = initialize_ = uninitialize_ = nullptr;
  loaded_ = false;
}

void ComLibrary::Initialize() {
  if (initialize_) reinterpret_cast<TCoInitialize>(initialize_)(nullptr);
}

void ComLibrary::Uninitialize() {
  if (uninitialize_) reinterpret_cast<TCoUninitialize>(uninitialize_)();
}

}  // namespace platform
