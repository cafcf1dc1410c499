#include "xml/base64.h"

#include <cstdint>

#include "xml/xmlexception.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of a byte in the alphabet; -1 outside it, -2 for the fill "=".
int8_t DecodeValue(uint8_t c) {
  static const auto table = [] {
    struct { int8_t v[256]; } t;
    for (int i = 0; i < 256; ++i) t.v[i] = -1;
    for (int i = 0; i < 64; ++i) t.v[uint8_t(kAlphabet[i])] = int8_t(i);
    t.v[uint8_t('=')] = -2;
    return t;
  }();
  return table.v[c];
}

[[noreturn]] void BadFormat() { RaiseXmlError("Bad Base64 format"); }

}  // namespace

std::string Base64Encode(const std::string& bytes, int lineLength) {
  const size_t groups = (bytes.size() + 2) / 3;
  const size_t lineGroups = lineLength >= 4 ? size_t(lineLength / 4) : 0;
  std::string text;
  text.reserve(groups * 4 + (lineGroups ? groups / lineGroups * 2 : 0));
  const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t g = 0; g < groups; ++g) {
    if (lineGroups && g > 0 && g % lineGroups == 0) text += "\r\n";
    size_t i = g * 3;
    size_t left = bytes.size() - i;
    uint32_t block = uint32_t(data[i]) << 16;
    if (left > 1) block |= uint32_t(data[i + 1]) << 8;
    if (left > 2) block |= data[i + 2];
    text += kAlphabet[(block >> 18) & 63];
    text += kAlphabet[(block >> 12) & 63];
    text += left > 1 ? kAlphabet[(block >> 6) & 63] : '=';
    text += left > 2 ? kAlphabet[block & 63] : '=';
  }
  return text;
}

std::string Base64Decode(const std::string& text) {
  std::string chars;
  chars.reserve(text.size());
  for (char c : text)
    if (uint8_t(c) > 0x20) chars += c;
  if (chars.empty()) return std::string();
  if (chars.size() % 4 != 0) BadFormat();
  std::string bytes;
  bytes.reserve(chars.size() / 4 * 3);
  for (size_t i = 0; i < chars.size(); i += 4) {
    const bool last = i + 4 == chars.size();
    int8_t v[4];
    for (int k = 0; k < 4; ++k) v[k] = DecodeValue(uint8_t(chars[i + k]));
    // "=" may only end the text: "xx==" or "xxx=".
    if (v[0] < 0 || v[1] < 0) BadFormat();
    if (v[2] == -1 || v[3] == -1) BadFormat();
    if ((v[2] == -2 || v[3] == -2) && !last) BadFormat();
    if (v[2] == -2 && v[3] != -2) BadFormat();
    uint32_t block = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12;
    if (v[2] >= 0) block |= uint32_t(v[2]) << 6;
    if (v[3] >= 0) block |= uint32_t(v[3]);
    bytes += char(block >> 16);
    if (v[2] >= 0) bytes += char((block >> 8) & 0xFF);
    if (v[3] >= 0) bytes += char(block & 0xFF);
  }
  return bytes;
}
