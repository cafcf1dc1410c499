// Small text helpers shared by the modules: trimming and decimal numbers.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The text without leading and trailing blanks and control characters
// (every byte up to the space).
std::string Trim(std::string_view text);

// A decimal int32: an optional sign and digits only, nothing around them;
// the whole range from -2147483648 to 2147483647. False (value unchanged)
// for anything else.
bool ParseDecimal(std::string_view text, int32_t& value);
