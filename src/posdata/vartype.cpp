#include "posdata/vartype.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "posdata/pddatetime.h"
#include "posdata/pderrors.h"
#include "posdata/pdlocale.h"
#include "standart/format.h"
#include "standart/text.h"

namespace {

const char* const kVarTypeNames[kVarTypeCount] = {"vtNone",    "vtString", "vtInteger",
                                                  "vtFloat",   "vtBoolean", "vtFrac",
                                                  "vtDateTime", "vtLongString"};

uint64_t Magnitude(int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : uint64_t(v); }

// Nearest integer, ties to even; a double outside the 64-bit range is an error.
int64_t RoundToInt64(double d) {
  const double r = std::nearbyint(d);
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0))
    throw EPDError("Invalid floating point operation");
  return static_cast<int64_t>(r);
}

int64_t CheckedMul(int64_t a, int64_t b) {
  int64_t r;
  if (__builtin_mul_overflow(a, b, &r)) throw EIntOverflow();
  return r;
}

// n * num / den rounded to nearest (ties to even), without a wider product:
// n is split by den first.
int64_t ScaleRounded(int64_t n, int64_t num, int64_t den) {
  const int64_t q = n / den, r = n % den;
  int64_t whole = CheckedMul(q, num);
  const int64_t part = r * num;  // |r| < den, small factors only
  int64_t pq = part / den, pr = part % den;
  const uint64_t twice = Magnitude(pr) * 2;
  const bool baseOdd = ((whole ^ pq) & 1) != 0;
  if (twice > uint64_t(den) || (twice == uint64_t(den) && baseOdd)) pq += pr < 0 ? -1 : 1;
  int64_t result;
  if (__builtin_add_overflow(whole, pq, &result)) throw EIntOverflow();
  return result;
}

std::string FloatText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  std::string s = buf;
  const size_t e = s.find('E');
  if (e != std::string::npos) {
    // "1.5E+020" style exponents become "1.5E20".
    std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
    std::string sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
      if (exponent[0] == '-') sign = "-";
      exponent.erase(0, 1);
    }
    while (exponent.size() > 1 && exponent[0] == '0') exponent.erase(0, 1);
    s = mantissa + "E" + sign + exponent;
  }
  const size_t dot = s.find('.');
  if (dot != std::string::npos) s[dot] = PDFormatSettings().DecimalSeparator;
  return s;
}

bool StringAsBoolean(const std::string& s) {
  std::string upper = s;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  if (upper == "TRUE") return true;
  return !(upper == "FALSE" || upper.empty() || upper == "0");
}

int64_t RoundedDivision(const VarType& value, int64_t divisor) {
  const int64_t f = value.AsFrac();
  const int64_t q = f / divisor, r = f % divisor;
  const int64_t half = divisor / 2;
  if (r >= half) return q + 1;
  if (r <= -half) return q - 1;
  return q;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string VarTypeName(TVarType type) {
  return type < kVarTypeCount ? kVarTypeNames[type] : std::string();
}

bool VarTypeFromName(const std::string& name, TVarType& type) {
  for (int i = 0; i < kVarTypeCount; ++i) {
    if (strcasecmp(name.c_str(), kVarTypeNames[i]) == 0) {
      type = static_cast<TVarType>(i);
      return true;
    }
  }
  return false;
}

VarType VarType::OfType(TVarType type) {
  VarType v;
  v.Type = type;
  return v;
}

namespace {
VarType Payload(TVarType type, int64_t value) {
  VarType v;
  v.Value = value;
  v.Type = type;
  return v;
}
}  // namespace

void VarType::SetInteger(int64_t v) { *this = Payload(vtInteger, v); }
void VarType::SetBoolean(bool b) { *this = Payload(vtBoolean, b ? 1 : 0); }
void VarType::SetFrac(int64_t frac) { *this = Payload(vtFrac, frac); }
void VarType::SetDateTimeMs(int64_t ms) { *this = Payload(vtDateTime, ms); }
void VarType::SetFloat(double d) { SetFrac(RoundToInt64(d * double(FracScale))); }

void VarType::SetString(const std::string& s) {
  std::string text = s;  // s may be this value's own string
  *this = Payload(vtString, 0);
  Str = std::move(text);
}
void VarType::SetDateTime(double dayCount) { SetDateTimeMs(RoundToInt64(dayCount * double(MsPerDay))); }

void VarType::SetFloatBits(double d) {
  *this = VarType();
  std::memcpy(&Value, &d, sizeof d);
  Type = vtFloat;
}

double VarType::FloatPayload() const {
  double d;
  std::memcpy(&d, &Value, sizeof d);
  return d;
}

std::string VarType::AsString() const {
  switch (Type) {
    case vtNone: return std::string();
    case vtString: return Str;
    case vtInteger: return std::to_string(Value);
    case vtFloat: return FloatText(FloatPayload());
    case vtBoolean: return Value != 0 ? "True" : "False";
    case vtFrac: return FormatFracText(Value, 4);
    case vtDateTime: return FormatDateTimeMs(Value);
    default: return kErrorText;
  }
}

int64_t VarType::AsInt64OfOther() const {
  switch (Type) {
    case vtString: {
      if (Str.empty()) return 0;
      int64_t v;
      if (!ParseDecimalAfterSpaces(Str, v)) throw EConvertError(Fmt("'%s' is not a valid integer value", Str));
      return v;
    }
    case vtInteger: return Value;
    case vtFloat: return RoundToInt64(FloatPayload());
    case vtBoolean: return Value != 0 ? 1 : 0;
    case vtFrac: return Value / FracScale;
    case vtDateTime: return Value / MsPerDay;
    default: return 0;
  }
}

int64_t VarType::AsFrac() const {
  switch (Type) {
    case vtString: return Str.empty() ? 0 : StrToFrac(Str);
    case vtInteger: return CheckedMul(Value, FracScale);
    case vtFloat: return RoundToInt64(FloatPayload() * double(FracScale));
    case vtBoolean: return Value != 0 ? FracScale : 0;
    case vtFrac: return Value;
    case vtDateTime: return ScaleRounded(Value, 5, 432);  // x / 86,400,000 * 1,000,000
    default: return 0;
  }
}

bool VarType::AsBoolean() const {
  switch (Type) {
    case vtString: return StringAsBoolean(Str);
    case vtFloat: return FloatPayload() != 0.0;
    case vtInteger:
    case vtBoolean:
    case vtFrac:
    case vtDateTime: return Value != 0;
    default: return false;
  }
}

int64_t VarType::AsDateTimeMs() const {
  switch (Type) {
    case vtString: {
      int64_t ms;
      if (!TryParseDateTimeMs(Str, ms))
        throw EConvertError(Fmt("'%s' is not a valid date and time", Str));
      return ms;
    }
    case vtFrac: return ScaleRounded(Value, 432, 5);  // x / 1,000,000 * 86,400,000
    case vtDateTime: return Value;
    default: return 0;
  }
}

double VarType::AsDateTime() const { return double(AsDateTimeMs()) / double(MsPerDay); }

std::string VarType::FormatFrac(int decimals) const { return FormatFracText(AsFrac(), decimals); }

std::string FormatFracText(int64_t frac, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 6) decimals = 6;
  const int minDecimals = decimals < 2 ? decimals : 2;
  uint64_t unit = 1;
  for (int i = decimals; i < 6; ++i) unit *= 10;
  uint64_t digitsScale = 1;
  for (int i = 0; i < decimals; ++i) digitsScale *= 10;
  const uint64_t magnitude = Magnitude(frac);
  // Half away from zero at the last shown decimal.
  const uint64_t rounded = magnitude / unit + (unit > 1 && magnitude % unit >= unit / 2 ? 1 : 0);
  std::string text = std::to_string(rounded / digitsScale);
  std::string fraction = std::to_string(rounded % digitsScale + digitsScale).substr(1);
  while (int(fraction.size()) > minDecimals && fraction.back() == '0') fraction.pop_back();
  if (!fraction.empty()) text += PDFormatSettings().DecimalSeparator + fraction;
  return frac < 0 && rounded != 0 ? "-" + text : text;
}

int64_t StrToFrac(const std::string& text) {
  const TPDFormatSettings& fs = PDFormatSettings();
  size_t p = text.find(fs.DecimalSeparator);
  if (p == std::string::npos && fs.ThousandSeparator != '.') p = text.find('.');
  int64_t whole = 0;
  const std::string wholeText = p == std::string::npos ? text : text.substr(0, p);
  if (!ParseDecimalAfterSpaces(wholeText, whole)) whole = 0;
  // A whole part beyond the frac range is as invalid as a non-number.
  if (whole > INT64_MAX / FracScale || whole < -(INT64_MAX / FracScale)) whole = 0;
  if (p == std::string::npos) return whole * FracScale;

  size_t first = 0;
  while (first < text.size() && text[first] == ' ') ++first;
  const bool negative = first < text.size() && text[first] == '-';
  int64_t magnitude = (whole < 0 ? -whole : whole) * FracScale;
  std::string fraction = Trim(text.substr(p + 1, 6));
  fraction.resize(6, '0');
  if (AllDigits(fraction) && __builtin_add_overflow(magnitude, std::stoll(fraction), &magnitude))
    return 0;
  return negative ? -magnitude : magnitude;
}

int64_t AsHundredths(const VarType& value) { return RoundedDivision(value, 10000); }
int64_t AsThousandths(const VarType& value) { return RoundedDivision(value, 1000); }
