// The tagged value of every POS data cell and its conversions.
#pragma once
#include <cstdint>
#include <string>

enum TVarType : uint8_t {
  vtNone = 0,
  vtString = 1,
  vtInteger = 2,
  vtFloat = 3,
  vtBoolean = 4,
  vtFrac = 5,        // 64-bit fixed point, 1/1,000,000 units
  vtDateTime = 6,    // milliseconds since 30 December 1899
  vtLongString = 7,  // stream only; a string longer than 255 bytes
};
constexpr int kVarTypeCount = 8;

// The stream identifier of a type ("vtNone" ...); empty for an unknown code.
std::string VarTypeName(TVarType type);
bool VarTypeFromName(const std::string& name, TVarType& type);

constexpr int64_t FracScale = 1000000;
constexpr int64_t MsPerDay = 86400000;

struct VarType {
  int64_t Value = 0;  // integer payload, also the bits of a double
  std::string Str;    // only for vtString
  TVarType Type = vtNone;

  static VarType Null() { return VarType(); }
  static VarType OfType(TVarType type);

  void SetInteger(int64_t v);
  void SetString(const std::string& s);
  void SetBoolean(bool b);
  void SetFrac(int64_t frac);
  void SetFloat(double d);  // stored as frac
  void SetDateTimeMs(int64_t ms);
  void SetDateTime(double dayCount);
  // A raw double; only the stream holds such values.
  void SetFloatBits(double d);
  double FloatPayload() const;

  std::string AsString() const;
  // Integer cells, the most read, without a call.
  int64_t AsInt64() const { return Type == vtInteger ? Value : AsInt64OfOther(); }
  int64_t AsFrac() const;
  bool AsBoolean() const;
  int64_t AsDateTimeMs() const;
  double AsDateTime() const;
  // The frac of the value with at least two and at most `decimals` decimals.
  std::string FormatFrac(int decimals) const;

  bool operator==(const VarType& o) const {
    return Value == o.Value && Type == o.Type && Str == o.Str;
  }
  bool operator!=(const VarType& o) const { return !(*this == o); }

 private:
  int64_t AsInt64OfOther() const;
};

std::string FormatFracText(int64_t frac, int decimals);
// Decimal text to frac; never raises, invalid parts count as 0.
int64_t StrToFrac(const std::string& text);
// Money in hundredths and quantities in thousandths, half away from zero.
int64_t AsHundredths(const VarType& value);
int64_t AsThousandths(const VarType& value);

