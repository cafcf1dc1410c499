#include "entry/library_info.h"

#include "standart/module_info.h"

namespace LibraryInfo {

namespace {
// Read during the library's static initialisation: kept in a function-local
// object so that no later initialiser of this unit can reset it.
tModuleInfo& Data() {
  static tModuleInfo data;
  return data;
}
uint16_t Part(int32_t value) { return value < 0 ? 0 : uint16_t(value); }
}  // namespace

void Load() { Data() = ReadModuleInfo(reinterpret_cast<const void*>(&Load)); }

const std::string& DriverName() { return Data().Description; }
uint16_t DriverVersion() { return Part(Data().Release); }

}  // namespace LibraryInfo
