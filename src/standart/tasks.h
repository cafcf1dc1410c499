// Task services over the POS task library tarvel32: task critical sections,
// delays and waits that let the other tasks run, task names.
//
// Code running inside a tarvel32 task is in a trusted thread; every other
// operating-system thread is non-trusted. Trusted tasks run one at a time and
// are switched only inside tarvel32's waits.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/sync.h"
#include "standart/task_library.h"

// Module start-up of the adapter (call once when the library is loaded):
// marks the error codes 110, 141 and 154 as raised and binds tarvel32's
// optional IsInTrustedThread.
void InitTaskServices();
// Module shut-down: destroys the cached waiter thread.
void DoneTaskServices();

constexpr int32_t kTaskSectionCapacity = 640;

// A re-entrant lock embedded in the object it protects; value-initialised
// ({}), it is free and in task mode. Trusted tasks queue in Tasks (Tasks[0]
// owns the section) and are handed the section by signal 7; once a
// non-trusted thread takes the free section it becomes an operating-system
// mutex until DestroyTaskSection. The fields are for reading (tests, logs).
struct tTaskCriticalSection {
  std::atomic<int32_t> EntryCount{0};  // entries of the holder not yet left
  std::atomic<int32_t> Count{0};       // tasks queued, 0 to kTaskSectionCapacity
  int32_t Tasks[kTaskSectionCapacity] = {};
  std::atomic<platform::SyncHandle> Mutex{0};  // 0 in task mode
};

// True when the caller now holds the section. timeout in ms, -1 = unlimited.
// priority: queue right behind the owner. raise: report a time-out as an error.
// A task waiting without limit on a section that is destroyed gets a
// ProcessErrorException with code 148; with a time-out it gets false.
bool EnterTaskSection(tTaskCriticalSection& section, int32_t timeout, bool priority, bool raise);
void LeaveTaskSection(tTaskCriticalSection& section);
// Hands every waiting task code 148 and returns the section to free task mode.
void DestroyTaskSection(tTaskCriticalSection& section, bool enterFirst);

// Holds a section for its lifetime: enters with (-1, false, true) and throws
// the reported error when the entry fails; leaves in the destructor.
class TaskSectionLock {
 public:
  explicit TaskSectionLock(tTaskCriticalSection& section);
  ~TaskSectionLock();
  TaskSectionLock(const TaskSectionLock&) = delete;
  TaskSectionLock& operator=(const TaskSectionLock&) = delete;

 private:
  tTaskCriticalSection& section_;
};

// A delay that lets the other tasks run when called from a trusted task.
void TaskDelay(uint32_t ms);
// Waits for a signal of the calling task; true when it came. timeout -1 = unlimited.
bool TaskWaitSignal(int32_t signal, tWaitRecord& record, int32_t timeout);
bool TaskWaitSignalIgnoreOther(int32_t signal, tWaitRecord& record, int32_t timeout);
// Reports code 140 when task switching is forbidden (run before every task wait).
void CheckSwitch();

// The operating system's wait for any one of count objects, which a trusted
// task performs through a waiter thread so that the other tasks keep running.
// Results as platform::WaitForMultipleObjects; timeout kInfinite = unlimited.
uint32_t WinWaitForMultipleObjects(uint32_t count, const platform::SyncHandle* handles, uint32_t timeout,
                                   bool ignoreOther);

bool IsInTrustedThread();
// The task's name; "Illegal task N <handle>" or "Undefined task N <handle>".
std::string TaskName(int32_t task);
