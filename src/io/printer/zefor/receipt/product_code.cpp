#include "io/printer/zefor/receipt/product_code.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace {

const char kGS = '\x1D';
const char kAltGS = '\xE8';

bool IsDigits(const std::string& text) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool IsUpperAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

bool AllUpperAlnum(const std::string& text) {
  for (char c : text)
    if (!IsUpperAlnum(c)) return false;
  return true;
}

// The low 48 bits of the number, most significant byte first.
std::string SixBytes(const std::string& digits) {
  uint64_t value = 0;
  for (char c : digits) value = value * 10 + uint64_t(c - '0');
  std::string bytes(6, '\0');
  for (int i = 5; i >= 0; --i, value >>= 8) bytes[size_t(i)] = char(value & 0xFF);
  return bytes;
}

std::string Prepared(const std::string& code) {
  if (!code.empty() && (code[0] == kGS || code[0] == kAltGS)) return code.substr(1);
  if (code.size() >= 3 && code[0] == ']' && std::isalpha(static_cast<unsigned char>(code[1])) &&
      code[1] < 0x7F && std::isdigit(static_cast<unsigned char>(code[2])))
    return code.substr(3);
  return code;
}

// Element length of a GS1 application identifier's first two digits,
// 0 for a variable length.
size_t ElementLength(int n) {
  if (n == 0) return 20;
  if (n >= 1 && n <= 3) return 16;
  if (n == 4) return 18;
  if (n >= 11 && n <= 19) return 8;
  if (n == 20) return 4;
  if (n >= 31 && n <= 36) return 10;
  if (n == 41) return 16;
  return 0;
}

bool ParseGs1(const std::string& code, std::vector<std::string>& elements) {
  size_t p = 0;  // 0-based
  while (p + 1 < code.size()) {
    if (!std::isdigit(static_cast<unsigned char>(code[p])) || !std::isdigit(static_cast<unsigned char>(code[p + 1])))
      return true;
    const size_t length = ElementLength((code[p] - '0') * 10 + (code[p + 1] - '0'));
    std::string element;
    if (length != 0) {
      if (code.size() < p + 1 + length) return false;
      element = code.substr(p, length);
      if (element.find(kGS) != std::string::npos || element.find(kAltGS) != std::string::npos) return false;
    } else {
      element = code.substr(p);
      element = element.substr(0, element.find(kGS));
      element = element.substr(0, element.find(kAltGS));
    }
    elements.push_back(element);
    p += element.size();
    while (p < code.size() && (code[p] == kGS || code[p] == kAltGS)) ++p;
  }
  return true;
}

std::string Gs1Value(const std::vector<std::string>& elements, const std::string& ai) {
  for (const std::string& e : elements)
    if (e.compare(0, ai.size(), ai) == 0) return e.substr(ai.size());
  return std::string();
}

bool DataMatrix(const std::string& code, std::string& result) {
  std::vector<std::string> elements;
  if (!ParseGs1(code, elements)) return false;
  const std::string gtin = Gs1Value(elements, "01"), serial = Gs1Value(elements, "21");
  if (!IsDigits(gtin) || serial.empty()) return false;
  result = std::string("\x44\x4D", 2) + (SixBytes(gtin) + serial + Gs1Value(elements, "8005")).substr(0, 30);
  return true;
}

bool IsRf(const std::string& c) {
  if (c.size() != 20 || c[2] != '-' || c[9] != '-') return false;
  for (size_t i = 0; i < 20; ++i) {
    if (i == 2 || i == 9) continue;
    if (i >= 3 && i < 9 ? !(c[i] >= '0' && c[i] <= '9') : !IsUpperAlnum(c[i])) return false;
  }
  return true;
}

}  // namespace

bool TuRU54FZ1162::CheckDigitValid(const std::string& digits) {
  if (digits.empty()) return false;
  int sum = 0;
  bool three = digits.size() % 2 == 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    sum += (c - '0') * (three ? 3 : 1);
    three = !three;
  }
  return sum % 10 == 0;
}

std::string TuRU54FZ1162::ProductCode(const std::string& code) {
  const std::string c = Prepared(code);
  struct Barcode {
    size_t Length;
    const char* Kind;
  };
  for (const Barcode& b : {Barcode{8, "\x45\x08"}, Barcode{13, "\x45\x0D"}, Barcode{14, "\x49\x0E"}})
    if (c.size() == b.Length && CheckDigitValid(c)) return std::string(b.Kind, 2) + SixBytes(c);
  std::string result;
  if (DataMatrix(c, result)) return result;
  if (c.size() == 29 && IsDigits(c.substr(0, 14)))
    return std::string("\x44\x4D", 2) + SixBytes(c.substr(0, 14)) + c.substr(14, 11) + "  ";
  if (IsRf(c)) return std::string("\x52\x46", 2) + c;
  if (c.size() == 68 && AllUpperAlnum(c)) return std::string("\xC5\x14", 2) + c.substr(8, 23);
  if (c.size() == 150 && AllUpperAlnum(c)) return std::string("\xC5\x1E", 2) + c.substr(0, 14);
  return std::string(2, '\0') + c.substr(0, 30);
}

std::string TuRU54FZ1162::Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}
