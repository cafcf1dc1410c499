// Text conversions shared by the whole system: UTF-8 to and from UTF-16 and
// single-byte code pages, Windows character sets and locales.
#pragma once
#include <cstdint>
#include <string>

#include "platform/codepage.h"

// UTF-8 to and from UTF-16 (see platform/codepage.h).
inline std::u16string Utf8ToWide(const std::string& utf8) { return platform::Utf8ToWide(utf8); }
inline std::string WideToUtf8(const std::u16string& wide) { return platform::WideToUtf8(wide); }
inline bool IsValidUtf8(const std::string& bytes) { return platform::IsValidUtf8(bytes); }

// True when the text has at least 3 bytes and begins with EF BB BF.
bool HasUtf8Bom(const std::string& bytes);

// Bytes of a code page (0: the system code page, 65001: UTF-8 itself) to
// UTF-8, and back. No validity check is made.
std::string CodePageToUtf8(const std::string& bytes, uint32_t codePage);
std::string Utf8ToCodePage(const std::string& utf8, uint32_t codePage);

// Bytes in the code page of a Windows character set (the system code page
// for DEFAULT_CHARSET, 1) to UTF-8.
std::string CharsetToUtf8(const std::string& bytes, int32_t charset);

// UTF-8 to the code page of a Windows character set (the system code page
// for DEFAULT_CHARSET, 1). Input that is not valid UTF-8 raises
// tInterfacedException "Wrong charset: utf8 is needed (<input>)".
std::string Utf8ToCharset(const std::string& utf8, int32_t charset);

// UTF-8 to the ANSI code page of a locale identifier, with the same check.
std::string Utf8ToLocale(const std::string& utf8, uint32_t localeId);

// The code page of an XML encoding name, compared case-insensitively:
// "UTF-8" 65001, "Windows-1251" 1251, "IBM866" and "CP866" 866, else 0.
uint32_t CodePageOfEncoding(const std::string& encoding);
