// What a library knows of itself from its version data: the parts of its
// file version and its description in UTF-8.
#pragma once
#include <cstdint>
#include <string>

struct tModuleInfo {
  // 1 major, 2 minor, 3 release, 4 build; -1 each when the module has no
  // version data.
  int32_t Major = -1, Minor = -1, Release = -1, Build = -1;
  std::string Description;  // FileDescription, UTF-8
};

// The version data of the module that contains `address`.
tModuleInfo ReadModuleInfo(const void* address);
