// Synchronisation objects: the Win32 objects themselves.
#include <windows.h>

#include <process.h>

#include <memory>

#include "platform/sync.h"

namespace platform {
namespace {

HANDLE AsHandle(SyncHandle h) { return reinterpret_cast<HANDLE>(h); }
SyncHandle AsSync(HANDLE h) { return reinterpret_cast<SyncHandle>(h); }

unsigned __stdcall ThreadEntry(void* arg) {
  std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
  (*body)();
  return 0;
}

bool HasDuplicate(uint32_t count, const SyncHandle* handles) {
  for (uint32_t i = 1; i < count; ++i)
    for (uint32_t j = 0; j < i; ++j)
      if (handles[i] == handles[j]) return true;
  return false;
}

}  // namespace

SyncHandle CreateEventHandle(bool manualReset, bool initiallySet) {
  return AsSync(::CreateEventA(nullptr, manualReset, initiallySet, nullptr));
}

bool SetEvent(SyncHandle event) { return ::SetEvent(AsHandle(event)) != 0; }
bool ResetEvent(SyncHandle event) { return ::ResetEvent(AsHandle(event)) != 0; }

SyncHandle CreateMutexHandle(bool initiallyOwned) {
  return AsSync(::CreateMutexA(nullptr, initiallyOwned, nullptr));
}

bool ReleaseMutex(SyncHandle mutex) { return ::ReleaseMutex(AsHandle(mutex)) != 0; }

SyncHandle CreateThreadHandle(std::function<void()> body) {
  auto* arg = new std::function<void()>(std::move(body));
  uintptr_t h = _beginthreadex(nullptr, 0, ThreadEntry, arg, 0, nullptr);
  if (!h) delete arg;
  return SyncHandle(h);
}

bool CloseHandle(SyncHandle handle) { return ::CloseHandle(AsHandle(handle)) != 0; }

uint32_t WaitForMultipleObjects(uint32_t count, const SyncHandle* handles, bool waitAll, uint32_t timeout) {
  static_assert(sizeof(SyncHandle) == sizeof(HANDLE), "handle width");
  // Windows refuses one handle twice in a wait for all, but Wine waits (and
  // may take an auto-reset event twice): refused here for both.
  if (waitAll && handles && count <= MAXIMUM_WAIT_OBJECTS && HasDuplicate(count, handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return ::WaitForMultipleObjects(count, reinterpret_cast<const HANDLE*>(handles), waitAll, timeout);
}

uint32_t WaitForSingleObject(SyncHandle handle, uint32_t timeout) {
  return ::WaitForSingleObject(AsHandle(handle), timeout);
}

}  // namespace platform
