// The POS task library tarvel32: its records, signal numbers and the
// functions the adapter imports from it at load time. IsInTrustedThread,
// PrintAllStacks and TasksVersion are optional and found by name at run time
// (see tasks.cpp); they are not imported.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/abi.h"

// Signals of this system.
constexpr int32_t kSignalSectionHandOver = 7;    // first 0: handed over; 1: destroyed (second = destroyer)
constexpr int32_t kSignalIndependentDone = 9;    // a worker-thread request is done
constexpr int32_t kSignalWaitObjectDone = 32767;  // first: see tWaitObject, second: request sequence
constexpr int32_t kSignalNeverSent = 2147483647;  // waited for as a pure time-out

#pragma pack(push, 1)
// Task information record, owned by tarvel32.
struct tTaskInfo {
  int32_t Handle;          // 0
  uint8_t Defined;         // 4: 0 = no task under this handle
  uint8_t Reserved5[19];   // 5
  uint8_t Name[60];        // 24: short string (up to 59 characters fit)
  intptr_t Param;          // 84: the task parameter given to NewTask
  uint8_t Reserved[112 - 84 - sizeof(intptr_t)];
  uint32_t ThreadId;       // 112: identifier of the task's operating-system thread
  uint8_t Reserved116[12];
};

// Filled by the waits; Status is cleared by the caller, 1 after a time-out.
struct tWaitRecord {
  int32_t Reserved;  // 0
  int32_t Status;    // 4
  int32_t First;     // 8
  int32_t Second;    // 12
};

// Selects the pending signals that RemoveSignals discards.
struct tSignalFilter {
  int32_t Task;
  int32_t Signal;
  int32_t Unused;
};
#pragma pack(pop)

static_assert(offsetof(tTaskInfo, Defined) == 4, "Defined");
static_assert(offsetof(tTaskInfo, Name) == 24, "Name");
static_assert(offsetof(tTaskInfo, Param) == 84, "Param");
static_assert(offsetof(tTaskInfo, ThreadId) == 112, "ThreadId");
static_assert(sizeof(tWaitRecord) == 16, "tWaitRecord");
static_assert(sizeof(tSignalFilter) == 12, "tSignalFilter");

constexpr int32_t kWaitStatusTimeout = 1;
constexpr int32_t kTaskNameRoom = 59;

typedef void(ZEF_STDCALL* tTaskProc)();

extern "C" {
// Starts a trusted task running body; name is a short string. Negative on failure.
int32_t ZEF_STDCALL NewTask(tTaskProc body, int32_t stackSize, int32_t trusted, const uint8_t* name,
                            intptr_t param, int32_t reserved);
uint8_t ZEF_STDCALL SendSignal(int32_t task, int32_t signal, int32_t first, int32_t second, int32_t third);
int32_t ZEF_STDCALL GetTaskHandle();
// timeout -1 (0xFFFFFFFF) = unlimited.
uint8_t ZEF_STDCALL WaitSignal(int32_t signal, tWaitRecord* record, int32_t timeout);
uint8_t ZEF_STDCALL WaitSignalIgnoreOther(int32_t signal, tWaitRecord* record, int32_t timeout);
tTaskInfo* ZEF_STDCALL GetTaskInfo(int32_t task);
void ZEF_STDCALL RemoveSignals(const tSignalFilter* filter, int32_t size);
int32_t ZEF_STDCALL GetSystemSleepTime();
uint8_t ZEF_STDCALL GetNoSwitchMode();
uintptr_t ZEF_STDCALL GetSignalExistsHandle();
uint8_t ZEF_STDCALL IsInitializeFinalize();
}

// The optional functions, looked up by name.
typedef uint8_t(ZEF_STDCALL* tIsInTrustedThreadProc)();
typedef void(ZEF_STDCALL* tPrintAllStacksProc)();
typedef int32_t(ZEF_STDCALL* tTasksVersionProc)();
