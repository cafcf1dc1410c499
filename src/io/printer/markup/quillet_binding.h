// The adapter's binding of the converter library Quillet: loaded once per
// process by name (through the module registry when there is one) and kept
// until the adapter unloads; its functions are looked up by name.
#pragma once
#include <string>

#include "io/printer/markup/quillet_api.h"

class tQuilletBinding {
 public:
  // The process-wide binding; the first call loads the library.
  static tQuilletBinding& Instance();

  bool Loaded() const { return module_ != nullptr; }
  // "Quillet.DLL version 7.0.52.0" when the module registry described the
  // library, else empty.
  const std::string& VersionText() const { return versionText_; }

  // Markup to PRN needs SetXMLToPRNCharset, ConvertXMLToPRN and
  // ConvertPRNToXML; a library without one of them is too old for it.
  bool MarkupToPrnUsable() const { return SetXMLToPRNCharset && ConvertXMLToPRN && ConvertPRNToXML; }

  // Null when the library or the function is missing.
  QuilletApi::TConvertXMLToPRN ConvertXMLToPRN = nullptr;
  QuilletApi::TConvertXMLToPRNCharsetLocale ConvertXMLToPRNCharsetLocale = nullptr;
  QuilletApi::TSetXMLToPRNCharset SetXMLToPRNCharset = nullptr;
  QuilletApi::TConvertPRNToXML ConvertPRNToXML = nullptr;
  QuilletApi::TSetSingleByteToUNICODEProc SetSingleByteToUNICODEProc = nullptr;

 private:
  tQuilletBinding();
  platform::LibraryHandle module_ = nullptr;
  std::string versionText_;
};

// The bytes of a block handed over by the library, which is then freed
// (also when it is empty).
std::string TakeBlockBytes(platform::MemHandle block, int32_t size);
