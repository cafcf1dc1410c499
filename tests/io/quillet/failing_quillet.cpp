// A converter library that has every export and fails at run time: the
// markup conversions refuse, the PRN conversion hands over a block that is
// no XML document.
#include <cstring>

#include "io/printer/markup/quillet_api.h"
#include "platform/platform.h"

namespace {

platform::MemHandle Block(const char* text) {
  size_t size = std::strlen(text);
  platform::MemHandle block = platform::MemAlloc(platform::kMemMovable, size);
  std::memcpy(platform::MemLock(block), text, size);
  platform::MemUnlock(block);
  return block;
}

}  // namespace

ZEF_EXPORT uint8_t ZEF_STDCALL ConvertXMLToPRN(const char*, platform::MemHandle* block, int32_t* size) {
  *block = 0;
  *size = 0;
  return 0;
}

ZEF_EXPORT uint8_t ZEF_STDCALL ConvertXMLToPRNCharsetLocale(const char* markup, int32_t, int32_t,
                                                            platform::MemHandle* block, int32_t* size) {
  return ConvertXMLToPRN(markup, block, size);
}

ZEF_EXPORT int32_t ZEF_STDCALL SetXMLToPRNCharset(int32_t charset) { return charset; }

ZEF_EXPORT uint8_t ZEF_STDCALL ConvertPRNToXML(uint32_t, const tBarCodeDefaults*, const uint8_t*, int32_t,
                                               platform::MemHandle* block, int32_t* size) {
  static const char kBroken[] = "<PRINTUNFISCAL><Unfiscal Slip=\"0\">";
  *block = Block(kBroken);
  *size = int32_t(sizeof kBroken - 1);
  return 1;
}

ZEF_EXPORT uint8_t ZEF_STDCALL ConvertPRNToXMLEx(uint32_t, const uint8_t*, int32_t, platform::MemHandle* block,
                                                 int32_t* size) {
  *block = 0;
  *size = 0;
  return 0;
}

ZEF_EXPORT TSingleByteToUnicodeProc ZEF_STDCALL SetSingleByteToUNICODEProc(TSingleByteToUnicodeProc procedure) {
  return procedure;
}
