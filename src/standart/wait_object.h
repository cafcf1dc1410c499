// The waiter thread that performs one operating-system wait at a time for a
// trusted task and tells the task by signal 32767 when the wait has ended.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/sync.h"

class tWaitObject {
 public:
  tWaitObject();  // starts the waiter thread
  ~tWaitObject();
  tWaitObject(const tWaitObject&) = delete;
  tWaitObject& operator=(const tWaitObject&) = delete;

  // Starts a wait for the calling task on count handles (at most
  // kMaximumWaitObjects - 1). False when the waiter thread is not ready to
  // take a request; the object is then of no further use.
  bool StartRequest(const platform::SyncHandle* handles, uint32_t count, uint32_t timeout);
  // Withdraws the request: the wait ends at once and nothing is sent. Waits
  // (a short while) until the waiter thread no longer uses the request's
  // handles, so that the caller may close them; false when it did not get
  // there in time.
  bool Withdraw();
  int32_t Sequence() const;
  uint32_t WaitResult() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
  platform::SyncHandle thread_ = 0;
};

// Destroys the wait object kept for reuse (module shut-down).
void DestroyCachedWaitObject();
