// Win32-like synchronisation objects on the C++ thread library.
//
// Each object has its own lock and a list of the threads waiting for it. A
// wait for several objects registers one waiter on each, so that any change
// of any of them wakes it; all the state lives in the objects themselves,
// which lets two copies of this code in one process (the adapter and a
// stand-in library) share handles.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/sync.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kLiveMagic = 0x53594E43;  // "SYNC"

enum class Kind : uint32_t { kEvent, kMutex, kThread };

// One waiting thread; woken by every change of an object it waits for.
struct Waiter {
  std::mutex lock;
  std::condition_variable wake;
  bool woken = false;

  void Wake() {
    std::lock_guard<std::mutex> guard(lock);
    woken = true;
    wake.notify_one();
  }

  // True when woken, false when the deadline passed first.
  bool Wait(bool unlimited, Clock::time_point deadline) {
    std::unique_lock<std::mutex> guard(lock);
    if (unlimited) {
      wake.wait(guard, [this] { return woken; });
    } else {
      wake.wait_until(guard, deadline, [this] { return woken; });
    }
    bool result = woken;
    woken = false;
    return result;
  }
};

enum class Take { kNone, kTaken, kAbandoned };

struct SyncObject {
  uint32_t magic = kLiveMagic;
  Kind kind;
  std::atomic<int32_t> refs{1};
  std::atomic<bool> closed{false};
  std::mutex lock;  // guards everything below
  std::vector<Waiter*> waiters;
  bool manualReset = false;  // events
  bool signalled = false;    // events; threads: the body has returned
  std::thread::id owner;     // mutexes
  uint32_t recursion = 0;
  bool abandoned = false;

  explicit SyncObject(Kind k) : kind(k) {}
  void WakeAllLocked() {
    for (Waiter* w : waiters) w->Wake();
  }
  void RemoveWaiterLocked(Waiter* w) {
    waiters.erase(std::remove(waiters.begin(), waiters.end(), w), waiters.end());
  }
};

void AddRef(SyncObject* o) { o->refs.fetch_add(1, std::memory_order_relaxed); }

// The threads this copy of the code starts. A thread signals its handle a
// few instructions before it leaves this code, and the library holding the
// code may be unloaded as soon as a waiter wakes; so threads are joined,
// never detached while they may still run here: the finishing ones when the
// next thread starts, and all finishing ones when the code is unloaded.
class tStartedThreads {
 public:
  // Runs run(finish) on a new thread; run calls finish() once it is done with
  // everything but leaving.
  void Start(std::function<void(const std::function<void()>&)> run) {
    auto entry = std::make_unique<Entry>();
    Entry* self = entry.get();
    entry->Thread = std::thread([this, self, run = std::move(run)] { run([this, self] { MarkFinishing(self); }); });
    std::vector<std::unique_ptr<Entry>> done;
    {
      std::lock_guard<std::mutex> guard(lock_);
      for (size_t i = 0; i < entries_.size();) {
        if (entries_[i]->Finishing) {
          done.push_back(std::move(entries_[i]));
          entries_[i] = std::move(entries_.back());
          entries_.pop_back();
        } else {
          ++i;
        }
      }
      entries_.push_back(std::move(entry));
    }
    for (auto& e : done) e->Thread.join();
  }

  // At unload: a thread still in its body cannot be waited for (it may never
  // end) and is let go, with its entry, which it still refers to.
  void JoinFinishing() {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& e : entries_) {
      if (e->Finishing && e->Thread.get_id() != std::this_thread::get_id()) {
        e->Thread.join();
      } else {
        e->Thread.detach();
        e.release();
      }
    }
    entries_.clear();
  }

 private:
  struct Entry {
    std::thread Thread;
    bool Finishing = false;  // guarded by lock_
  };
  void MarkFinishing(Entry* e) {
    std::lock_guard<std::mutex> guard(lock_);
    e->Finishing = true;
  }
  std::mutex lock_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

// Never destroyed: a thread let go at unload or exit still marks itself.
tStartedThreads& StartedThreads() {
  static tStartedThreads* threads = new tStartedThreads;
  return *threads;
}

struct tJoinAtUnload {
  ~tJoinAtUnload() { StartedThreads().JoinFinishing(); }
} joinAtUnload;

// The count drops under the object's lock, so that every earlier use of the
// object is ordered before its deletion also for race detectors that do not
// follow atomics.
void Release(SyncObject* o) {
  bool last;
  {
    std::lock_guard<std::mutex> guard(o->lock);
    last = o->refs.fetch_sub(1, std::memory_order_acq_rel) == 1;
  }
  if (last) {
    o->magic = 0;
    delete o;
  }
}

SyncObject* Lookup(SyncHandle h) {
  auto* o = reinterpret_cast<SyncObject*>(h);
  if (!o || o->magic != kLiveMagic || o->closed.load(std::memory_order_acquire)) return nullptr;
  return o;
}

SyncObject* LookupKind(SyncHandle h, Kind kind) {
  SyncObject* o = Lookup(h);
  if (o && o->kind == kind) return o;
  SetLastOSError(kErrorInvalidHandle);
  return nullptr;
}

// Mutexes owned by the current thread, abandoned when the thread ends.
class OwnedMutexes {
 public:
  ~OwnedMutexes() { AbandonAll(); }
  void Add(SyncObject* m) {
    AddRef(m);
    list_.push_back(m);
  }
  void Remove(SyncObject* m) {
    auto it = std::find(list_.begin(), list_.end(), m);
    if (it == list_.end()) return;
    list_.erase(it);
    Release(m);
  }
  void AbandonAll() {
    std::vector<SyncObject*> owned;
    owned.swap(list_);
    for (SyncObject* m : owned) {
      {
        std::lock_guard<std::mutex> guard(m->lock);
        if (m->recursion > 0 && m->owner == std::this_thread::get_id()) {
          m->owner = std::thread::id();
          m->recursion = 0;
          m->abandoned = true;
          m->WakeAllLocked();
        }
      }
      Release(m);
    }
  }

 private:
  std::vector<SyncObject*> list_;
};

OwnedMutexes& ThreadMutexes() {
  thread_local OwnedMutexes owned;
  return owned;
}

bool CanTakeLocked(const SyncObject& o) {
  switch (o.kind) {
    case Kind::kEvent:
    case Kind::kThread:
      return o.signalled;
    case Kind::kMutex:
      return o.recursion == 0 || o.owner == std::this_thread::get_id();
  }
  return false;
}

// Takes the object for the calling thread if it is signalled (lock held).
Take TakeLocked(SyncObject& o) {
  if (!CanTakeLocked(o)) return Take::kNone;
  switch (o.kind) {
    case Kind::kEvent:
      if (!o.manualReset) o.signalled = false;
      return Take::kTaken;
    case Kind::kThread:
      return Take::kTaken;
    case Kind::kMutex: {
      if (o.recursion++ > 0) return Take::kTaken;
      o.owner = std::this_thread::get_id();
      ThreadMutexes().Add(&o);
      bool wasAbandoned = o.abandoned;
      o.abandoned = false;
      return wasAbandoned ? Take::kAbandoned : Take::kTaken;
    }
  }
  return Take::kNone;
}

uint32_t ResultFor(Take t, uint32_t index) {
  return t == Take::kAbandoned ? kWaitAbandoned0 + index : kWaitObject0 + index;
}

class MultiWait {
 public:
  MultiWait(std::vector<SyncObject*> objects, bool waitAll)
      : objects_(std::move(objects)), waitAll_(waitAll) {}

  uint32_t Run(uint32_t timeout) {
    bool unlimited = timeout == kInfinite;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(unlimited ? 0 : timeout);
    if (timeout == 0) return Attempt(false).value_or(kWaitTimeout);
    for (;;) {
      if (auto r = Attempt(true)) return *r;
      bool woken = waiter_.Wait(unlimited, deadline);
      Unregister(objects_.size());
      if (!woken) return Attempt(false).value_or(kWaitTimeout);
    }
  }

 private:
  std::optional<uint32_t> Attempt(bool registerOnMiss) {
    return waitAll_ ? AttemptAll(registerOnMiss) : AttemptAny(registerOnMiss);
  }

  // Checks the objects in order; registers the waiter on each one missed so
  // that no change between two checks goes unseen.
  std::optional<uint32_t> AttemptAny(bool registerOnMiss) {
    for (size_t i = 0; i < objects_.size(); ++i) {
      SyncObject* o = objects_[i];
      std::lock_guard<std::mutex> guard(o->lock);
      Take t = TakeLocked(*o);
      if (t != Take::kNone) {
        if (registerOnMiss) Unregister(i);
        return ResultFor(t, uint32_t(i));
      }
      if (registerOnMiss) o->waiters.push_back(&waiter_);
    }
    return std::nullopt;
  }

  // Locks every object (in address order), takes all when all are signalled.
  std::optional<uint32_t> AttemptAll(bool registerOnMiss) {
    std::vector<SyncObject*> sorted(objects_);
    std::sort(sorted.begin(), sorted.end());
    for (SyncObject* o : sorted) o->lock.lock();
    bool all = std::all_of(objects_.begin(), objects_.end(), [](SyncObject* o) { return CanTakeLocked(*o); });
    std::optional<uint32_t> result;
    if (all) {
      uint32_t r = kWaitObject0;
      for (size_t i = 0; i < objects_.size(); ++i) {
        if (TakeLocked(*objects_[i]) == Take::kAbandoned && r == kWaitObject0) r = kWaitAbandoned0 + uint32_t(i);
      }
      result = r;
    } else if (registerOnMiss) {
      for (SyncObject* o : objects_) o->waiters.push_back(&waiter_);
    }
    for (SyncObject* o : sorted) o->lock.unlock();
    return result;
  }

  void Unregister(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      std::lock_guard<std::mutex> guard(objects_[i]->lock);
      objects_[i]->RemoveWaiterLocked(&waiter_);
    }
  }

  std::vector<SyncObject*> objects_;
  bool waitAll_;
  Waiter waiter_;
};

SyncHandle HandleOf(SyncObject* o) { return reinterpret_cast<SyncHandle>(o); }

}  // namespace

SyncHandle CreateEventHandle(bool manualReset, bool initiallySet) {
  auto* o = new SyncObject(Kind::kEvent);
  o->manualReset = manualReset;
  o->signalled = initiallySet;
  return HandleOf(o);
}

bool SetEvent(SyncHandle event) {
  SyncObject* o = LookupKind(event, Kind::kEvent);
  if (!o) return false;
  std::lock_guard<std::mutex> guard(o->lock);
  o->signalled = true;
  o->WakeAllLocked();
  return true;
}

bool ResetEvent(SyncHandle event) {
  SyncObject* o = LookupKind(event, Kind::kEvent);
  if (!o) return false;
  std::lock_guard<std::mutex> guard(o->lock);
  o->signalled = false;
  return true;
}

SyncHandle CreateMutexHandle(bool initiallyOwned) {
  auto* o = new SyncObject(Kind::kMutex);
  if (initiallyOwned) {
    std::lock_guard<std::mutex> guard(o->lock);
    TakeLocked(*o);
  }
  return HandleOf(o);
}

bool ReleaseMutex(SyncHandle mutex) {
  SyncObject* o = LookupKind(mutex, Kind::kMutex);
  if (!o) return false;
  bool freed = false;
  {
    std::lock_guard<std::mutex> guard(o->lock);
    if (o->recursion == 0 || o->owner != std::this_thread::get_id()) {
      SetLastOSError(kErrorNotOwner);
      return false;
    }
    if (--o->recursion == 0) {
      o->owner = std::thread::id();
      o->WakeAllLocked();
      freed = true;
    }
  }
  if (freed) ThreadMutexes().Remove(o);
  return true;
}

namespace {

// Signals a started thread's handle from the thread's first thread local,
// whose destructor runs after those of every thread local the thread made
// later, in any library: as on Windows, a waiter that wakes and unloads a
// library finds the thread done with that library's per-thread data too.
struct tThreadEnd {
  SyncObject* Object = nullptr;
  std::function<void()> Finish;
  ~tThreadEnd() {
    if (!Object) return;
    Finish();
    {
      std::lock_guard<std::mutex> guard(Object->lock);
      Object->signalled = true;
      Object->WakeAllLocked();
    }
    Release(Object);
  }
};

tThreadEnd& ThreadEnd() {
  thread_local tThreadEnd end;
  return end;
}

}  // namespace

SyncHandle CreateThreadHandle(std::function<void()> body) {
  auto* o = new SyncObject(Kind::kThread);
  o->refs.store(2);  // the handle and the running thread
  try {
    StartedThreads().Start([o, body = std::move(body)](const std::function<void()>& finish) mutable {
      tThreadEnd& end = ThreadEnd();
      end.Object = o;
      end.Finish = finish;
      body();
      // What the body holds is released before the handle is signalled: a
      // waiter that wakes may free it, and must find the thread done with it.
      body = nullptr;
      ThreadMutexes().AbandonAll();
    });
  } catch (const std::system_error& e) {
    SetLastOSError(uint32_t(e.code().value()));
    o->refs.store(1);
    Release(o);
    return 0;
  }
  return HandleOf(o);
}

bool CloseHandle(SyncHandle handle) {
  SyncObject* o = Lookup(handle);
  if (!o || o->closed.exchange(true)) {
    SetLastOSError(kErrorInvalidHandle);
    return false;
  }
  Release(o);
  return true;
}

uint32_t WaitForMultipleObjects(uint32_t count, const SyncHandle* handles, bool waitAll, uint32_t timeout) {
  if (count == 0 || count > kMaximumWaitObjects || !handles) {
    SetLastOSError(kErrorInvalidParameter);
    return kWaitFailed;
  }
  std::vector<SyncObject*> objects;
  objects.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    SyncObject* o = Lookup(handles[i]);
    bool duplicate = waitAll && std::find(objects.begin(), objects.end(), o) != objects.end();
    if (!o || duplicate) {
      for (SyncObject* taken : objects) Release(taken);
      SetLastOSError(o ? kErrorInvalidParameter : kErrorInvalidHandle);
      return kWaitFailed;
    }
    AddRef(o);
    objects.push_back(o);
  }
  uint32_t result = MultiWait(objects, waitAll).Run(timeout);
  for (SyncObject* o : objects) Release(o);
  return result;
}

uint32_t WaitForSingleObject(SyncHandle handle, uint32_t timeout) {
  return WaitForMultipleObjects(1, &handle, false, timeout);
}

}  // namespace platform
