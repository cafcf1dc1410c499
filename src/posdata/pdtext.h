// Text comparisons of the data container.
#pragma once
#include <string>

// Equal ignoring ASCII letter case.
bool SameTextAscii(const std::string& a, const std::string& b);
// Equal ignoring letter case of the POS's single-byte code page (Latin and
// Windows Cyrillic letters).
bool SameTextLocale(const std::string& a, const std::string& b);
// Position of `needle` in `text` ignoring ASCII case, or npos.
size_t FindTextAscii(const std::string& text, const std::string& needle);
