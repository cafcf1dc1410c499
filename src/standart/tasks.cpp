#include "standart/tasks.h"

#include <algorithm>
#include <mutex>

#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/task_binding.h"
#include "standart/wait_object.h"

namespace {

constexpr uint32_t kPlainThreadPollMs = 50;
constexpr uint32_t kShortDelayMs = 50;

// Guards the queues of all sections and the change to mutex mode. Trusted
// tasks already run one at a time; the lock keeps non-trusted threads (which
// poll Count and switch a free section to mutex mode, or destroy a section)
// from ever seeing or making a half-done change. It is held only for a few
// steps, never across a wait.
std::mutex g_queueLock;

using QueueGuard = std::lock_guard<std::mutex>;

// Removes the first entry equal to task (lock held).
void RemoveQueuedLocked(tTaskCriticalSection& s, int32_t task) {
  int32_t count = s.Count.load();
  int32_t* end = s.Tasks + count;
  int32_t* it = std::find(s.Tasks, end, task);
  if (it == end) return;
  std::copy(it + 1, end, it);
  s.Count.store(count - 1);
}

void RemoveFirstLocked(tTaskCriticalSection& s) {
  if (s.Count.load() > 0) RemoveQueuedLocked(s, s.Tasks[0]);
}

// Hands the section to the first queued task that still takes signals.
void HandOverLocked(tTaskCriticalSection& s) {
  while (s.Count.load() > 0) {
    if (SendSignal(s.Tasks[0], kSignalSectionHandOver, 0, 0, 0)) return;
    RemoveFirstLocked(s);
  }
}

bool OwnsLocked(const tTaskCriticalSection& s, int32_t task) {
  return s.Count.load() > 0 && s.Tasks[0] == task;
}

int32_t OwnerLocked(const tTaskCriticalSection& s) { return s.Count.load() > 0 ? s.Tasks[0] : 0; }

void DecrementEntryCount(tTaskCriticalSection& s) {
  int32_t n = s.EntryCount.load();
  while (n > 0 && !s.EntryCount.compare_exchange_weak(n, n - 1)) {
  }
}

// A task that gives up waiting: it leaves the queue; when it has become the
// owner meanwhile, the section goes on to the next task.
void WithdrawTask(tTaskCriticalSection& s, int32_t task) {
  QueueGuard guard(g_queueLock);
  bool owner = OwnsLocked(s, task);
  RemoveQueuedLocked(s, task);
  if (owner) HandOverLocked(s);
}

[[noreturn]] void RaiseCurrentError() {
  const tNewErrorInfo* current = GetErrorInfoPtr();
  throw ProcessErrorException(current->Code, ShortStringValue(current->Text));
}

bool EnterSection(tTaskCriticalSection& s, int32_t timeout, bool priority, bool raise);

bool EnterMutexMode(tTaskCriticalSection& s, int32_t timeout, bool raise) {
  platform::SyncHandle mutex = s.Mutex.load();
  uint32_t r = WinWaitForMultipleObjects(1, &mutex, uint32_t(timeout), false);
  if (r == platform::kWaitTimeout) {
    if (raise) RaiseErrorFmt(137, "Critical section waiting time-out. Locked by intependent thread.");
    return false;
  }
  if (r == platform::kWaitObject0 || r == platform::kWaitAbandoned0) return true;
  if (r == platform::kWaitFailed) {
    uint32_t error = platform::LastOSError();
    RaiseErrorFmt(137, "Critical section mutex taking windows error %s(%d)", platform::OSErrorMessage(error),
                  int32_t(error));
  }
  return false;
}

// A non-trusted thread waits until no task holds the section, then makes it
// a mutex section that it owns. A task may queue between the poll and the
// lock; the thread then polls again while its time lasts, so that an entry
// without a time limit never comes back false.
bool EnterFromPlainThread(tTaskCriticalSection& s, int32_t timeout, bool priority, bool raise) {
  uint32_t start = platform::TickCount();
  auto expired = [&] { return timeout >= 0 && platform::TickCount() - start > uint32_t(timeout); };
  for (;;) {
    while (s.Count.load() > 0 && !expired() && !s.Mutex.load()) platform::Sleep(kPlainThreadPollMs);
    bool creationFailed = false;
    {
      QueueGuard guard(g_queueLock);
      if (!s.Mutex.load() && s.Count.load() == 0) {
        platform::SyncHandle mutex = platform::CreateMutexHandle(true);
        if (mutex) {
          s.Mutex.store(mutex);
          return true;
        }
        creationFailed = true;
      }
    }
    if (s.Mutex.load()) return EnterSection(s, timeout, priority, raise);
    if (creationFailed) {
      uint32_t error = platform::LastOSError();
      RaiseErrorFmt(137, "Critical section mutex taking windows error %s(%d)", platform::OSErrorMessage(error),
                    int32_t(error));
      return false;
    }
    if (expired()) return false;
  }
}

enum class Queued { kOwner, kWaiting, kOverflow, kMutexMode };

Queued QueueTask(tTaskCriticalSection& s, int32_t task, bool priority) {
  QueueGuard guard(g_queueLock);
  if (s.Mutex.load()) return Queued::kMutexMode;
  int32_t count = s.Count.load();
  if (count == kTaskSectionCapacity) return Queued::kOverflow;
  // A hand-over left from an earlier wait that ended by time-out must not
  // be taken for this one.
  tSignalFilter filter{task, kSignalSectionHandOver, 0};
  RemoveSignals(&filter, sizeof filter);
  if (priority && count > 1) {
    std::copy_backward(s.Tasks + 1, s.Tasks + count, s.Tasks + count + 1);
    s.Tasks[1] = task;
  } else {
    s.Tasks[count] = task;
  }
  s.Count.store(count + 1);
  return count == 0 ? Queued::kOwner : Queued::kWaiting;
}

// Waits in the queue for signal 7; the caller is queued and not the owner.
// destroyed is set once the section may no longer be touched.
bool AwaitHandOver(tTaskCriticalSection& s, int32_t me, int32_t timeout, bool raise, bool& destroyed) {
  int32_t initialOwner;
  {
    QueueGuard guard(g_queueLock);
    initialOwner = OwnerLocked(s);
  }
  std::string initialOwnerName = TaskName(initialOwner);
  RaiseErrorFmt(2, "Critical section waiting. Locked by task \"%s\"(%d). Waiting task \"%s\"(%d)",
                initialOwnerName, initialOwner, TaskName(me), me);
  tWaitRecord record{};
  if (!TaskWaitSignal(kSignalSectionHandOver, record, timeout)) {
    if (raise) {
      int32_t owner;
      {
        QueueGuard guard(g_queueLock);
        owner = OwnerLocked(s);
      }
      ClearErrorSpecials(137);
      RaiseErrorFmt(137,
                    "Critical section waiting time-out. Locked by task \"%s\"(%d). Waiting task \"%s\"(%d), "
                    "initially locked by %s, task stack printed",
                    TaskName(owner), owner, TaskName(me), me, initialOwnerName);
      PrintAllTaskStacks();
    }
    QueueGuard guard(g_queueLock);
    if (OwnsLocked(s, me)) return true;
    RemoveQueuedLocked(s, me);
    return false;
  }
  if (record.First == 0) return true;
  // Destroyed: the destroyer has already taken the caller off the queue, and
  // the object holding the section may be gone.
  destroyed = true;
  int32_t destroyer = record.Second;
  RaiseErrorFmt(148, "Critical section destroied by task \"%s\"(%d). Waiting task \"%s\"(%d)", TaskName(destroyer),
                destroyer, TaskName(me), me);
  if (timeout == -1) RaiseCurrentError();
  return false;
}

bool EnterFromTask(tTaskCriticalSection& s, int32_t timeout, bool priority, bool raise) {
  int32_t me = GetTaskHandle();
  {
    QueueGuard guard(g_queueLock);
    if (OwnsLocked(s, me)) return true;
  }
  ProtocolSection protocol;
  switch (QueueTask(s, me, priority)) {
    case Queued::kMutexMode:
      return EnterMutexMode(s, timeout, raise);
    case Queued::kOverflow: {
      int32_t owner;
      {
        QueueGuard guard(g_queueLock);
        owner = OwnerLocked(s);
      }
      RaiseErrorFmt(136, "Critical section queue overflow. Current task \"%s\"(%d)", TaskName(owner), owner);
      return false;
    }
    case Queued::kOwner:
      return true;
    case Queued::kWaiting:
      break;
  }
  if (timeout == 0) {
    WithdrawTask(s, me);
    return false;
  }
  bool destroyed = false;
  try {
    return AwaitHandOver(s, me, timeout, raise, destroyed);
  } catch (...) {
    // A report that raised: the caller does not stay queued, and does not
    // keep a section it was handed meanwhile.
    if (!destroyed) WithdrawTask(s, me);
    throw;
  }
}

bool EnterSection(tTaskCriticalSection& s, int32_t timeout, bool priority, bool raise) {
  if (s.Mutex.load()) return EnterMutexMode(s, timeout, raise);
  if (!IsInTrustedThread()) return EnterFromPlainThread(s, timeout, priority, raise);
  return EnterFromTask(s, timeout, priority, raise);
}

// A trusted task leaving a task-mode section.
void LeaveAsTask(tTaskCriticalSection& s) {
  int32_t me = GetTaskHandle();
  QueueGuard guard(g_queueLock);
  if (OwnsLocked(s, me)) {
    // Only the holder's entries count; the count drops before the section
    // can pass on.
    if (s.EntryCount.load() > 1) {
      DecrementEntryCount(s);
      return;
    }
    DecrementEntryCount(s);
    RemoveQueuedLocked(s, me);
    HandOverLocked(s);
  } else {
    RemoveQueuedLocked(s, me);
  }
}

}  // namespace

void InitTaskServices() {
  ExceptErrorCodes({110, 141, 154});
  BindTaskLibrary(DefaultTaskLibraryName());
}

void DoneTaskServices() { DestroyCachedWaitObject(); }

bool EnterTaskSection(tTaskCriticalSection& section, int32_t timeout, bool priority, bool raise) {
  bool entered = EnterSection(section, timeout, priority, raise);
  if (entered) section.EntryCount.fetch_add(1);
  return entered;
}

void LeaveTaskSection(tTaskCriticalSection& section) {
  ErrorContextBlock context = SaveErrorContext();
  platform::SyncHandle mutex = section.Mutex.load();
  if (mutex) {
    if (platform::ReleaseMutex(mutex)) DecrementEntryCount(section);
  } else if (IsInTrustedThread()) {
    LeaveAsTask(section);
  }
  RestoreErrorContext(std::move(context), false);
}

void DestroyTaskSection(tTaskCriticalSection& section, bool enterFirst) {
  if (enterFirst) EnterTaskSection(section, -1, true, true);
  int32_t me = IsInTrustedThread() ? GetTaskHandle() : -1;
  {
    QueueGuard guard(g_queueLock);
    while (section.Count.load() > 0) {
      int32_t task = section.Tasks[0];
      if (task != me) SendSignal(task, kSignalSectionHandOver, 1, me, 0);
      RemoveFirstLocked(section);
    }
    platform::SyncHandle mutex = section.Mutex.exchange(0);
    if (mutex) platform::CloseHandle(mutex);
    section.EntryCount.store(0);
  }
}

TaskSectionLock::TaskSectionLock(tTaskCriticalSection& section) : section_(section) {
  if (!EnterTaskSection(section, -1, false, true)) RaiseCurrentError();
}

TaskSectionLock::~TaskSectionLock() {
  try {
    LeaveTaskSection(section_);
  } catch (...) {
  }
}

void CheckSwitch() {
  if (GetNoSwitchMode() && !IsInitializeFinalize()) RaiseError(140, "Try to switch tasks in \"NoSwitch\" mode.");
}

bool TaskWaitSignal(int32_t signal, tWaitRecord& record, int32_t timeout) {
  CheckSwitch();
  return WaitSignal(signal, &record, timeout) != 0;
}

bool TaskWaitSignalIgnoreOther(int32_t signal, tWaitRecord& record, int32_t timeout) {
  CheckSwitch();
  return WaitSignalIgnoreOther(signal, &record, timeout) != 0;
}

void TaskDelay(uint32_t ms) {
  if (!IsInTrustedThread()) {
    platform::Sleep(ms);
    return;
  }
  CheckSwitch();
  int32_t sleepTime = GetSystemSleepTime();
  if (ms <= kShortDelayMs && sleepTime > 0) {
    uint32_t wait = std::min<uint32_t>(ms, uint32_t(sleepTime));
    platform::SyncHandle pending = GetSignalExistsHandle();
    if (pending) platform::WaitForSingleObject(pending, wait);
    else platform::Sleep(wait);
    return;
  }
  tWaitRecord record{};
  WaitSignal(kSignalNeverSent, &record, int32_t(ms));
}

bool IsInTrustedThread() {
  if (tIsInTrustedThreadProc bound = BoundIsInTrustedThread()) return bound() != 0;
  int32_t handle = GetTaskHandle();
  const tTaskInfo* info = GetTaskInfo(handle);
  uint32_t threadId = info ? info->ThreadId : 0;
  if (threadId == platform::CurrentThreadId()) return true;
  if (threadId != 0) return false;
  return handle == 0;
}

std::string TaskName(int32_t task) {
  const tTaskInfo* info = GetTaskInfo(task);
  if (!info) return "Illegal task N " + std::to_string(task);
  if (!info->Defined) return "Undefined task N " + std::to_string(task);
  size_t length = std::min<size_t>(info->Name[0], kTaskNameRoom);
  return std::string(reinterpret_cast<const char*>(info->Name + 1), length);
}
