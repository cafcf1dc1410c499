// Typed values of attributes, elements and text nodes, and their text forms.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// A date-time as days since 1899-12-30, the fraction being the time of day
// (the OLE/Delphi form used throughout the POS). Values below 1 with no date
// part are pure times.
struct tXmlDateTime {
  double Days = 0;

  // Raises SimpleXMLException for a date or time that does not exist.
  static tXmlDateTime Encode(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                             int millisecond = 0);
  static tXmlDateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
  // False when the value lies outside the years 1 to 9999 or is not a number.
  bool Decode(int& year, int& month, int& day, int& hour, int& minute, int& second, int& millisecond) const;
};

enum class tXmlValueType : uint8_t {
  Null,
  Int,       // signed integers of every width
  UInt,      // unsigned integers of every width
  Single,
  Double,
  Currency,  // fixed point, 4 decimals, held as value * 10000
  Date,
  Boolean,
  WideString,  // held as UTF-8
  String,      // bytes
  Bytes,       // byte array
};

// A typed value in 16 bytes. Texts up to 8 bytes are held inside the
// value, longer ones in a heap block; values that the parser makes refer to
// text in the arena of the node holding them ("borrowed"). A copy always
// owns its text, and borrowed values are moved only within their node.
class TXmlValue {
 public:
  TXmlValue() : int_(0) {}
  TXmlValue(const TXmlValue& other);
  TXmlValue(TXmlValue&& other) noexcept : int_(other.int_), length_(other.length_), type_(other.type_), storage_(other.storage_) {
    other.storage_ = kNoText;
  }
  TXmlValue& operator=(const TXmlValue& other);
  TXmlValue& operator=(TXmlValue&& other) noexcept {
    if (this != &other) {
      if (storage_ == kHeap) FreeHeapText();
      int_ = other.int_;
      length_ = other.length_;
      type_ = other.type_;
      storage_ = other.storage_;
      other.storage_ = kNoText;
    }
    return *this;
  }
  ~TXmlValue() {
    if (storage_ == kHeap) FreeHeapText();
  }

  static TXmlValue String(std::string text);
  // A string value holding a copy of the bytes.
  static TXmlValue StringCopy(std::string_view text) { return WithText(tXmlValueType::String, text); }
  static TXmlValue Int(int64_t value);
  static TXmlValue UInt(uint64_t value);
  static TXmlValue Single(float value);
  static TXmlValue Double(double value);
  static TXmlValue Currency(int64_t tenThousandths);
  static TXmlValue Date(tXmlDateTime value);
  static TXmlValue Boolean(bool value);
  static TXmlValue Wide(const std::u16string& text);
  static TXmlValue Bytes(std::string bytes);

  tXmlValueType Type() const { return type_; }
  bool IsNull() const { return type_ == tXmlValueType::Null; }
  bool IsString() const { return type_ == tXmlValueType::String; }
  // The stored bytes of a String, WideString (UTF-8) or Bytes value.
  std::string_view Data() const {
    if (storage_ == kHeap) return std::string_view(heap_->Text, heap_->Length);
    return std::string_view(storage_ == kInline ? inline_ : text_, length_);
  }
  int64_t IntData() const { return int_; }
  uint64_t UIntData() const { return uint64_t(int_); }
  double DoubleData() const { return double_; }
  bool BoolData() const { return int_ != 0; }

  // The text form: decimal integers, shortest decimal floats with ".",
  // "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d" dates, "1"/"0" booleans, wide strings in
  // `codePage` (UTF-8 for 65001), Base64 of byte arrays, "{{null}}" for
  // null, "*** ERROR !!! ***" when the value has no text form.
  std::string Text(uint32_t codePage = 65001) const;

 private:
  friend class TXmlParser;
  struct tHeapText {
    size_t Length;
    char Text[1];
  };
  enum : uint8_t { kNoText, kInline, kBorrowed, kHeap };
  static constexpr size_t kInlineSize = 8;

  // A String value over text that outlives it (the parser's arena).
  static TXmlValue Borrowed(const char* text, uint32_t length) {
    TXmlValue v;
    v.type_ = tXmlValueType::String;
    v.storage_ = kBorrowed;
    v.text_ = text;
    v.length_ = length;
    return v;
  }
  static TXmlValue WithInteger(tXmlValueType type, int64_t value);
  static TXmlValue WithDouble(tXmlValueType type, double value);
  static TXmlValue WithText(tXmlValueType type, std::string_view text);
  void SetText(std::string_view text);
  void FreeHeapText();

  union {
    int64_t int_;
    double double_;
    const char* text_;  // borrowed
    tHeapText* heap_;
    char inline_[kInlineSize];
  };
  uint32_t length_ = 0;  // of inline and borrowed text
  tXmlValueType type_ = tXmlValueType::Null;
  uint8_t storage_ = kNoText;
};

// The date text with the local offset from UTC: the date text followed by
// "+hh:mm" or "-hh:mm".
std::string XmlDateTimeWithZone(tXmlDateTime value);
