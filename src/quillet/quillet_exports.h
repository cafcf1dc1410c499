// The converter library's exported functions (shapes in
// io/printer/markup/quillet_api.h). No exception leaves them: a failure is
// logged through the error service and returned as false with no block.
#pragma once
#include <cstdint>

#include "io/printer/markup/quillet_api.h"

extern "C" {
// The POS's library start, in the same register convention as the
// adapter's INITDLL (stack arguments declared in reverse order): mode 0 or 2
// fills the information record; another mode stores 114 in the error code.
ZEF_EXPORT uint8_t ZEF_REGCALL INITDLL(int32_t a1, int32_t a2, int32_t mode, int32_t* errorCode, uint8_t* info,
                                       int32_t a4);
ZEF_EXPORT uint8_t ZEF_STDCALL ConvertXMLToPRN(const char* markup, platform::MemHandle* block, int32_t* size);
ZEF_EXPORT uint8_t ZEF_STDCALL ConvertXMLToPRNCharsetLocale(const char* markup, int32_t charset, int32_t localeId,
                                                            platform::MemHandle* block, int32_t* size);
ZEF_EXPORT int32_t ZEF_STDCALL SetXMLToPRNCharset(int32_t charset);
ZEF_EXPORT uint8_t ZEF_STDCALL ConvertPRNToXML(uint32_t initialTapes, const tBarCodeDefaults* defaults,
                                               const uint8_t* prn, int32_t count, platform::MemHandle* block,
                                               int32_t* size);
ZEF_EXPORT uint8_t ZEF_STDCALL ConvertPRNToXMLEx(uint32_t initialTapes, const uint8_t* prn, int32_t count,
                                                 platform::MemHandle* block, int32_t* size);
ZEF_EXPORT TSingleByteToUnicodeProc ZEF_STDCALL SetSingleByteToUNICODEProc(TSingleByteToUnicodeProc procedure);
}

// Offsets of the library information record filled by INITDLL.
namespace QuilletInfoLayout {
constexpr size_t kTwo = 8;           // int32, set to 2
constexpr size_t kRelease = 12;      // int32, third part of the file version
constexpr size_t kDescription = 280; // short string, UTF-8
constexpr int32_t kBadMode = 114;
}  // namespace QuilletInfoLayout
