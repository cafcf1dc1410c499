#include "io/printer/markup/vietnamese_text.h"

#include <array>
#include <unordered_map>

#include "platform/codepage.h"

namespace PrinterCharsets {

namespace {

constexpr uint32_t kCodePageVietnamese = 1258;

// Tone bytes of code page 1258 (combining marks), in the order of the
// columns of kTonedVowels.
constexpr uint8_t kToneBytes[5] = {0xCC /* grave */, 0xEC /* acute */, 0xD2 /* hook above */, 0xDE /* tilde */,
                                   0xF2 /* dot below */};

// The vowels without tone and the same vowel with each tone.
struct tTonedVowel {
  char16_t Base;
  char16_t Toned[5];
};
const tTonedVowel kTonedVowels[] = {
    {u'A', {0x00C0, 0x00C1, 0x1EA2, 0x00C3, 0x1EA0}}, {u'a', {0x00E0, 0x00E1, 0x1EA3, 0x00E3, 0x1EA1}},
    {u'Ă', {0x1EB0, 0x1EAE, 0x1EB2, 0x1EB4, 0x1EB6}}, {u'ă', {0x1EB1, 0x1EAF, 0x1EB3, 0x1EB5, 0x1EB7}},
    {u'Â', {0x1EA6, 0x1EA4, 0x1EA8, 0x1EAA, 0x1EAC}}, {u'â', {0x1EA7, 0x1EA5, 0x1EA9, 0x1EAB, 0x1EAD}},
    {u'E', {0x00C8, 0x00C9, 0x1EBA, 0x1EBC, 0x1EB8}}, {u'e', {0x00E8, 0x00E9, 0x1EBB, 0x1EBD, 0x1EB9}},
    {u'Ê', {0x1EC0, 0x1EBE, 0x1EC2, 0x1EC4, 0x1EC6}}, {u'ê', {0x1EC1, 0x1EBF, 0x1EC3, 0x1EC5, 0x1EC7}},
    {u'I', {0x00CC, 0x00CD, 0x1EC8, 0x0128, 0x1ECA}}, {u'i', {0x00EC, 0x00ED, 0x1EC9, 0x0129, 0x1ECB}},
    {u'O', {0x00D2, 0x00D3, 0x1ECE, 0x00D5, 0x1ECC}}, {u'o', {0x00F2, 0x00F3, 0x1ECF, 0x00F5, 0x1ECD}},
    {u'Ô', {0x1ED2, 0x1ED0, 0x1ED4, 0x1ED6, 0x1ED8}}, {u'ô', {0x1ED3, 0x1ED1, 0x1ED5, 0x1ED7, 0x1ED9}},
    {u'Ơ', {0x1EDC, 0x1EDA, 0x1EDE, 0x1EE0, 0x1EE2}}, {u'ơ', {0x1EDD, 0x1EDB, 0x1EDF, 0x1EE1, 0x1EE3}},
    {u'U', {0x00D9, 0x00DA, 0x1EE6, 0x0168, 0x1EE4}}, {u'u', {0x00F9, 0x00FA, 0x1EE7, 0x0169, 0x1EE5}},
    {u'Ư', {0x1EEA, 0x1EE8, 0x1EEC, 0x1EEE, 0x1EF0}}, {u'ư', {0x1EEB, 0x1EE9, 0x1EED, 0x1EEF, 0x1EF1}},
    {u'Y', {0x1EF2, 0x00DD, 0x1EF6, 0x1EF8, 0x1EF4}}, {u'y', {0x1EF3, 0x00FD, 0x1EF7, 0x1EF9, 0x1EF5}},
};

// The letters that code page 1258 has as single bytes and Latin-1 has not.
const char16_t kOwnLetters[] = u"ĂÂĐÊÔƠƯăâđêôơư";

// The printer's byte of each letter (and of the brackets it cannot print),
// in the printer's table order.
const std::pair<char16_t, uint8_t> kPrinterBytes[] = {
    {u'Ă', 0x88}, {u'Â', 0xC2}, {u'Đ', 0xF1}, {u'Ê', 0xCA}, {u'Ô', 0xD4}, {u'Ơ', 0xF7}, {u'Ư', 0xD0},
    {u'ă', 0xE6}, {u'â', 0xE2}, {u'đ', 0xC7}, {u'ê', 0xEA}, {u'ô', 0xF4}, {u'ơ', 0xD6}, {u'ư', 0xDC},
    {u'à', 0xE0}, {u'á', 0xE1}, {u'ạ', 0xE5}, {u'ả', 0xE4}, {u'ã', 0xE3}, {u'À', 0x80}, {u'Á', 0xC1},
    {u'Ạ', 0x5B}, {u'Ả', 0x81}, {u'Ã', 0x82}, {u'ằ', 0xA2}, {u'ắ', 0xA1}, {u'ặ', 0xA5}, {u'ẳ', 0xA3},
    {u'ẵ', 0xA4}, {u'Ằ', 0x8E}, {u'Ắ', 0x8D}, {u'Ặ', 0x5D}, {u'Ẳ', 0x8F}, {u'Ẵ', 0xF0}, {u'ầ', 0xC0},
    {u'ấ', 0xC3}, {u'ậ', 0xC6}, {u'ẩ', 0xC4}, {u'ẫ', 0xC5}, {u'Ầ', 0x84}, {u'Ấ', 0x83}, {u'Ậ', 0x5C},
    {u'Ẩ', 0x85}, {u'Ẫ', 0x92}, {u'è', 0xE8}, {u'é', 0xE9}, {u'ẹ', 0xCB}, {u'ẻ', 0xC8}, {u'ẽ', 0xEB},
    {u'È', 0xD7}, {u'É', 0xC9}, {u'Ẹ', 0x7B}, {u'Ẻ', 0xDE}, {u'Ẽ', 0xFE}, {u'ề', 0x8A}, {u'ế', 0x89},
    {u'ệ', 0x8C}, {u'ể', 0x8B}, {u'ễ', 0xCD}, {u'Ề', 0x93}, {u'Ế', 0x90}, {u'Ệ', 0x7D}, {u'Ể', 0x94},
    {u'Ễ', 0x95}, {u'ì', 0xEC}, {u'í', 0xED}, {u'ị', 0xCE}, {u'ỉ', 0xCC}, {u'ĩ', 0xEF}, {u'Ì', 0xB5},
    {u'Í', 0xB4}, {u'Ị', 0xDF}, {u'Ỉ', 0xB7}, {u'Ĩ', 0xB8}, {u'ò', 0xF2}, {u'ó', 0xF3}, {u'ọ', 0x86},
    {u'ỏ', 0xD5}, {u'õ', 0xF5}, {u'Ò', 0xBC}, {u'Ó', 0xB9}, {u'Ọ', 0xE7}, {u'Ỏ', 0xBD}, {u'Õ', 0xBE},
    {u'ồ', 0xD2}, {u'ố', 0xD3}, {u'ộ', 0xB6}, {u'ổ', 0xB0}, {u'ỗ', 0x87}, {u'Ồ', 0x97}, {u'Ố', 0x96},
    {u'Ộ', 0xEE}, {u'Ổ', 0x98}, {u'Ỗ', 0x99}, {u'ờ', 0xA9}, {u'ớ', 0xA7}, {u'ợ', 0xAE}, {u'ở', 0xAA},
    {u'ỡ', 0xAB}, {u'Ờ', 0x9E}, {u'Ớ', 0x9D}, {u'Ợ', 0xF6}, {u'Ở', 0x9F}, {u'Ỡ', 0xA6}, {u'ú', 0xFA},
    {u'ù', 0xF9}, {u'ụ', 0xF8}, {u'ủ', 0xFB}, {u'ũ', 0xDB}, {u'Ù', 0xA8}, {u'Ú', 0xDA}, {u'Ụ', 0xFC},
    {u'Ủ', 0xD1}, {u'Ũ', 0xAC}, {u'ừ', 0xD8}, {u'ứ', 0xD9}, {u'ự', 0xBF}, {u'ử', 0xBA}, {u'ữ', 0xBB},
    {u'Ừ', 0xAF}, {u'Ứ', 0xAD}, {u'Ự', 0x7E}, {u'Ử', 0xB1}, {u'Ữ', 0xA0}, {u'ỳ', 0xFF}, {u'ý', 0x9A},
    {u'ỵ', 0x9C}, {u'ỷ', 0x9B}, {u'ỹ', 0xCF}, {u'Ỳ', 0xB2}, {u'Ý', 0xDD}, {u'Ỵ', 0x91}, {u'Ỷ', 0xFD},
    {u'Ỹ', 0xB3}, {u'[', 0x28}, {u'\\', 0x2F}, {u']', 0x29}, {u'{', 0x28}, {u'}', 0x29},
};
static_assert(sizeof kPrinterBytes / sizeof kPrinterBytes[0] == 139, "one printer byte per key");

std::string Cp1258(char16_t c) { return platform::WideToSingleByte(kCodePageVietnamese, std::u16string(1, c)); }

// The byte step of single characters: own letters and toned vowels.
const std::unordered_map<char16_t, std::string>& LetterBytes() {
  static const std::unordered_map<char16_t, std::string> letters = [] {
    std::unordered_map<char16_t, std::string> map;
    for (const char16_t* c = kOwnLetters; *c; ++c) map[*c] = Cp1258(*c);
    for (const tTonedVowel& vowel : kTonedVowels) {
      std::string base = vowel.Base < 0x80 ? std::string(1, char(vowel.Base)) : Cp1258(vowel.Base);
      for (int tone = 0; tone < 5; ++tone) map[vowel.Toned[tone]] = base + char(kToneBytes[tone]);
    }
    return map;
  }();
  return letters;
}

// Composition keys: one or two bytes of the byte step, as a number (first
// byte high for a pair), mapped to the printer's byte.
struct tCompositionKeys {
  std::array<int16_t, 256> Single;
  std::unordered_map<uint16_t, uint8_t> Pairs;
};

const tCompositionKeys& CompositionKeys() {
  static const tCompositionKeys keys = [] {
    tCompositionKeys k;
    k.Single.fill(-1);
    for (const auto& entry : kPrinterBytes) {
      std::string key = VietnameseByteStep(std::u16string(1, entry.first));
      if (key.size() == 1)
        k.Single[uint8_t(key[0])] = entry.second;
      else
        k.Pairs[uint16_t(uint8_t(key[0]) << 8 | uint8_t(key[1]))] = entry.second;
    }
    return k;
  }();
  return keys;
}

}  // namespace

std::string VietnameseByteStep(const std::u16string& text) {
  const auto& letters = LetterBytes();
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    auto found = letters.find(c);
    if (found != letters.end())
      bytes += found->second;
    else if (c < 0x100)
      bytes += char(c);
    else
      bytes += Cp1258(c);
  }
  return bytes;
}

std::string VietnameseComposition(const std::string& bytes) {
  const tCompositionKeys& keys = CompositionKeys();
  std::string printer;
  printer.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    uint8_t current = uint8_t(bytes[at]);
    if (at + 1 < bytes.size()) {
      auto pair = keys.Pairs.find(uint16_t(current << 8 | uint8_t(bytes[at + 1])));
      if (pair != keys.Pairs.end()) {
        printer += char(pair->second);
        at += 2;
        continue;
      }
    }
    printer += keys.Single[current] >= 0 ? char(keys.Single[current]) : char(current);
    ++at;
  }
  return printer;
}

}  // namespace PrinterCharsets
