// The printer state that the PRN-to-markup converter keeps while it walks a
// PRN stream: the flags of the segment being collected, the text
// attributes, font and tapes, and the text of the line not yet written.
#pragma once
#include <cstdint>
#include <string>

#pragma pack(push, 1)
// Barcode defaults of the device parameters, passed by address between the
// libraries: Type and TextPosition numbered as in the markup.
struct tBarCodeDefaults {
  uint8_t Type;
  uint16_t Width;
  uint16_t Height;
  uint8_t TextPosition;
};
#pragma pack(pop)
static_assert(sizeof(tBarCodeDefaults) == 6, "packed barcode defaults");

class TKvt_UnfiscalPrint {
 public:
  static constexpr int32_t kNoFont = -1;

  TKvt_UnfiscalPrint(uint8_t initialTapes, int32_t initialFont)
      : InitialTapes(initialTapes), InitialFont(initialFont) {
    Reset();
  }

  // Clears the segment flags and the text attributes, and goes back to the
  // initial font and tapes with no pending text.
  void Reset() {
    Slip = CutAfter = Footer = ReceiptInsert = 0;
    Bold = BigHeight = BigWidth = Inverted = 0;
    Font = InitialFont;
    Tapes = InitialTapes;
    WasReset = 1;
    Text.clear();
  }

  uint8_t InitialTapes;
  int32_t InitialFont;
  uint8_t Slip = 0, CutAfter = 0, Footer = 0, ReceiptInsert = 0;
  int32_t Font = kNoFont;
  uint8_t Bold = 0, BigHeight = 0, BigWidth = 0, Inverted = 0;
  uint8_t Tapes = 0;  // 0, 1, 2: written as Tapes "1", "2", "3"
  uint8_t WasReset = 0;
  std::string Text;   // the pending line text, single-byte
};
