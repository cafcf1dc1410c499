#include "io/printer/markup/printer_code_tables.h"

#include <utility>

#include "platform/codepage.h"

namespace PrinterCharsets {

namespace {

constexpr int32_t kPrimaryGeorgian = 0x37;
constexpr int32_t kPrimaryArmenian = 0x2B;
constexpr int32_t kPrimaryMongolian = 0x50;
constexpr char kUnknownCharacter = '?';

// Every byte stands for the character of the same number (its Latin-1 value).
tPrinterCodeTable::TEntries Identity() {
  tPrinterCodeTable::TEntries entries{};
  for (int b = 0; b < 256; ++b) entries[size_t(b)] = char16_t(b);
  return entries;
}

tPrinterCodeTable::TEntries Georgian() {
  tPrinterCodeTable::TEntries entries = Identity();
  entries[168] = 0x10A0;
  entries[184] = 0x10D0;
  entries[192] = 0x10A0;
  for (int b = 193; b <= 223; ++b) entries[size_t(b)] = char16_t(0x10A2 + (b - 193));
  for (int b = 224; b <= 254; ++b) entries[size_t(b)] = char16_t(0x10D1 + (b - 224));
  entries[255] = 0x10FF;
  return entries;
}

tPrinterCodeTable::TEntries Armenian() {
  tPrinterCodeTable::TEntries entries = Identity();
  entries[168] = 0x0587;
  for (int k = 0; k <= 37; ++k) {
    entries[size_t(178 + 2 * k)] = char16_t(0x0531 + k);  // capital
    entries[size_t(179 + 2 * k)] = char16_t(0x0561 + k);  // small
  }
  return entries;
}

// Code page 1251 with the four Mongolian letters it lacks in place of
// rarely printed signs.
tPrinterCodeTable::TEntries Mongolian() {
  tPrinterCodeTable::TEntries entries{};
  for (int b = 0; b < 256; ++b)
    entries[size_t(b)] = platform::SingleByteToWide(platform::kCodePageCyrillic, std::string(1, char(b)))[0];
  entries[170] = 0x04E8;
  entries[175] = 0x04AE;
  entries[186] = 0x04E9;
  entries[191] = 0x04AF;
  return entries;
}

tPrinterCodeTable::TEntries Khmer() {
  static const std::pair<uint8_t, char16_t> kLetters[] = {
      {91, 0x17B2},  {128, 0x17C5}, {129, 0x1796}, {130, 0x1787}, {131, 0x178C}, {132, 0x17C2}, {133, 0x1792},
      {134, 0x17A2}, {135, 0x17C7}, {138, 0x1782}, {139, 0x17A1}, {140, 0x17C6}, {141, 0x178E}, {142, 0x17BF},
      {143, 0x1797}, {144, 0x1788}, {147, 0x1791}, {148, 0x17BC}, {150, 0x17B9}, {151, 0x1783}, {152, 0x17BD},
      {153, 0x178D}, {155, 0x17A5}, {156, 0x17A7}, {157, 0x17CD}, {159, 0x17B6}, {160, 0x1794}, {161, 0x1785},
      {166, 0x178A}, {168, 0x17C1}, {170, 0x1790}, {171, 0x17AA}, {172, 0x1784}, {173, 0x17A0}, {175, 0x17B7},
      {176, 0x1789}, {177, 0x1780}, {178, 0x179B}, {179, 0x17C8}, {183, 0x1798}, {184, 0x1793}, {186, 0x17C0},
      {187, 0x17B1}, {188, 0x1795}, {189, 0x17D0}, {190, 0x17CF}, {192, 0x1786}, {194, 0x179A}, {195, 0x179F},
      {197, 0x17BA}, {200, 0x178F}, {201, 0x17AF}, {202, 0x17BB}, {203, 0x179C}, {204, 0x17B8}, {206, 0x1781},
      {207, 0x1799}, {210, 0x178B}, {213, 0x17A6}, {221, 0x17D4}, {224, 0x17C9}, {226, 0x17CB}, {232, 0x17CA},
      {233, 0x17C3}, {234, 0x17CC}, {235, 0x17AD}, {236, 0x17AE}, {239, 0x17AB}, {242, 0x17AC}, {247, 0x17CE},
  };
  tPrinterCodeTable::TEntries entries = Identity();
  for (const auto& letter : kLetters) entries[letter.first] = letter.second;
  return entries;
}

// Each table is built once, on first use.
template <tPrinterCodeTable::TEntries (*Build)()>
const tPrinterCodeTable& Built() {
  static const tPrinterCodeTable table(Build());
  return table;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

TLanguageMode LanguageModeOfLocale(int32_t localeId) {
  switch (localeId & 0x3FF) {
    case kPrimaryGeorgian: return lmGeorgian;
    case kPrimaryArmenian: return lmArmenian;
    case kPrimaryMongolian: return lmMongolian;
    default: return lmDefault;
  }
}

tPrinterCodeTable::tPrinterCodeTable(const TEntries& entries) : entries_(entries) {
  // From the top down, so that the lowest byte of a character stays.
  for (int b = 255; b >= 0; --b) bytes_[entries_[size_t(b)]] = uint8_t(b);
}

std::string tPrinterCodeTable::Encode(const std::u16string& text) const {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      bytes += kUnknownCharacter;
      ++i;
      continue;
    }
    auto found = bytes_.find(c);
    bytes += found != bytes_.end() ? char(found->second) : kUnknownCharacter;
  }
  return bytes;
}

const tPrinterCodeTable& GeorgianTable() { return Built<Georgian>(); }
const tPrinterCodeTable& ArmenianTable() { return Built<Armenian>(); }
const tPrinterCodeTable& MongolianTable() { return Built<Mongolian>(); }
const tPrinterCodeTable& SpecialTable() { return Built<Khmer>(); }

}  // namespace PrinterCharsets
