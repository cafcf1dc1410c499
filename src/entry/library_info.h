// What the adapter knows of itself: name and version numbers from its own
// version data, read once at library start.
#pragma once
#include <cstdint>
#include <string>

namespace LibraryInfo {

// Reads the version data of the module containing this code.
void Load();
// FileDescription in UTF-8.
const std::string& DriverName();
uint16_t DriverVersion();  // third component of the file version

}  // namespace LibraryInfo
