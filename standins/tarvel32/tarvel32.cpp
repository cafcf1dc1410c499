// Stand-in of the POS task library: tasks on operating-system threads that run
// one at a time, numbered signals with per-task queues, waits with time-outs.
#include "tarvel32.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/sync.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPendingSignals = 4096;
constexpr size_t kTaskStackSize = 512 * 1024;
constexpr int32_t kWaitStatusFailed = 2;

// Only one trusted task runs at a time; the baton goes to the tasks in the
// order in which they asked for it.
class Baton {
 public:
  void Acquire() {
    std::unique_lock<std::mutex> guard(lock_);
    uint64_t ticket = next_++;
    turn_.wait(guard, [&] { return serving_ == ticket; });
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock_);
    ++serving_;
    turn_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable turn_;
  uint64_t next_ = 0;
  uint64_t serving_ = 0;
};

struct Signal {
  int32_t number, first, second, third;
};

struct Task {
  int32_t handle = 0;
  tTaskInfo* info = nullptr;
  tTaskProc body = nullptr;
  std::deque<Signal> queue;
  std::condition_variable arrived;
  platform::SyncHandle signalEvent = 0;
  bool ended = false;
};

std::mutex g_lock;  // guards the task table, the queues and the records
std::condition_variable g_taskEnded;
std::deque<tTaskInfo> g_infos;  // index = handle - 1; addresses stay valid
std::deque<std::unique_ptr<Task>> g_tasks;
Baton g_baton;
thread_local Task* t_task = nullptr;

std::atomic<int32_t> g_sleepTime{0};
std::atomic<bool> g_noSwitch{false};
std::atomic<bool> g_initializeFinalize{false};
std::atomic<int32_t> g_version{130};
std::atomic<int32_t> g_printStacks{0};

Task* FindLocked(int32_t handle) {
  if (handle < 1 || size_t(handle) > g_tasks.size()) return nullptr;
  return g_tasks[size_t(handle) - 1].get();
}

Task* CreateTaskLocked(const std::string& name, intptr_t param) {
  g_infos.emplace_back();
  tTaskInfo* info = &g_infos.back();
  std::memset(info, 0, sizeof *info);
  auto task = std::make_unique<Task>();
  task->handle = int32_t(g_infos.size());
  task->info = info;
  task->signalEvent = platform::CreateEventHandle(true, false);
  info->Handle = task->handle;
  info->Defined = 1;
  size_t n = std::min<size_t>(name.size(), kTaskNameRoom);
  info->Name[0] = uint8_t(n);
  std::memcpy(info->Name + 1, name.data(), n);
  info->Param = param;
  g_tasks.push_back(std::move(task));
  return g_tasks.back().get();
}

void UpdateSignalEventLocked(Task& task) {
  if (task.queue.empty()) platform::ResetEvent(task.signalEvent);
  else platform::SetEvent(task.signalEvent);
}

// Called by the ending task while it still holds the baton.
void EndTask(Task& task) {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    task.ended = true;
    task.info->Defined = 0;
    task.queue.clear();
    platform::CloseHandle(task.signalEvent);
    task.signalEvent = 0;
    g_taskEnded.notify_all();
  }
  t_task = nullptr;
  g_baton.Release();
}

// Binds the calling thread to the task, then waits for its turn to run.
void BeginTask(Task& task) {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    task.info->ThreadId = platform::CurrentThreadId();
  }
  t_task = &task;
  g_baton.Acquire();
}

void* TaskThread(void* arg) {
  Task& task = *static_cast<Task*>(arg);
  BeginTask(task);
  try {
    task.body();
  } catch (...) {
    // A task body is foreign code; whatever it throws ends only the task.
  }
  EndTask(task);
  return nullptr;
}

bool TakeSignalLocked(Task& task, int32_t number, tWaitRecord* record) {
  auto it = std::find_if(task.queue.begin(), task.queue.end(), [&](const Signal& s) { return s.number == number; });
  if (it == task.queue.end()) return false;
  if (record) {
    record->Status = 0;
    record->First = it->first;
    record->Second = it->second;
  }
  task.queue.erase(it);
  UpdateSignalEventLocked(task);
  return true;
}

bool HasSignalLocked(const Task& task, int32_t number) {
  return std::any_of(task.queue.begin(), task.queue.end(), [&](const Signal& s) { return s.number == number; });
}

uint8_t Wait(int32_t number, tWaitRecord* record, int32_t timeout) {
  Task* task = t_task;
  if (!task) {
    if (record) record->Status = kWaitStatusFailed;
    return 0;
  }
  std::unique_lock<std::mutex> guard(g_lock);
  if (TakeSignalLocked(*task, number, record)) return 1;
  if (timeout == 0) {
    if (record) record->Status = kWaitStatusTimeout;
    return 0;
  }
  g_baton.Release();
  auto ready = [&] { return HasSignalLocked(*task, number); };
  if (timeout < 0) {
    task->arrived.wait(guard, ready);
  } else {
    task->arrived.wait_until(guard, Clock::now() + std::chrono::milliseconds(timeout), ready);
  }
  guard.unlock();
  g_baton.Acquire();
  guard.lock();
  if (TakeSignalLocked(*task, number, record)) return 1;
  if (record) record->Status = kWaitStatusTimeout;
  return 0;
}

std::string ShortString(const uint8_t* s) {
  return s ? std::string(reinterpret_cast<const char*>(s + 1), s[0]) : std::string();
}

}  // namespace

extern "C" {

ZEF_EXPORT int32_t ZEF_STDCALL NewTask(tTaskProc body, int32_t stackSize, int32_t trusted, const uint8_t* name,
                                       intptr_t param, int32_t reserved) {
  if (!body) return -1;
  Task* task;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    task = CreateTaskLocked(ShortString(name), param);
    task->body = body;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, kTaskStackSize);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  int rc = pthread_create(&thread, &attr, TaskThread, task);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    std::lock_guard<std::mutex> guard(g_lock);
    task->ended = true;
    task->info->Defined = 0;
    return -1;
  }
  return task->handle;
}

ZEF_EXPORT uint8_t ZEF_STDCALL SendSignal(int32_t handle, int32_t signal, int32_t first, int32_t second,
                                          int32_t third) {
  std::lock_guard<std::mutex> guard(g_lock);
  Task* task = FindLocked(handle);
  if (!task || task->ended || task->queue.size() >= kMaxPendingSignals) return 0;
  task->queue.push_back(Signal{signal, first, second, third});
  UpdateSignalEventLocked(*task);
  task->arrived.notify_one();
  return 1;
}

ZEF_EXPORT int32_t ZEF_STDCALL GetTaskHandle() { return t_task ? t_task->handle : -1; }

ZEF_EXPORT uint8_t ZEF_STDCALL WaitSignal(int32_t signal, tWaitRecord* record, int32_t timeout) {
  return Wait(signal, record, timeout);
}

ZEF_EXPORT uint8_t ZEF_STDCALL WaitSignalIgnoreOther(int32_t signal, tWaitRecord* record, int32_t timeout) {
  return Wait(signal, record, timeout);
}

ZEF_EXPORT tTaskInfo* ZEF_STDCALL GetTaskInfo(int32_t handle) {
  std::lock_guard<std::mutex> guard(g_lock);
  Task* task = FindLocked(handle);
  return task ? task->info : nullptr;
}

ZEF_EXPORT void ZEF_STDCALL RemoveSignals(const tSignalFilter* filter, int32_t size) {
  if (!filter || size < int32_t(2 * sizeof(int32_t))) return;
  std::lock_guard<std::mutex> guard(g_lock);
  Task* task = FindLocked(filter->Task);
  if (!task) return;
  int32_t number = filter->Signal;
  task->queue.erase(std::remove_if(task->queue.begin(), task->queue.end(),
                                   [&](const Signal& s) { return s.number == number; }),
                    task->queue.end());
  if (!task->ended) UpdateSignalEventLocked(*task);
}

ZEF_EXPORT int32_t ZEF_STDCALL GetSystemSleepTime() { return g_sleepTime.load(); }
ZEF_EXPORT uint8_t ZEF_STDCALL GetNoSwitchMode() { return g_noSwitch.load() ? 1 : 0; }
ZEF_EXPORT uint8_t ZEF_STDCALL IsInitializeFinalize() { return g_initializeFinalize.load() ? 1 : 0; }

ZEF_EXPORT uintptr_t ZEF_STDCALL GetSignalExistsHandle() {
  std::lock_guard<std::mutex> guard(g_lock);
  return t_task ? t_task->signalEvent : 0;
}

ZEF_EXPORT uint8_t ZEF_STDCALL IsInTrustedThread() { return t_task ? 1 : 0; }

ZEF_EXPORT int32_t ZEF_STDCALL TasksVersion() { return g_version.load(); }

ZEF_EXPORT void ZEF_STDCALL PrintAllStacks() {
  ++g_printStacks;
  if (platform::GetEnv("TARVEL32_PRINT_STACKS").empty()) return;
  std::lock_guard<std::mutex> guard(g_lock);
  for (const auto& task : g_tasks) {
    if (task->ended) continue;
    std::fprintf(stderr, "task %d \"%s\" thread %u, %u signals pending\n", task->handle,
                 ShortString(task->info->Name).c_str(), unsigned(task->info->ThreadId),
                 unsigned(task->queue.size()));
  }
}

// ---- Controls of the stand-in ----

ZEF_EXPORT int32_t ZEF_STDCALL AttachTask(const char* name) {
  if (t_task) return -1;
  Task* task;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    task = CreateTaskLocked(name ? name : "", 0);
  }
  BeginTask(*task);
  return task->handle;
}

ZEF_EXPORT void ZEF_STDCALL DetachTask() {
  if (t_task) EndTask(*t_task);
}

ZEF_EXPORT uint8_t ZEF_STDCALL WaitTaskEnd(int32_t handle, int32_t timeout) {
  bool isTask = t_task != nullptr;
  std::unique_lock<std::mutex> guard(g_lock);
  Task* task = FindLocked(handle);
  if (!task) return 0;
  if (task->ended) return 1;
  if (isTask) g_baton.Release();
  auto ended = [&] { return task->ended; };
  if (timeout < 0) {
    g_taskEnded.wait(guard, ended);
  } else {
    g_taskEnded.wait_until(guard, Clock::now() + std::chrono::milliseconds(timeout), ended);
  }
  bool result = task->ended;
  guard.unlock();
  if (isTask) g_baton.Acquire();
  return result ? 1 : 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL PendingSignalCount(int32_t handle) {
  std::lock_guard<std::mutex> guard(g_lock);
  Task* task = FindLocked(handle);
  return task ? int32_t(task->queue.size()) : -1;
}

ZEF_EXPORT int32_t ZEF_STDCALL PrintAllStacksCount() { return g_printStacks.load(); }
ZEF_EXPORT void ZEF_STDCALL SetSystemSleepTime(int32_t ms) { g_sleepTime = ms; }
ZEF_EXPORT void ZEF_STDCALL SetNoSwitchMode(uint8_t on) { g_noSwitch = on != 0; }
ZEF_EXPORT void ZEF_STDCALL SetInitializeFinalize(uint8_t on) { g_initializeFinalize = on != 0; }
ZEF_EXPORT void ZEF_STDCALL SetTasksVersion(int32_t version) { g_version = version; }

}  // extern "C"
