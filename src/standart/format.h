// Format-style text formatting ("%s", "%d", "%x", "%.2f" ...) over a list of
// typed arguments, as used by every message of the system.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

class FmtArg {
 public:
  enum Kind { kInt, kUInt, kFloat, kText, kPointer };

  FmtArg(const char* s) : kind_(kText), text_(s ? s : "") {}
  FmtArg(const std::string& s) : kind_(kText), text_(s) {}
  FmtArg(double v) : kind_(kFloat), float_(v) {}
  FmtArg(float v) : kind_(kFloat), float_(v) {}
  FmtArg(const void* p) : kind_(kPointer), int_(int64_t(uintptr_t(p))) {}
  template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
  FmtArg(T v) : kind_(std::is_signed_v<T> ? kInt : kUInt), int_(int64_t(v)) {}

  Kind kind() const { return kind_; }
  int64_t integer() const { return int_; }
  double number() const { return float_; }
  const std::string& text() const { return text_; }

 private:
  Kind kind_;
  int64_t int_ = 0;
  double float_ = 0;
  std::string text_;
};

using FmtArgs = std::vector<FmtArg>;

// Thrown for a format that does not fit its arguments.
class EFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string FormatText(const std::string& format, const FmtArgs& args);

template <class... A>
std::string Fmt(const std::string& format, A&&... args) {
  return FormatText(format, FmtArgs{FmtArg(std::forward<A>(args))...});
}
