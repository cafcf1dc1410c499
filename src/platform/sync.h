// Operating-system synchronisation objects with Win32 semantics: events,
// mutexes, threads and the wait for one of several objects. On Windows these
// are the system's own objects; on POSIX they are objects of this layer.
#pragma once
#include <cstdint>
#include <functional>

namespace platform {

// A handle of an event, mutex or thread; 0 is never a valid handle.
using SyncHandle = uintptr_t;

constexpr uint32_t kInfinite = 0xFFFFFFFFu;
constexpr uint32_t kMaximumWaitObjects = 64;

// Results of the waits, as the Win32 wait functions give them.
constexpr uint32_t kWaitObject0 = 0;      // + index of the signalled object
constexpr uint32_t kWaitAbandoned0 = 128;  // + index of a mutex whose owner ended
constexpr uint32_t kWaitTimeout = 258;
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;

// Operating-system error numbers set by this layer (LastOSError).
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorNotOwner = 288;

// An auto-reset event lets exactly one wait through per SetEvent; a
// manual-reset event stays signalled until ResetEvent. 0 on failure.
SyncHandle CreateEventHandle(bool manualReset, bool initiallySet);
bool SetEvent(SyncHandle event);
bool ResetEvent(SyncHandle event);

// A mutex owned by the thread that takes it, re-entrant: the owner must
// release it as often as it took it. When the owner thread ends without
// releasing, the next wait that takes it reports it abandoned (128 + i).
SyncHandle CreateMutexHandle(bool initiallyOwned);
// False (and kErrorNotOwner) when the calling thread does not own the mutex,
// or when the handle is not a mutex.
bool ReleaseMutex(SyncHandle mutex);

// Starts an operating-system thread running `body`; the handle is signalled
// once the body has returned. An exception leaving the body ends the process.
SyncHandle CreateThreadHandle(std::function<void()> body);

// Closes a handle. A thread keeps running when its handle is closed.
bool CloseHandle(SyncHandle handle);

// Waits until one object (waitAll false) or all objects (waitAll true) are
// signalled, taking what a wait takes (an auto-reset event's signal, a
// mutex's ownership). Results: kWaitObject0 + i (the lowest signalled index),
// kWaitAbandoned0 + i, kWaitTimeout, or kWaitFailed (bad handle, count 0 or
// above kMaximumWaitObjects; see LastOSError). timeout in ms, kInfinite = no limit.
uint32_t WaitForMultipleObjects(uint32_t count, const SyncHandle* handles, bool waitAll,
                                uint32_t timeout);
uint32_t WaitForSingleObject(SyncHandle handle, uint32_t timeout);

}  // namespace platform
