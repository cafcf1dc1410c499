// The text conversion of the fiscal documents: a POS text (single-byte, or
// UTF-8 behind a byte order mark) as UTF-8.
#pragma once
#include <cstdint>
#include <string>

#include "platform/abi.h"

namespace ZefText {

// The POS's single-byte-to-Unicode procedure: source bytes (zero-terminated),
// target buffer, its capacity in characters, character-set number; returns
// the characters written.
using TText2BaseLang = int32_t(ZEF_STDCALL*)(const char* source, char16_t* target, int32_t capacity,
                                             int32_t charset);

// A text that starts with the UTF-8 byte order mark is UTF-8 already (the
// mark is dropped); any other text goes through the procedure at `procedure`
// (an address, 0: none) with the character-set number, or through the
// system code page when there is none.
std::string ToUtf8(const std::string& text, int32_t charset, uint32_t procedure);

}  // namespace ZefText
