#include "io/printer/zefor/status/zef_status_thread.h"

#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"

std::atomic<uint32_t> tSaveStatusThread::Period{tSaveStatusThread::kDefaultPeriod};

tSaveStatusThread::tSaveStatusThread(TZefor& device) : device_(device) {
  stopEvent_ = platform::CreateEventHandle(false, false);
  thread_ = platform::CreateThreadHandle([this] { Execute(); });
}

tSaveStatusThread::~tSaveStatusThread() {
  terminated_ = true;
  platform::SetEvent(stopEvent_);
  if (thread_) {
    platform::WaitForSingleObject(thread_, platform::kInfinite);
    platform::CloseHandle(thread_);
  }
  platform::CloseHandle(stopEvent_);
}

int32_t tSaveStatusThread::Elapsed() const {
  uint32_t tick = 0;
  if (!device_.LastSnapshotTick(tick)) return int32_t(Period.load());
  return int32_t(platform::TickCount() - tick);
}

void tSaveStatusThread::Execute() {
  while (!terminated_) {
    int32_t period = int32_t(Period.load());
    int32_t elapsed = Elapsed();
    if (elapsed >= period) {
      uint32_t before = 0, after = 0;
      device_.LastSnapshotTick(before);
      device_.RefreshStatusSnapshot();
      device_.LastSnapshotTick(after);
      // A refresh that built no document must not turn this into a busy loop.
      if (after == before) platform::WaitForSingleObject(stopEvent_, uint32_t(period));
    } else {
      platform::WaitForSingleObject(stopEvent_, uint32_t(period - elapsed));
    }
  }
}
