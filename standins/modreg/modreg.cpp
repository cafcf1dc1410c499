// Module registry stand-in: one registration per file name with a
// reference count; the module is freed with its last registration.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/abi.h"
#include "platform/platform.h"
#include "platform/version_data.h"
#include "standart/modreg_api.h"

namespace {

struct tModule {
  platform::LibraryHandle Handle;
  int References;
};

std::mutex g_lock;
std::map<std::string, tModule> g_modules;  // by the file name as registered

std::map<std::string, tModule>::iterator FindByHandle(uintptr_t handle) {
  for (auto it = g_modules.begin(); it != g_modules.end(); ++it)
    if (reinterpret_cast<uintptr_t>(it->second.Handle) == handle) return it;
  return g_modules.end();
}

bool Describe(const std::string& fileName, const tModule& module, ModReg::tDLLInfo* info) {
  if (!info || info->Size < int32_t(sizeof(ModReg::tDLLInfo))) return false;
  info->Handle = reinterpret_cast<uintptr_t>(module.Handle);
  std::memset(info->Version, 0, sizeof info->Version);
  platform::VersionData version;
  // An address inside the module: its version record where one is
  // exported (POSIX), else the module handle, which is its base address.
  const void* inside = platform::FindFunction(module.Handle, ZEF_VERSION_SYMBOL);
  if (!inside) inside = module.Handle;
  if (platform::ModuleVersion(inside, version)) {
    info->Version[0] = version.Major;
    info->Version[1] = version.Minor;
    info->Version[2] = version.Release;
    info->Version[3] = version.Build;
  }
  std::strncpy(info->FileName, fileName.c_str(), sizeof info->FileName - 1);
  info->FileName[sizeof info->FileName - 1] = 0;
  return true;
}

}  // namespace

ZEF_EXPORT int32_t ZEF_STDCALL RegisterDLLs(const char* fileName, uint32_t flags, int32_t reserved) {
  if (!fileName || !*fileName) return 0;
  std::lock_guard<std::mutex> lock(g_lock);
  auto found = g_modules.find(fileName);
  if (found != g_modules.end()) {
    ++found->second.References;
    return 1;
  }
  platform::LibraryHandle handle = platform::OpenLibrary(fileName);
  if (!handle) return 0;
  g_modules[fileName] = tModule{handle, 1};
  return 1;
}

ZEF_EXPORT uint8_t ZEF_STDCALL GetDLLInfo(const char* fileName, ModReg::tDLLInfo* info) {
  if (!fileName) return 0;
  std::lock_guard<std::mutex> lock(g_lock);
  auto found = g_modules.find(fileName);
  return found != g_modules.end() && Describe(found->first, found->second, info);
}

ZEF_EXPORT uint8_t ZEF_STDCALL GetDLLInfoByHandle(uintptr_t handle, ModReg::tDLLInfo* info) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto found = FindByHandle(handle);
  return found != g_modules.end() && Describe(found->first, found->second, info);
}

ZEF_EXPORT uint8_t ZEF_STDCALL UnRegisterDLL(uintptr_t handle) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto found = FindByHandle(handle);
  if (found == g_modules.end()) return 0;
  if (--found->second.References == 0) {
    platform::CloseLibrary(found->second.Handle);
    g_modules.erase(found);
  }
  return 1;
}
