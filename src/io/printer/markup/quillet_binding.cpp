#include "io/printer/markup/quillet_binding.h"

#include <cstring>

#include "standart/module_registry.h"

namespace {

template <class F>
F Function(platform::LibraryHandle module, const char* name) {
  return module ? reinterpret_cast<F>(platform::FindFunction(module, name)) : nullptr;
}

}  // namespace

tQuilletBinding& tQuilletBinding::Instance() {
  static tQuilletBinding binding;
  return binding;
}

// The module is never freed: other threads may be inside it until the
// process ends, and the library is small.
tQuilletBinding::tQuilletBinding() {
  tLoadedModule module = ModuleRegistry::Load(platform::LibraryFileName(QuilletApi::kLibraryBaseName));
  module_ = module.Handle;
  if (!module.Version.empty()) versionText_ = std::string(QuilletApi::kLibraryTitle) + " version " + module.Version;
  using namespace QuilletApi;
  ConvertXMLToPRN = Function<TConvertXMLToPRN>(module_, kConvertXMLToPRN);
  ConvertXMLToPRNCharsetLocale = Function<TConvertXMLToPRNCharsetLocale>(module_, kConvertXMLToPRNCharsetLocale);
  SetXMLToPRNCharset = Function<TSetXMLToPRNCharset>(module_, kSetXMLToPRNCharset);
  ConvertPRNToXML = Function<TConvertPRNToXML>(module_, kConvertPRNToXML);
  SetSingleByteToUNICODEProc = Function<TSetSingleByteToUNICODEProc>(module_, kSetSingleByteToUNICODEProc);
}

std::string TakeBlockBytes(platform::MemHandle block, int32_t size) {
  if (!block) return std::string();
  std::string bytes;
  size_t count = size > 0 ? std::min(size_t(size), platform::MemSize(block)) : 0;
  if (count > 0) {
    bytes.assign(static_cast<const char*>(platform::MemLock(block)), count);
    platform::MemUnlock(block);
  }
  platform::MemFree(block);
  return bytes;
}
