// Tag 1162 of the fiscal data format, the product code of goods under
// mandatory marking: two bytes naming the kind of code, then the code's
// payload in compact form, at most 32 bytes.
#pragma once
#include <string>

class TuRU54FZ1162 {
 public:
  // The bytes of tag 1162 for a scanned code (a single-byte text); never
  // empty. Safe from any thread.
  static std::string ProductCode(const std::string& code);
  // Upper-case hexadecimal, two digits per byte.
  static std::string Hex(const std::string& bytes);
  // Whether the digits carry a valid check digit (EAN/ITF weights 3 and 1).
  static bool CheckDigitValid(const std::string& digits);
};
