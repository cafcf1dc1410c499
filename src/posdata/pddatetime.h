// Date-time texts of POS values: milliseconds since 30 December 1899.
#pragma once
#include <cstdint>
#include <string>

// Short date, then the long time unless the value is exactly midnight.
std::string FormatDateTimeMs(int64_t ms);
// Accepts "d.m.y", "d.m.y h:n[:s[.z]]" and "h:n[:s[.z]]" with the locale's
// separators; false for any other text.
bool TryParseDateTimeMs(const std::string& text, int64_t& ms);
// The value of a calendar date and time of day; false for an invalid date.
bool EncodeDateTimeMs(int year, int month, int day, int hour, int minute, int second, int millis,
                      int64_t& ms);
