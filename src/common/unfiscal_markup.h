// The print markup of non-fiscal printouts, shared by both conversion
// directions: an "Unfiscal" element whose children are print elements in
// print order. The PRN-to-markup converter wraps "Unfiscal" elements in a
// "PRINTUNFISCAL" document; the markup-to-PRN converter reads a document
// whose root is "Unfiscal". Texts in the markup are UTF-8.
#pragma once
#include <cstdint>
#include <string>

namespace Unfiscal {

// Element and attribute names, matched exactly (case included).
constexpr const char* kDocumentRoot = "PRINTUNFISCAL";
constexpr const char* kUnfiscal = "Unfiscal";
constexpr const char* kVersion = "1.0";
constexpr const char* kEncoding = "utf-8";

// Attributes of "Unfiscal": "0" or "1"; ReceiptInsert is written only when set.
constexpr const char* kSlip = "Slip";
constexpr const char* kCutAfter = "CutAfter";
constexpr const char* kFooter = "Footer";
constexpr const char* kReceiptInsert = "ReceiptInsert";

// Text attributes of TextBlock, TextLine and TextPart, in writing order.
constexpr const char* kFontNum = "FontNum";
constexpr const char* kBold = "Bold";
constexpr const char* kBigHeight = "BigHeight";
constexpr const char* kBigWidth = "BigWidth";
constexpr const char* kInverted = "Inverted";
constexpr const char* kTapes = "Tapes";
constexpr const char* kText = "Text";

// Attributes of the other print elements.
constexpr const char* kEncodingAttr = "Encoding";
constexpr const char* kType = "Type";
constexpr const char* kWidth = "Width";
constexpr const char* kHeight = "Height";
constexpr const char* kTextPosition = "TextPosition";
constexpr const char* kValue = "Value";
constexpr const char* kCorrectionLevel = "CorrectionLevel";
constexpr const char* kAlign = "Align";
constexpr const char* kFlowTextLines = "FlowTextLines";
constexpr const char* kNumber = "Number";
constexpr const char* kLines = "Lines";
constexpr const char* kMSecs = "MSecs";
constexpr const char* kName = "Name";
constexpr const char* kData = "Data";

// Print elements by kind number; ukUnknown for any other element name.
enum TKind : uint8_t {
  ukTextBlock = 0,
  ukTextLine = 1,
  ukTextPart = 2,
  ukRawBlock = 3,
  ukBarCode = 4,
  ukBeep = 5,
  ukDrawer = 6,
  ukLogo = 7,
  ukPass = 8,
  ukWait = 9,
  ukAddInfo = 10,
  ukUnknown = 11,
};
constexpr bool IsTextKind(uint8_t kind) { return kind <= ukTextPart; }

// RawBlock encodings.
enum TEncoding : int32_t { encPlain = 0, encBase64 = 1 };
constexpr const char* kBase64 = "Base64";
constexpr const char* kPlain = "No";

// Barcode types and text positions, numbered as in the barcode defaults
// of the device parameters.
enum TBarCodeType : uint8_t { bcEAN13 = 0, bcCode128 = 1, bcCode39 = 2, bcQRCode = 3 };
enum TTextPosition : uint8_t { tpNo = 0, tpTop = 1, tpBottom = 2, tpTopAndBottom = 3 };

// Readers' limits of Pass and Wait.
constexpr int32_t kMaxPassLines = 99;
constexpr int32_t kMaxWaitMSecs = 100000;

// Name tables of both directions.
TKind KindOfName(const std::string& name);
const char* NameOfKind(uint8_t kind);  // "" for ukUnknown and above
int32_t EncodingOfName(const std::string& name);
uint8_t BarCodeTypeOfName(const std::string& name);  // EAN-13 for unknown names
const char* NameOfBarCodeType(uint8_t type);         // "EAN-13" for unknown types
uint8_t TextPositionOfName(const std::string& name); // No for unknown names
const char* NameOfTextPosition(uint8_t position);    // "No" for unknown positions

}  // namespace Unfiscal
