// The status snapshot thread of a universal register with a status file: it
// reads the driver status whenever no status has been read for a period
// (a minute), so that the status file never grows older than that even
// when the POS sends no work.
#pragma once
#include <atomic>
#include <cstdint>

#include "platform/sync.h"

class TZefor;

class tSaveStatusThread {
 public:
  static constexpr uint32_t kDefaultPeriod = 60000;
  // Milliseconds between snapshots; process-wide, shortened only by tests.
  static std::atomic<uint32_t> Period;

  // Starts the thread at once.
  explicit tSaveStatusThread(TZefor& device);
  // Wakes a waiting thread and waits until it has ended.
  ~tSaveStatusThread();
  tSaveStatusThread(const tSaveStatusThread&) = delete;
  tSaveStatusThread& operator=(const tSaveStatusThread&) = delete;

 private:
  void Execute();
  // Milliseconds since the device's last snapshot; the period when it has none.
  int32_t Elapsed() const;

  TZefor& device_;
  std::atomic<bool> terminated_{false};
  platform::SyncHandle stopEvent_ = 0;
  platform::SyncHandle thread_ = 0;
};
