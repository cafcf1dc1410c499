#include "standart/wait_object.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/task_library.h"
#include "standart/tasks.h"

namespace {

constexpr uint32_t kIdleWaitMs = 2000;
constexpr uint32_t kDestroyWaitMs = 2000;

std::atomic<int32_t> g_requestCounter{0};
std::atomic<tWaitObject*> g_cachedWaitObject{nullptr};

}  // namespace

// Shared by the object and its waiter thread, which may outlive the object
// when it does not end in time.
struct tWaitObject::State {
  std::mutex lock;  // guards the request
  std::vector<platform::SyncHandle> handles;  // the request's handles, then CancelEvent
  uint32_t timeout = 0;
  int32_t requester = -1;  // -1: withdrawn
  int32_t sequence = 0;
  uint32_t waitResult = 0;
  platform::SyncHandle startEvent = platform::CreateEventHandle(false, false);
  platform::SyncHandle cancelEvent = platform::CreateEventHandle(true, false);
  platform::SyncHandle idleEvent = platform::CreateEventHandle(true, false);  // set while waiting for a request
  std::atomic<bool> terminated{false};

  ~State() {
    platform::CloseHandle(startEvent);
    platform::CloseHandle(cancelEvent);
    platform::CloseHandle(idleEvent);
  }
  bool Valid() const { return startEvent && cancelEvent && idleEvent; }
};

namespace {

// First signal parameter for a finished wait. A mutex that the wait took
// belongs to this thread and is given back at once, also when the request
// was withdrawn meanwhile, so that it is never left owned by the waiter.
int32_t GiveBack(const std::vector<platform::SyncHandle>& handles, uint32_t result) {
  uint32_t objects = uint32_t(handles.size()) - 1;
  if (result >= platform::kWaitAbandoned0 && result < platform::kWaitAbandoned0 + objects) {
    platform::ReleaseMutex(handles[result - platform::kWaitAbandoned0]);
    return -1;
  }
  if (result < objects) return platform::ReleaseMutex(handles[result]) ? 1 : 0;
  return 0;
}

void ServeRequest(tWaitObject::State& s) {
  std::vector<platform::SyncHandle> handles;
  uint32_t timeout;
  int32_t sequence;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    handles = s.handles;
    timeout = s.timeout;
    sequence = s.sequence;
  }
  if (handles.empty()) return;
  uint32_t result = platform::WaitForMultipleObjects(uint32_t(handles.size()), handles.data(), false, timeout);
  int32_t first = GiveBack(handles, result);
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.sequence != sequence) return;
  s.waitResult = result;
  bool cancelled = result == handles.size() - 1;
  if (!cancelled && s.requester != -1) SendSignal(s.requester, kSignalWaitObjectDone, first, sequence, 0);
}

void WaitProc(const std::shared_ptr<tWaitObject::State>& state) {
  tWaitObject::State& s = *state;
  try {
    for (;;) {
      platform::SetEvent(s.idleEvent);
      platform::WaitForSingleObject(s.startEvent, platform::kInfinite);
      if (s.terminated) return;
      ServeRequest(s);
    }
  } catch (...) {
    try {
      RaiseError(160, "Wait object procedure excepted");
    } catch (...) {
    }
  }
}

}  // namespace

tWaitObject::tWaitObject() : state_(std::make_shared<State>()) {
  if (!state_->Valid()) return;
  std::shared_ptr<State> state = state_;
  thread_ = platform::CreateThreadHandle([state] { WaitProc(state); });
}

tWaitObject::~tWaitObject() {
  state_->terminated = true;
  platform::SetEvent(state_->startEvent);
  Withdraw();
  if (thread_) {
    // The thread shares the state and cannot be ended from outside; one that
    // does not end in time is left to finish on its own.
    platform::WaitForSingleObject(thread_, kDestroyWaitMs);
    platform::CloseHandle(thread_);
  }
}

bool tWaitObject::StartRequest(const platform::SyncHandle* handles, uint32_t count, uint32_t timeout) {
  State& s = *state_;
  if (!thread_ || count >= platform::kMaximumWaitObjects) return false;
  // A withdrawn wait ends at once; the next request waits until it has.
  if (platform::WaitForSingleObject(s.idleEvent, kIdleWaitMs) != platform::kWaitObject0) return false;
  platform::ResetEvent(s.idleEvent);
  platform::ResetEvent(s.cancelEvent);
  int32_t requester = GetTaskHandle();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    s.handles.assign(handles, handles + count);
    s.handles.push_back(s.cancelEvent);
    s.timeout = timeout;
    s.requester = requester;
    s.sequence = g_requestCounter.fetch_add(1);
  }
  tSignalFilter filter{requester, kSignalWaitObjectDone, 0};
  RemoveSignals(&filter, sizeof filter);
  platform::SetEvent(s.startEvent);
  return true;
}

bool tWaitObject::Withdraw() {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->requester = -1;
  }
  platform::SetEvent(state_->cancelEvent);
  return thread_ && platform::WaitForSingleObject(state_->idleEvent, kIdleWaitMs) == platform::kWaitObject0;
}

int32_t tWaitObject::Sequence() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->sequence;
}

uint32_t tWaitObject::WaitResult() const {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->waitResult;
}

void DestroyCachedWaitObject() { delete g_cachedWaitObject.exchange(nullptr); }

namespace {

std::unique_ptr<tWaitObject> TakeWaitObject() {
  tWaitObject* cached = g_cachedWaitObject.exchange(nullptr);
  return std::unique_ptr<tWaitObject>(cached ? cached : new tWaitObject());
}

void PutBackWaitObject(std::unique_ptr<tWaitObject> object) {
  if (!object->Withdraw()) return;
  tWaitObject* expected = nullptr;
  if (g_cachedWaitObject.compare_exchange_strong(expected, object.get())) object.release();
}

bool StartOn(std::unique_ptr<tWaitObject>& object, const platform::SyncHandle* handles, uint32_t count,
             uint32_t timeout) {
  if (object->StartRequest(handles, count, timeout)) return true;
  object = std::make_unique<tWaitObject>();
  return object->StartRequest(handles, count, timeout);
}

// Waits for the answer to the object's current request; false on time-out.
bool AwaitAnswer(const tWaitObject& object, uint32_t timeout, bool ignoreOther, tWaitRecord& record) {
  for (;;) {
    record.Status = 0;
    bool got = ignoreOther ? TaskWaitSignalIgnoreOther(kSignalWaitObjectDone, record, int32_t(timeout))
                           : TaskWaitSignal(kSignalWaitObjectDone, record, int32_t(timeout));
    if (!got) {
      if (record.Status != kWaitStatusTimeout) RaiseError(156, "Error waiting signal in WinWaitForMultipleObjects");
      return false;
    }
    if (record.Second == object.Sequence()) return true;
  }
}

}  // namespace

uint32_t WinWaitForMultipleObjects(uint32_t count, const platform::SyncHandle* handles, uint32_t timeout,
                                   bool ignoreOther) {
  uint32_t polled = platform::WaitForMultipleObjects(count, handles, false, 0);
  if (timeout == 0 || polled != platform::kWaitTimeout) return polled;
  if (!IsInTrustedThread()) return platform::WaitForMultipleObjects(count, handles, false, timeout);
  if (count >= platform::kMaximumWaitObjects) {
    platform::SetLastOSError(platform::kErrorInvalidParameter);
    return platform::kWaitFailed;
  }
  std::unique_ptr<tWaitObject> object = TakeWaitObject();
  struct Finally {
    std::unique_ptr<tWaitObject>& object;
    ~Finally() {
      if (object) PutBackWaitObject(std::move(object));
    }
  } finally{object};
  ProtocolSection protocol;
  for (;;) {
    if (!StartOn(object, handles, count, timeout)) {
      platform::SetLastOSError(platform::kErrorInvalidHandle);
      return platform::kWaitFailed;
    }
    tWaitRecord record{};
    if (!AwaitAnswer(*object, timeout, ignoreOther, record)) return platform::kWaitTimeout;
    if (record.First == 0) return object->WaitResult();
    // The waiter took a mutex and gave it back: take it here, in the task's
    // own thread.
    uint32_t r = platform::WaitForMultipleObjects(count, handles, false, 0);
    if (r != platform::kWaitTimeout) return r;
  }
}
