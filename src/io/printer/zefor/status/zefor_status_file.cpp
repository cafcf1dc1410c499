// The status snapshot: the refresh that the status snapshot thread runs.
#include "io/printer/zefor/status/zef_status_thread.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"

void TZefor::StartStatusSnapshotThread() {
  StopStatusSnapshotThread();
  StatusThread = std::make_unique<tSaveStatusThread>(*this);
}

void TZefor::StopStatusSnapshotThread() { StatusThread.reset(); }

// Runs outside the driver thread but under the call lock, so that it never
// overlaps another driver call of the device. The last-result fields are
// left to the POS's own calls: only the document tells the state.
void TZefor::RefreshStatusSnapshot() {
  try {
    Driver.UnderCallLock([this] {
      TZefStatus status{};
      int32_t code = Driver.GetStatus(status, kSnapshotMask, true);
      DeviceStateDocument(code == 0, status);
      return code;
    });
  } catch (...) {
    Journal.Write(0, tZefJournal::Message("tSaveStatusThread", ExceptionMessage()));
  }
}
