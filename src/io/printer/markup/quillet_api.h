// The exports of the converter library Quillet, as both the library and
// the adapter's binding see them. Blocks are movable memory blocks: the
// receiver frees them. All arguments are 32-bit values or addresses.
#pragma once
#include <cstdint>

#include "io/printer/markup/uf_markup_text.h"
#include "io/printer/markup/uf_print_state.h"
#include "platform/abi.h"
#include "platform/platform.h"

namespace QuilletApi {

constexpr const char* kLibraryBaseName = "quillet";
constexpr const char* kLibraryTitle = "Quillet.DLL";

constexpr const char* kConvertXMLToPRN = "ConvertXMLToPRN";
constexpr const char* kConvertXMLToPRNCharsetLocale = "ConvertXMLToPRNCharsetLocale";
constexpr const char* kSetXMLToPRNCharset = "SetXMLToPRNCharset";
constexpr const char* kConvertPRNToXML = "ConvertPRNToXML";
constexpr const char* kConvertPRNToXMLEx = "ConvertPRNToXMLEx";
constexpr const char* kSetSingleByteToUNICODEProc = "SetSingleByteToUNICODEProc";

// Markup (zero-terminated UTF-8) to PRN with the library's default
// character set; true with the block and its byte count.
using TConvertXMLToPRN = uint8_t(ZEF_STDCALL*)(const char* markup, platform::MemHandle* block, int32_t* size);
using TConvertXMLToPRNCharsetLocale = uint8_t(ZEF_STDCALL*)(const char* markup, int32_t charset, int32_t localeId,
                                                             platform::MemHandle* block, int32_t* size);
// Stores the default character set and returns it.
using TSetXMLToPRNCharset = int32_t(ZEF_STDCALL*)(int32_t charset);
// PRN to the text of a "PRINTUNFISCAL" document; true with the block and
// its byte count.
using TConvertPRNToXML = uint8_t(ZEF_STDCALL*)(uint32_t initialTapes, const tBarCodeDefaults* defaults,
                                                const uint8_t* prn, int32_t count, platform::MemHandle* block,
                                                int32_t* size);
using TConvertPRNToXMLEx = uint8_t(ZEF_STDCALL*)(uint32_t initialTapes, const uint8_t* prn, int32_t count,
                                                  platform::MemHandle* block, int32_t* size);
// Registers (nullptr: clears) the single-byte-to-Unicode procedure; returns it.
using TSetSingleByteToUNICODEProc = TSingleByteToUnicodeProc(ZEF_STDCALL*)(TSingleByteToUnicodeProc procedure);

}  // namespace QuilletApi
