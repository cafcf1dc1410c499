// The printers' own single-byte code tables that no Windows code page
// covers (Georgian, Armenian, Mongolian and the Khmer table of character
// set 90), and the language mode that a locale selects among them.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace PrinterCharsets {

// Language modes of a locale's primary language.
enum TLanguageMode : int32_t { lmGeorgian = 1, lmDefault = 2, lmArmenian = 3, lmMongolian = 4 };
TLanguageMode LanguageModeOfLocale(int32_t localeId);

// Character-set numbers with a meaning of their own.
constexpr int32_t kCharsetUtf8 = 85;
constexpr int32_t kCharsetSpecialTable = 90;
constexpr int32_t kCharsetVietnamese = 163;

// One 16-bit character per printer byte.
class tPrinterCodeTable {
 public:
  using TEntries = std::array<char16_t, 256>;
  explicit tPrinterCodeTable(const TEntries& entries);

  char16_t Entry(uint8_t byte) const { return entries_[byte]; }
  // One byte per character: the lowest byte whose entry is the character,
  // "?" for a character without one (a surrogate pair is one character).
  std::string Encode(const std::u16string& text) const;

 private:
  TEntries entries_;
  std::unordered_map<char16_t, uint8_t> bytes_;
};

const tPrinterCodeTable& GeorgianTable();
const tPrinterCodeTable& ArmenianTable();
const tPrinterCodeTable& MongolianTable();
const tPrinterCodeTable& SpecialTable();

}  // namespace PrinterCharsets
