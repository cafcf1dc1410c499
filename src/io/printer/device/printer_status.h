// The status record of GetStatus, owned by the POS. Fixed byte offsets.
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct TPrinterStatus {
  int32_t Size;                  // 0: bytes the POS passes; 0 = do nothing
  uint8_t Offline;               // 4
  uint8_t Busy;                  // 5
  uint8_t NotReady;              // 6
  uint8_t SlipSupported;         // 7
  uint8_t CannotPrintUnfiscal;   // 8
  uint8_t PaperStatus;           // 9: 0 present, 1 out, 2 low
  uint8_t StatusFlags;           // 10: bit 0 shift over 24 h, bit 1 fiscal memory near end
  uint8_t Reserved11;            // 11
  int32_t AdapterMinor;          // 12
  char StateText[2048];          // 16: zero-terminated
};
#pragma pack(pop)

constexpr int32_t kPrinterStatusSize = 2064;
constexpr uint8_t kStatusShiftOver24h = 0x01;
constexpr uint8_t kStatusFiscalMemoryNearEnd = 0x02;

static_assert(sizeof(TPrinterStatus) == kPrinterStatusSize, "TPrinterStatus size");
static_assert(offsetof(TPrinterStatus, Offline) == 4, "Offline");
static_assert(offsetof(TPrinterStatus, Busy) == 5, "Busy");
static_assert(offsetof(TPrinterStatus, NotReady) == 6, "NotReady");
static_assert(offsetof(TPrinterStatus, SlipSupported) == 7, "SlipSupported");
static_assert(offsetof(TPrinterStatus, CannotPrintUnfiscal) == 8, "CannotPrintUnfiscal");
static_assert(offsetof(TPrinterStatus, PaperStatus) == 9, "PaperStatus");
static_assert(offsetof(TPrinterStatus, StatusFlags) == 10, "StatusFlags");
static_assert(offsetof(TPrinterStatus, AdapterMinor) == 12, "AdapterMinor");
static_assert(offsetof(TPrinterStatus, StateText) == 16, "StateText");
