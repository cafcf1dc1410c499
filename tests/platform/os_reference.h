// The operating system's own text conversions, as the reference that the
// platform layer's portable code-page tables are checked against: iconv on
// POSIX, MultiByteToWideChar and WideCharToMultiByte on Windows.
#pragma once
#include <cstdint>
#include <string>

namespace os_reference {

// Bytes of a code page (866, 1251, 65001, ...) to UTF-16. False when the
// system refuses the input: a byte the code page leaves unassigned (POSIX)
// or, with `strict`, malformed UTF-8.
bool BytesToWide(uint32_t codePage, const std::string& bytes, bool strict, std::u16string& out);

// UTF-16 to bytes of a code page, exact mappings only (no best fit). False
// when a character has no exact form in the code page.
bool WideToBytes(uint32_t codePage, const std::u16string& text, std::string& out);

}  // namespace os_reference
