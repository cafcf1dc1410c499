#include "standart/module_info.h"

#include "platform/codepage.h"
#include "platform/platform.h"

tModuleInfo ReadModuleInfo(const void* address) {
  tModuleInfo info;
  platform::VersionData data;
  if (!platform::ModuleVersion(address, data)) return info;
  info.Major = data.Major;
  info.Minor = data.Minor;
  info.Release = data.Release;
  info.Build = data.Build;
  // The resource text is in the system code page; the POS wants UTF-8.
  info.Description = platform::WideToUtf8(platform::SingleByteToWide(platform::SystemCodePage(), data.FileDescription));
  return info;
}
