#include "entry/library_info.h"

#include "platform/platform.h"

namespace LibraryInfo {

namespace {
// Read during the library's static initialisation: kept in a function-local
// object so that no later initialiser of this unit can reset it.
platform::VersionData& Data() {
  static platform::VersionData data;
  return data;
}
}  // namespace

void Load() { platform::ModuleVersion(reinterpret_cast<const void*>(&Load), Data()); }

const std::string& DriverName() { return Data().FileDescription; }
uint16_t DriverVersion() { return Data().Release; }
uint16_t MinorVersion() { return Data().Minor; }

}  // namespace LibraryInfo
