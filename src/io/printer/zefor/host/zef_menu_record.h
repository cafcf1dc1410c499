// The record of one POS menu entry, exchanged with the POS through the
// parameter service (service -8). The POS keeps its address and passes it
// back to the entry's procedure.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/abi.h"

#pragma pack(push, 1)
struct tMenuRecord {
  int32_t Size;               // 0: 376
  int32_t Handle;             // 4: filled by the POS
  int32_t ParentHandle;       // 8
  uint32_t Proc;              // 12: procedure address, 0 for a submenu
  uint32_t Owner;             // 16: the device
  int32_t PurposeToLockId;    // 20
  uint8_t Caption[84];        // 24: short string, 83 characters
  int32_t DialogType;         // 108
  uint8_t DialogCaption[256]; // 112: short string
  uint32_t ModuleHandle;      // 368
  int32_t UserRightId;        // 372
};
#pragma pack(pop)
static_assert(sizeof(tMenuRecord) == 376, "menu record size");
static_assert(offsetof(tMenuRecord, Caption) == 24, "Caption");
static_assert(offsetof(tMenuRecord, DialogType) == 108, "DialogType");
static_assert(offsetof(tMenuRecord, DialogCaption) == 112, "DialogCaption");
static_assert(offsetof(tMenuRecord, ModuleHandle) == 368, "ModuleHandle");

// The procedure of an entry: record, dialog answer (zero-terminated) and a
// buffer that receives a zero-terminated file name.
using TMenuProc = void(ZEF_STDCALL*)(tMenuRecord* record, const char* answer, char* buffer);

namespace MenuDialog {
constexpr int32_t kNone = 0, kDateInterval = 1, kNumberInterval = 2, kOneDate = 3, kOneNumber = 4;
}
