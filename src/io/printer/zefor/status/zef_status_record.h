// The driver status record (116 bytes, packed, little-endian) and the status
// field mask that says which groups of it a driver has to fill.
#pragma once
#include <cstddef>
#include <cstdint>

#include "io/printer/zefor/driver/lodrv_api.h"

#pragma pack(push, 1)
struct TZefStatus {
  int32_t Size;                 // 0: 116
  uint8_t NotReady;             // 4
  uint8_t Busy;                 // 5
  uint8_t CannotPrintUnfiscal;  // 6
  int32_t QueueSize;            // 7
  uint8_t DrawerOpened;         // 11
  uint8_t ShiftState;           // 12: ssShiftClosed, ssShiftOpened, ssShiftOpened24hoursExceeded
  uint8_t SerialNum[36];        // 13: short string, up to 35 characters
  uint16_t LastShiftNum;        // 49
  int32_t LastDocNum;           // 51
  int32_t LastReceiptNum;       // 55
  int64_t SaledValue;           // 59
  int64_t CashRegValue;         // 67
  int32_t PaperStatus;          // 75: paperOk, paperOut, paperLow, other
  uint32_t ReturnBuffer;        // 79: address of the return buffer (ZefFiscalDocument only)
  int32_t ReturnBufferSize;     // 83
  uint8_t EKLZNearEnd;          // 87
  int32_t OFDUnsentCount;       // 88
  int32_t OFDOldestUnsent;      // 92: days since 1899-12-30, 0 = none
  int32_t OFDOldestUnsentTime;  // 96: milliseconds of the day
  int32_t InternalDate;         // 100: days since 1899-12-30, 0 = unknown
  int32_t InternalTime;         // 104: milliseconds of the day
  uint8_t Reserved[8];          // 108
};
#pragma pack(pop)

static_assert(sizeof(TZefStatus) == LoDrv::kStatusRecordSize, "status record size");
static_assert(offsetof(TZefStatus, NotReady) == 4, "NotReady");
static_assert(offsetof(TZefStatus, Busy) == 5, "Busy");
static_assert(offsetof(TZefStatus, CannotPrintUnfiscal) == 6, "CannotPrintUnfiscal");
static_assert(offsetof(TZefStatus, QueueSize) == 7, "QueueSize");
static_assert(offsetof(TZefStatus, DrawerOpened) == 11, "DrawerOpened");
static_assert(offsetof(TZefStatus, ShiftState) == 12, "ShiftState");
static_assert(offsetof(TZefStatus, SerialNum) == 13, "SerialNum");
static_assert(offsetof(TZefStatus, LastShiftNum) == 49, "LastShiftNum");
static_assert(offsetof(TZefStatus, LastDocNum) == 51, "LastDocNum");
static_assert(offsetof(TZefStatus, LastReceiptNum) == 55, "LastReceiptNum");
static_assert(offsetof(TZefStatus, SaledValue) == 59, "SaledValue");
static_assert(offsetof(TZefStatus, CashRegValue) == 67, "CashRegValue");
static_assert(offsetof(TZefStatus, PaperStatus) == 75, "PaperStatus");
static_assert(offsetof(TZefStatus, ReturnBuffer) == 79, "ReturnBuffer");
static_assert(offsetof(TZefStatus, ReturnBufferSize) == 83, "ReturnBufferSize");
static_assert(offsetof(TZefStatus, EKLZNearEnd) == 87, "EKLZNearEnd");
static_assert(offsetof(TZefStatus, OFDUnsentCount) == 88, "OFDUnsentCount");
static_assert(offsetof(TZefStatus, OFDOldestUnsent) == 92, "OFDOldestUnsent");
static_assert(offsetof(TZefStatus, OFDOldestUnsentTime) == 96, "OFDOldestUnsentTime");
static_assert(offsetof(TZefStatus, InternalDate) == 100, "InternalDate");
static_assert(offsetof(TZefStatus, InternalTime) == 104, "InternalTime");

namespace ZefStatus {

// Field groups of the status mask.
constexpr uint32_t fnBusy = 0x2;
constexpr uint32_t fnUnfiscalPrint = 0x4;
constexpr uint32_t fnPrintQueue = 0x8;
constexpr uint32_t fnDrawerOpened = 0x10;
constexpr uint32_t fnPaperStatus = 0x20;
constexpr uint32_t fnShiftState = 0x100;
constexpr uint32_t fnSerialNumber = 0x200;
constexpr uint32_t fnLastShiftNum = 0x400;
constexpr uint32_t fnLastDocNum = 0x800;
constexpr uint32_t fnLastReceiptNum = 0x1000;
constexpr uint32_t fnSaledValue = 0x2000;
constexpr uint32_t fnOFDStatus = 0x4000;
constexpr uint32_t fnCashRegValue = 0x8000;
constexpr uint32_t fnInternalDateTime = 0x10000;

// What a status file adds to every request.
constexpr uint32_t kExtendedSet = fnBusy | fnPaperStatus | fnShiftState | fnInternalDateTime;

enum TShiftState : uint8_t { ssShiftClosed = 0, ssShiftOpened = 1, ssShiftOpened24hoursExceeded = 2 };
enum TPaperStatus : int32_t { paperOk = 0, paperOut = 1, paperLow = 2 };

}  // namespace ZefStatus
