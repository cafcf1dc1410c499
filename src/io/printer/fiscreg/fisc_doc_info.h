// The fiscal document record that the POS passes to FiscDocument and reads
// back, the document kinds and flags, and the copy of a caller's record that
// the call works on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#pragma pack(push, 1)
// Packed, little-endian, 596 bytes. Addresses are 32-bit (the adapter is a
// 32-bit library).
struct TFiscDocInfo {
  int32_t Size;             // 0: bytes of the record as the caller built it
  uint8_t Kind;             // 4: TFiscDocKind
  int32_t SubType;          // 5
  uint32_t ToPrint;         // 9: address of the text to print, may be 0
  int32_t ToPrintSize;      // 13
  uint32_t Data;            // 17: address of the datasets stream
  int32_t DataSize;         // 21
  int32_t CheckNum;         // 25
  int32_t Reserved29;       // 29
  int32_t FiscShiftNum;     // 33
  uint8_t PrinterID[256];   // 37: short string
  int32_t ErrorCode;        // 293
  uint8_t ErrorText[256];   // 297: short string
  int64_t SaledValue;       // 553
  int32_t LogicError;       // 561
  int32_t Flags;            // 565: fdf... bits
  int32_t DocNum;           // 569
  uint8_t ShiftOpened;      // 573
  uint8_t ShiftCloseFlag;   // 574
  uint8_t Reserved575;      // 575
  uint32_t ZReportXml;      // 576: address of a zero-terminated text
  int32_t DocTypeIdent;     // 580
  int32_t OperatorId;       // 584
  int32_t OFDUnsentCount;   // 588
  int32_t OFDOldestUnsent;  // 592
};
#pragma pack(pop)

constexpr int32_t kFiscDocInfoSize = 596;
static_assert(sizeof(TFiscDocInfo) == kFiscDocInfoSize, "TFiscDocInfo size");
static_assert(offsetof(TFiscDocInfo, Kind) == 4, "Kind");
static_assert(offsetof(TFiscDocInfo, SubType) == 5, "SubType");
static_assert(offsetof(TFiscDocInfo, ToPrint) == 9, "ToPrint");
static_assert(offsetof(TFiscDocInfo, ToPrintSize) == 13, "ToPrintSize");
static_assert(offsetof(TFiscDocInfo, Data) == 17, "Data");
static_assert(offsetof(TFiscDocInfo, DataSize) == 21, "DataSize");
static_assert(offsetof(TFiscDocInfo, CheckNum) == 25, "CheckNum");
static_assert(offsetof(TFiscDocInfo, FiscShiftNum) == 33, "FiscShiftNum");
static_assert(offsetof(TFiscDocInfo, PrinterID) == 37, "PrinterID");
static_assert(offsetof(TFiscDocInfo, ErrorCode) == 293, "ErrorCode");
static_assert(offsetof(TFiscDocInfo, ErrorText) == 297, "ErrorText");
static_assert(offsetof(TFiscDocInfo, SaledValue) == 553, "SaledValue");
static_assert(offsetof(TFiscDocInfo, LogicError) == 561, "LogicError");
static_assert(offsetof(TFiscDocInfo, Flags) == 565, "Flags");
static_assert(offsetof(TFiscDocInfo, DocNum) == 569, "DocNum");
static_assert(offsetof(TFiscDocInfo, ShiftOpened) == 573, "ShiftOpened");
static_assert(offsetof(TFiscDocInfo, ShiftCloseFlag) == 574, "ShiftCloseFlag");
static_assert(offsetof(TFiscDocInfo, ZReportXml) == 576, "ZReportXml");
static_assert(offsetof(TFiscDocInfo, DocTypeIdent) == 580, "DocTypeIdent");
static_assert(offsetof(TFiscDocInfo, OperatorId) == 584, "OperatorId");
static_assert(offsetof(TFiscDocInfo, OFDUnsentCount) == 588, "OFDUnsentCount");
static_assert(offsetof(TFiscDocInfo, OFDOldestUnsent) == 592, "OFDOldestUnsent");

enum TFiscDocKind : uint8_t {
  fdUnfiscal = 0,
  fdFiscCheck = 1,
  fdDeleteCheck = 2,
  fdCloseShift = 3,
  fdCashInOut = 4,
  fdXReport = 5,
  fdSpecialReport = 6,
  fdGetNextDocNum = 7,
  fdProgram = 8,
  fdFullLastShift = 9,
  fdCollectCash = 10,
  fdTextInReceipt = 11,
  fdBarcodes = 12,
  fdZClearMoney = 13,
  fdCheckCopy = 14,
  fdFiscReturn = 15,
  fdDeleteReturn = 16,
  fdBill = 17,
  fdFillOrder = 18,
  fdVoids = 19,
  fdCloseOrder = 20,
  fdUndoBill = 21,
  fdTextOpenShift = 22,
  fdCreateOrder = 23,
  fdCancelOrder = 24,
};
constexpr uint8_t kLastFiscDocKind = fdCancelOrder;

// A set of document kinds (bit n = kind n).
using TFiscDocKinds = uint32_t;
constexpr TFiscDocKinds KindBit(uint8_t kind) { return kind < 32 ? TFiscDocKinds(1) << kind : 0; }
constexpr bool KindIn(uint8_t kind, TFiscDocKinds kinds) { return (KindBit(kind) & kinds) != 0; }

enum TFiscDocFlag : int32_t {
  fdfSummaryOnly = 0x001,
  fdfSeparateDiscount = 0x002,
  fdfUseTaxDishType = 0x004,
  fdfPrintChange = 0x008,
  fdfPrintDish0Price = 0x010,
  fdfUseAltNames = 0x020,
  fdfAdvance = 0x040,
  fdfTRAINING = 0x080,
  fdfVoided = 0x100,
};
constexpr int32_t kKnownFiscDocFlags = 0x1FF;

// The document settings a register keeps per call, one byte each, in the
// order of the flags that set them (OrderDocument comes from the kind). The
// order preparation reads the effective set and may switch
// SeparateDiscounts off.
struct tDocSettings {
  uint8_t PrintChange = 0;
  uint8_t UseTaxDishType = 0;
  uint8_t SummaryOnly = 0;
  uint8_t SeparateDiscounts = 0;
  uint8_t PrintDish0Price = 0;
  uint8_t UseAltNames = 0;
  uint8_t OrderDocument = 0;
  uint8_t Voided = 0;
};
static_assert(sizeof(tDocSettings) == 8, "eight one-byte settings");

// The settings that a record's Flags request (OrderDocument 0).
tDocSettings DocSettingsOf(int32_t flags);

// The memory at an address of the record (the record carries 32-bit
// addresses).
inline const uint8_t* RecordAddress(uint32_t address) {
  return reinterpret_cast<const uint8_t*>(uintptr_t(address));
}
// The bytes of a block of the record; empty when the address is 0 or the
// size is not positive.
std::string RecordBlock(uint32_t address, int32_t size);
inline std::string ToPrintText(const TFiscDocInfo& doc) { return RecordBlock(doc.ToPrint, doc.ToPrintSize); }
inline std::string DataBlock(const TFiscDocInfo& doc) { return RecordBlock(doc.Data, doc.DataSize); }

// The operation name that the log prints for a kind; "Unknown document
// kind %d" for a kind beyond the table.
std::string FiscDocKindName(uint8_t kind);
// "0x21f, fdfSummaryOnly, ..., fdXXX=0x200".
std::string FiscDocFlagsStr(int32_t flags);

// The copy of a caller's record that the fiscal document call works on:
// min(Size, 596) bytes are read (the rest of the copy is zero) and the same
// count less the size field is written back by CopyBack or, at the latest,
// by the destructor, so that a call left by an exception still answers.
// The copy starts with the error text "Illegal handle", which stays when no
// device takes the call. A size below 5 leaves the caller's record unwritten.
class tFiscDocCopy {
 public:
  explicit tFiscDocCopy(uint8_t* caller);
  ~tFiscDocCopy();
  tFiscDocCopy(const tFiscDocCopy&) = delete;
  tFiscDocCopy& operator=(const tFiscDocCopy&) = delete;

  TFiscDocInfo& Local() { return local_; }
  size_t CopiedBytes() const { return copied_; }
  void CopyBack();

 private:
  uint8_t* caller_;
  size_t copied_;
  bool copiedBack_ = false;
  TFiscDocInfo local_;
};
