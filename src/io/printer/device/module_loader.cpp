#include "io/printer/device/module_loader.h"

namespace {

bool HasDirectory(const std::string& fileName) {
  return fileName.find('/') != std::string::npos || fileName.find('\\') != std::string::npos;
}

}  // namespace

platform::LibraryHandle LoadModule(const std::string& fileName, const std::string& description) {
  if (fileName.empty()) return nullptr;
  if (HasDirectory(fileName)) return platform::OpenLibrary(fileName);
  std::string ownDirectory = platform::DirectoryOf(platform::OwnModulePath());
  platform::LibraryHandle module = platform::OpenLibrary(ownDirectory + fileName);
  if (!module) module = platform::OpenLibrary(fileName);
  return module;
}

void FreeModule(platform::LibraryHandle module) {
  if (module) platform::CloseLibrary(module);
}
