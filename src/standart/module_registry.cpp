#include "standart/module_registry.h"


#include "standart/format.h"
#include "standart/modreg_api.h"

namespace ModuleRegistry {

namespace {

struct tRegistry {
  platform::LibraryHandle Library = nullptr;
  ModReg::TRegisterDLLs RegisterDLLs = nullptr;
  ModReg::TGetDLLInfo GetDLLInfo = nullptr;
  ModReg::TGetDLLInfoByHandle GetDLLInfoByHandle = nullptr;
  ModReg::TUnRegisterDLL UnRegisterDLL = nullptr;
  bool Usable() const { return RegisterDLLs && GetDLLInfo && GetDLLInfoByHandle && UnRegisterDLL; }
};

platform::LibraryHandle OpenFromOwnDirectoryFirst(const std::string& fileName) {
  std::string ownDirectory = platform::DirectoryOf(platform::OwnModulePath());
  platform::LibraryHandle library = platform::OpenLibrary(ownDirectory + fileName);
  return library ? library : platform::OpenLibrary(fileName);
}

template <class F>
F Function(platform::LibraryHandle library, const char* name) {
  return reinterpret_cast<F>(platform::FindFunction(library, name));
}

// Loaded once per module and kept for its life: the registry holds the
// modules it loaded for us.
const tRegistry& Registry() {
  static const tRegistry registry = [] {
    tRegistry r;
    r.Library = OpenFromOwnDirectoryFirst(platform::LibraryFileName(ModReg::kLibraryBaseName));
    if (!r.Library) return r;
    r.RegisterDLLs = Function<ModReg::TRegisterDLLs>(r.Library, "RegisterDLLs");
    r.GetDLLInfo = Function<ModReg::TGetDLLInfo>(r.Library, "GetDLLInfo");
    r.GetDLLInfoByHandle = Function<ModReg::TGetDLLInfoByHandle>(r.Library, "GetDLLInfoByHandle");
    r.UnRegisterDLL = Function<ModReg::TUnRegisterDLL>(r.Library, "UnRegisterDLL");
    return r;
  }();
  return registry;
}

bool LoadThroughRegistry(const tRegistry& registry, const std::string& path, tLoadedModule& module) {
  if (registry.RegisterDLLs(path.c_str(), ModReg::kRegisterFlags, 0) <= 0) return false;
  ModReg::tDLLInfo info{};
  info.Size = sizeof info;
  if (!registry.GetDLLInfo(path.c_str(), &info) || !info.Handle) return false;
  module.Handle = reinterpret_cast<platform::LibraryHandle>(info.Handle);
  module.ThroughRegistry = true;
  ModReg::tDLLInfo described{};
  described.Size = sizeof described;
  if (registry.GetDLLInfoByHandle(info.Handle, &described))
    module.Version = Fmt("%d.%d.%d.%d", described.Version[0], described.Version[1], described.Version[2],
                         described.Version[3]);
  return true;
}

}  // namespace

tLoadedModule Load(const std::string& fileName) {
  tLoadedModule module;
  const tRegistry& registry = Registry();
  if (registry.Usable()) {
    std::string ownPath = platform::DirectoryOf(platform::OwnModulePath()) + fileName;
    if (LoadThroughRegistry(registry, ownPath, module) || LoadThroughRegistry(registry, fileName, module))
      return module;
  }
  module.Handle = OpenFromOwnDirectoryFirst(fileName);
  return module;
}

void Free(tLoadedModule& module) {
  if (!module.Handle) return;
  if (module.ThroughRegistry)
    Registry().UnRegisterDLL(reinterpret_cast<uintptr_t>(module.Handle));
  else
    platform::CloseLibrary(module.Handle);
  module = tLoadedModule();
}

}  // namespace ModuleRegistry
