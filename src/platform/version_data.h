// Version data compiled into a module on systems without version resources.
// Each shared library defines one exported ZefModuleVersionData record.
#pragma once
#include <cstdint>

extern "C" struct ZefVersionRecord {
  uint16_t Major, Minor, Release, Build;
  const char* FileDescription;
  const char* ProductName;
};

#define ZEF_VERSION_SYMBOL "ZefModuleVersionData"
