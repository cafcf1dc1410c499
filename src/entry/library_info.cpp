#include "entry/library_info.h"

#include "platform/codepage.h"
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

void Load() {
  platform::VersionData& data = Data();
  if (!platform::ModuleVersion(reinterpret_cast<const void*>(&Load), data)) return;
  // The resource text is in the system code page; the POS wants UTF-8.
  data.FileDescription =
      platform::WideToUtf8(platform::SingleByteToWide(platform::SystemCodePage(), data.FileDescription));
}

const std::string& DriverName() { return Data().FileDescription; }
uint16_t DriverVersion() { return Data().Release; }
uint16_t MinorVersion() { return Data().Minor; }

}  // namespace LibraryInfo
