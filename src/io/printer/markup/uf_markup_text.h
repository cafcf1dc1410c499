// Texts that the PRN-to-markup converter writes into the markup: single-byte
// POS text turned into UTF-8, and its own messages in the POS language.
#pragma once
#include <cstdint>
#include <string>

#include "platform/abi.h"

// The host's single-byte-to-Unicode procedure: source bytes (zero-
// terminated), a target of 16-bit characters and its capacity, the
// character-set number; returns the number of characters written.
using TSingleByteToUnicodeProc = int32_t(ZEF_STDCALL*)(const char* source, char16_t* target, int32_t capacity,
                                                       int32_t charset);

namespace UFText {

// Registers the procedure for every later conversion in the process
// (nullptr clears it); returns it.
TSingleByteToUnicodeProc SetSingleByteToUnicodeProc(TSingleByteToUnicodeProc procedure);

// The single-byte text as UTF-8: through the registered procedure, else the
// one the host parameter service gives under "*Text2BaseLangAddr" (asked
// once), else the system code page. With `raw` the bytes stay as they are.
std::string MarkupText(const std::string& bytes, bool raw);

// The message format in the POS language ("*Translate"), or as written.
std::string TranslateText(const std::string& format);

}  // namespace UFText
