// Single-byte code pages: portable tables, so that every platform converts
// the same bytes to the same characters, and the mappings from Windows
// character-set numbers and locale identifiers to code pages.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

constexpr uint32_t kCodePageSystem = 0;  // CP_ACP: the system code page
constexpr uint32_t kCodePageOem866 = 866;
constexpr uint32_t kCodePageCyrillic = 1251;
constexpr uint32_t kCodePageUtf8 = 65001;

// The system (ANSI) code page: GetACP() on Windows, 1251 elsewhere.
uint32_t SystemCodePage();

// The code page of a Windows character-set number (RUSSIAN_CHARSET 204 is
// 1251, ANSI_CHARSET 0 is 1252, ...), as the Windows character-set
// translation gives it; DEFAULT_CHARSET (1) and unknown sets give the
// system code page.
uint32_t CharsetCodePage(int32_t charset);

// The default ANSI code page of a locale identifier, by its primary
// language; locales without one (Georgian, Armenian, ...) give the system
// code page.
uint32_t LocaleCodePage(uint32_t localeId);

// True for the single-byte code pages that have a table here: 866, 874 and
// 1250 to 1258.
bool HasCodePageTable(uint32_t codePage);

// Bytes of a single-byte code page to UTF-16. Bytes below 0x80 are ASCII;
// bytes that the code page leaves unassigned give U+0080..U+00FF of the same
// value, as Windows does. Code page 0, and a code page without a table,
// stand for the system code page (itself 1252 when it has no table).
std::u16string SingleByteToWide(uint32_t codePage, const std::string& bytes);

// UTF-16 to bytes of a single-byte code page; characters that the code page
// cannot show become '?'. Code pages are taken as in SingleByteToWide.
std::string WideToSingleByte(uint32_t codePage, const std::u16string& text);

// UTF-8 to UTF-16. Characters above U+FFFF become surrogate pairs; each
// malformed sequence gives U+FFFD for its first byte and goes on after it.
std::u16string Utf8ToWide(const std::string& utf8);
// UTF-16 to UTF-8: one to three bytes per unit, four for a surrogate pair;
// a lone surrogate becomes U+FFFD.
std::string WideToUtf8(const std::u16string& wide);
// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const std::string& bytes);

}  // namespace platform
