#include "xml/xmlvalue.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <cstdio>
#include <ctime>

#include "xml/base64.h"
#include "xml/textconv.h"
#include "xml/xmlexception.h"
#include "standart/civil_date.h"

namespace {

constexpr double kMsPerDay = 86400000.0;
constexpr int64_t kMinDay = -693593;  // 0001-01-01
constexpr int64_t kMaxDay = 2958465;  // 9999-12-31

using CivilDate::CivilFromDays;
using CivilDate::DaysFromCivil;

const int64_t kEpochShift = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool IsValidDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + (m == 2 && IsLeap(y));
}

std::string ShortestFloat(double value, bool single) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buffer[64];
  auto result = single ? std::to_chars(buffer, buffer + sizeof buffer, float(value))
                       : std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string CurrencyText(int64_t tenThousandths) {
  bool negative = tenThousandths < 0;
  uint64_t magnitude = negative ? 0 - uint64_t(tenThousandths) : uint64_t(tenThousandths);
  std::string text = std::to_string(magnitude / 10000);
  unsigned fraction = unsigned(magnitude % 10000);
  if (fraction) {
    char digits[8];
    std::snprintf(digits, sizeof digits, ".%04u", fraction);
    std::string tail(digits);
    while (tail.back() == '0') tail.pop_back();
    text += tail;
  }
  return negative ? "-" + text : text;
}

std::string DateText(tXmlDateTime value) {
  int y, m, d, h, n, s, ms;
  if (!value.Decode(y, m, d, h, n, s, ms)) return "*** ERROR !!! ***";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d", y, m, d, h, n, s);
  return buffer;
}

}  // namespace

tXmlDateTime tXmlDateTime::EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    RaiseXmlError("Invalid time");
  return {(hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / kMsPerDay};
}

tXmlDateTime tXmlDateTime::Encode(int year, int month, int day, int hour, int minute, int second,
                                  int millisecond) {
  if (!IsValidDate(year, month, day)) RaiseXmlError("Invalid date");
  double date = double(DaysFromCivil(year, month, day) - kEpochShift);
  double time = EncodeTime(hour, minute, second, millisecond).Days;
  return {date < 0 ? date - time : date + time};
}

bool tXmlDateTime::Decode(int& year, int& month, int& day, int& hour, int& minute, int& second,
                          int& millisecond) const {
  if (!std::isfinite(Days) || Days < double(kMinDay) - 1 || Days >= double(kMaxDay) + 1) return false;
  int64_t date = int64_t(std::trunc(Days));
  int64_t ms = std::llround(std::fabs(Days - double(date)) * kMsPerDay);
  if (ms >= int64_t(kMsPerDay)) {
    ms -= int64_t(kMsPerDay);
    date += Days < 0 ? -1 : 1;
  }
  if (date < kMinDay || date > kMaxDay) return false;
  CivilFromDays(date + kEpochShift, year, month, day);
  hour = int(ms / 3600000);
  minute = int(ms / 60000 % 60);
  second = int(ms / 1000 % 60);
  millisecond = int(ms % 1000);
  return true;
}

TXmlValue::TXmlValue(const TXmlValue& other) : int_(other.int_), type_(other.type_) {
  if (other.storage_ != kNoText) SetText(other.Data());
}

TXmlValue& TXmlValue::operator=(const TXmlValue& other) {
  if (this != &other) *this = TXmlValue(other);
  return *this;
}

void TXmlValue::SetText(std::string_view text) {
  if (text.size() <= kInlineSize) {
    storage_ = kInline;
    length_ = uint32_t(text.size());
    if (!text.empty()) std::memcpy(inline_, text.data(), text.size());
    return;
  }
  auto* block = static_cast<tHeapText*>(::operator new(offsetof(tHeapText, Text) + text.size()));
  block->Length = text.size();
  std::memcpy(block->Text, text.data(), text.size());
  heap_ = block;
  storage_ = kHeap;
}

void TXmlValue::FreeHeapText() { ::operator delete(heap_); }

TXmlValue TXmlValue::WithInteger(tXmlValueType type, int64_t value) {
  TXmlValue v;
  v.type_ = type;
  v.int_ = value;
  return v;
}

TXmlValue TXmlValue::WithDouble(tXmlValueType type, double value) {
  TXmlValue v;
  v.type_ = type;
  v.double_ = value;
  return v;
}

TXmlValue TXmlValue::WithText(tXmlValueType type, std::string_view text) {
  TXmlValue v;
  v.type_ = type;
  v.SetText(text);
  return v;
}

TXmlValue TXmlValue::String(std::string text) { return WithText(tXmlValueType::String, std::move(text)); }
TXmlValue TXmlValue::Int(int64_t value) { return WithInteger(tXmlValueType::Int, value); }
TXmlValue TXmlValue::UInt(uint64_t value) { return WithInteger(tXmlValueType::UInt, int64_t(value)); }
TXmlValue TXmlValue::Single(float value) { return WithDouble(tXmlValueType::Single, value); }
TXmlValue TXmlValue::Double(double value) { return WithDouble(tXmlValueType::Double, value); }
TXmlValue TXmlValue::Currency(int64_t tenThousandths) { return WithInteger(tXmlValueType::Currency, tenThousandths); }
TXmlValue TXmlValue::Date(tXmlDateTime value) { return WithDouble(tXmlValueType::Date, value.Days); }
TXmlValue TXmlValue::Boolean(bool value) { return WithInteger(tXmlValueType::Boolean, value ? 1 : 0); }
TXmlValue TXmlValue::Wide(const std::u16string& text) { return WithText(tXmlValueType::WideString, WideToUtf8(text)); }
TXmlValue TXmlValue::Bytes(std::string bytes) { return WithText(tXmlValueType::Bytes, std::move(bytes)); }

std::string TXmlValue::Text(uint32_t codePage) const {
  switch (type_) {
    case tXmlValueType::Null: return "{{null}}";
    case tXmlValueType::Int: return std::to_string(int_);
    case tXmlValueType::UInt: return std::to_string(uint64_t(int_));
    case tXmlValueType::Single: return ShortestFloat(double_, true);
    case tXmlValueType::Double: return ShortestFloat(double_, false);
    case tXmlValueType::Currency: return CurrencyText(int_);
    case tXmlValueType::Date: return DateText({double_});
    case tXmlValueType::Boolean: return int_ ? "1" : "0";
    case tXmlValueType::WideString:
      return codePage == 65001 ? std::string(Data()) : Utf8ToCodePage(std::string(Data()), codePage);
    case tXmlValueType::String: return std::string(Data());
    case tXmlValueType::Bytes: return Base64Encode(std::string(Data()), 0);
  }
  return "*** ERROR !!! ***";
}

std::string XmlDateTimeWithZone(tXmlDateTime value) {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  utc.tm_isdst = -1;
  long offsetMinutes = long(std::difftime(now, std::mktime(&utc)) / 60);
  const char* sign = offsetMinutes < 0 ? "-" : "+";
  if (offsetMinutes < 0) offsetMinutes = -offsetMinutes;
  char zone[48];
  std::snprintf(zone, sizeof zone, "%s%.2ld:%.2ld", sign, offsetMinutes / 60, offsetMinutes % 60);
  return TXmlValue::Date(value).Text() + zone;
}
