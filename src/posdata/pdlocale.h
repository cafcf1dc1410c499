// The locale settings through which POS values are shown and parsed.
#pragma once

// Process-wide; the defaults suit a POS with a "." decimal separator and
// day.month.year dates. Set once at start-up, before any value is read.
struct TPDFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '.';  // short date: day, month, four-digit year
  char TimeSeparator = ':';  // long time: hours, minutes, seconds
};

TPDFormatSettings& PDFormatSettings();
