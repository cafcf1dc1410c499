// Exceptions of the POS data container, its values and its stream.
#pragma once
#include <string>

#include "standart/errors.h"

// Base of every failure raised by the POS data module.
class EPDError : public tInterfacedException {
 public:
  using tInterfacedException::tInterfacedException;
  const char* ClassName() const override { return "EPDError"; }
};

// The stream is malformed or ends early. Never swallowed while loading.
class EReadError : public EPDError {
 public:
  using EPDError::EPDError;
  const char* ClassName() const override { return "EReadError"; }
};

// A property value that does not fit its property; the loader skips it.
class EPropertyError : public EPDError {
 public:
  using EPDError::EPDError;
  const char* ClassName() const override { return "EPropertyError"; }
};

// A text that is no valid number or date.
class EConvertError : public EPDError {
 public:
  using EPDError::EPDError;
  const char* ClassName() const override { return "EConvertError"; }
};

// A number outside the range of its target.
class ERangeError : public EPDError {
 public:
  ERangeError() : EPDError("Range check error") {}
  const char* ClassName() const override { return "ERangeError"; }
};

// An integer result that does not fit in 64 bits.
class EIntOverflow : public EPDError {
 public:
  EIntOverflow() : EPDError("Integer overflow") {}
  const char* ClassName() const override { return "EIntOverflow"; }
};

extern const char* const kStreamReadError;       // "Stream read error"
extern const char* const kInvalidStreamFormat;   // "Invalid stream format"
extern const char* const kInvalidPropertyValue;  // "Invalid property value"
extern const char* const kErrorText;             // "Error!", the text of a read outside the data

[[noreturn]] void ThrowReadError();
[[noreturn]] void ThrowInvalidFormat();
[[noreturn]] void ThrowPropertyError();
