// Loading of libraries that other modules may share with this one (the
// converter library, the POS's parameter service): through the module
// registry when it can be loaded, else directly; the adapter's own
// directory is searched before the system's search path.
#pragma once
#include <string>

#include "platform/platform.h"

struct tLoadedModule {
  platform::LibraryHandle Handle = nullptr;
  bool ThroughRegistry = false;
  std::string Version;  // "7.0.52.0" when the registry describes the module, else empty
};

namespace ModuleRegistry {

// Loads the library of the file name (without directory); Handle is null
// when it cannot be loaded.
tLoadedModule Load(const std::string& fileName);
void Free(tLoadedModule& module);

}  // namespace ModuleRegistry
