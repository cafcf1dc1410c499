// Small text helpers shared by the modules: trimming and the integer parsers.
// Each parser says in its name what it accepts; every one leaves the value
// unchanged and answers false for anything else and for a value outside
// its type.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The text without leading and trailing blanks and control characters
// (every byte up to the space).
std::string Trim(std::string_view text);

// An optional sign and decimal digits, nothing around them.
bool ParseDecimal(std::string_view text, int32_t& value);

// As ParseDecimal, after any number of leading spaces (the POS's integer
// cells).
bool ParseDecimalAfterSpaces(std::string_view text, int64_t& value);

// Decimal digits only, no sign (parts of dates and document numbers).
bool ParseDigits(std::string_view text, int32_t& value);

// After leading blanks and control characters, an optional sign and a
// decimal or hexadecimal ("$1F", "0x1F") integer, as the print markup and
// the PRN stream write them. A hexadecimal value is the bit pattern of the
// type, so "$FFFFFFFF" is -1 as an int32.
bool ParseDecimalOrHex(std::string_view text, int32_t& value);
bool ParseDecimalOrHex(std::string_view text, int64_t& value);
