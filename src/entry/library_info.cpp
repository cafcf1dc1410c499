#include "entry/library_info.h"

#include "platform/platform.h"

namespace LibraryInfo {

namespace {
std::string g_name;
uint16_t g_version = 0;
uint16_t g_minor = 0;
}  // namespace

void Load() {
  platform::VersionData data;
  if (!platform::ModuleVersion(reinterpret_cast<const void*>(&Load), data)) return;
  g_name = data.FileDescription;
  g_version = data.Release;
  g_minor = data.Minor;
}

const std::string& DriverName() { return g_name; }
uint16_t DriverVersion() { return g_version; }
uint16_t MinorVersion() { return g_minor; }

}  // namespace LibraryInfo
