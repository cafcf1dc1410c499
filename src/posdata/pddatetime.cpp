#include "posdata/pddatetime.h"

#include <cstdio>
#include <vector>

#include "posdata/pdlocale.h"
#include "posdata/vartype.h"
#include "standart/civil_date.h"
#include "standart/text.h"

namespace {

using CivilDate::CivilFromDays;
using CivilDate::DaysFromCivil;

const int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int64_t DaysInMonth(int64_t y, int64_t m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Splits "12.05.2026" by a separator into numbers; false on anything but digits.
bool SplitNumbers(const std::string& text, char separator, std::vector<int64_t>& out) {
  out.clear();
  int64_t value = 0;
  int digits = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      if (digits == 0) return false;
      out.push_back(value);
      value = 0;
      digits = 0;
    } else if (text[i] >= '0' && text[i] <= '9' && digits < 9) {
      value = value * 10 + (text[i] - '0');
      ++digits;
    } else {
      return false;
    }
  }
  return true;
}

bool ValidTime(int64_t h, int64_t n, int64_t s, int64_t z) {
  return h >= 0 && h <= 23 && n >= 0 && n <= 59 && s >= 0 && s <= 59 && z >= 0 && z <= 999;
}

int64_t TimeMs(int64_t h, int64_t n, int64_t s, int64_t z) { return ((h * 60 + n) * 60 + s) * 1000 + z; }

bool ValidDate(int64_t year, int64_t month, int64_t day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

// A day before the epoch counts its time backwards, as the day-count type does.
int64_t Combine(int64_t days, int64_t time) { return days < 0 ? days * MsPerDay - time : days * MsPerDay + time; }

bool ParseDate(const std::string& text, int64_t& days) {
  std::vector<int64_t> n;
  if (!SplitNumbers(text, PDFormatSettings().DateSeparator, n) || n.size() != 3) return false;
  int64_t day = n[0], month = n[1], year = n[2];
  if (year < 100) year += 2000;
  if (!ValidDate(year, month, day)) return false;
  days = DaysFromCivil(year, month, day) - kEpochDays;
  return true;
}

bool ParseTime(const std::string& text, int64_t& ms) {
  std::string clock = text;
  int64_t millis = 0;
  const size_t dot = text.find('.');
  if (dot != std::string::npos) {
    std::vector<int64_t> z;
    if (!SplitNumbers(text.substr(dot + 1), '\0', z)) return false;
    millis = z[0];
    clock = text.substr(0, dot);
  }
  std::vector<int64_t> n;
  if (!SplitNumbers(clock, PDFormatSettings().TimeSeparator, n) || n.size() < 2 || n.size() > 3)
    return false;
  const int64_t seconds = n.size() == 3 ? n[2] : 0;
  if (!ValidTime(n[0], n[1], seconds, millis)) return false;
  ms = TimeMs(n[0], n[1], seconds, millis);
  return true;
}

}  // namespace

std::string FormatDateTimeMs(int64_t ms) {
  const int64_t days = ms / MsPerDay;
  int64_t timeOfDay = ms % MsPerDay;
  if (timeOfDay < 0) timeOfDay = -timeOfDay;
  int64_t y, m, d;
  CivilFromDays(days + kEpochDays, y, m, d);
  const TPDFormatSettings& fs = PDFormatSettings();
  char buf[96];
  int len = std::snprintf(buf, sizeof buf, "%02d%c%02d%c%04lld", int(d), fs.DateSeparator, int(m),
                          fs.DateSeparator, static_cast<long long>(y));
  if (timeOfDay != 0) {
    const int64_t s = timeOfDay / 1000;
    std::snprintf(buf + len, sizeof buf - len, " %d%c%02d%c%02d", int(s / 3600), fs.TimeSeparator,
                  int(s / 60 % 60), fs.TimeSeparator, int(s % 60));
  }
  return buf;
}

bool TryParseDateTimeMs(const std::string& text, int64_t& ms) {
  const std::string t = Trim(text);
  const size_t blank = t.find(' ');
  int64_t days = 0, time = 0;
  if (blank != std::string::npos) {
    if (!ParseDate(t.substr(0, blank), days) || !ParseTime(Trim(t.substr(blank + 1)), time))
      return false;
  } else if (t.find(PDFormatSettings().TimeSeparator) != std::string::npos) {
    if (!ParseTime(t, time)) return false;
  } else if (!ParseDate(t, days)) {
    return false;
  }
  ms = Combine(days, time);
  return true;
}

bool EncodeDateTimeMs(int year, int month, int day, int hour, int minute, int second, int millis,
                      int64_t& ms) {
  if (!ValidDate(year, month, day) || !ValidTime(hour, minute, second, millis)) return false;
  ms = Combine(DaysFromCivil(year, month, day) - kEpochDays, TimeMs(hour, minute, second, millis));
  return true;
}
