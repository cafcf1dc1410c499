#include "entry/device_table.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

#include "io/printer/device/device.h"
#include "platform/platform.h"
#include "platform/sync.h"
#include "standart/errors.h"
#include "standart/tasks.h"

namespace DeviceTable {

namespace {

constexpr size_t kGrowth = 8;

// A device number whose device is being created or destroyed. Creating and
// destroying a device take their time and let other tasks run (the driver
// thread is awaited by signal); meanwhile the number must not get a second
// device.
struct tBusyNumber {
  tBusyNumber(uint8_t number, bool creating)
      : Number(number),
        Creating(creating),
        Owner(platform::CurrentThreadId()),
        Ended(platform::CreateEventHandle(true, false)) {}
  ~tBusyNumber() {
    if (Ended) platform::CloseHandle(Ended);
  }
  tBusyNumber(const tBusyNumber&) = delete;
  tBusyNumber& operator=(const tBusyNumber&) = delete;

  const uint8_t Number;
  const bool Creating;
  const uint32_t Owner;              // the thread that started it
  const platform::SyncHandle Ended;  // set once it is over
  int32_t Handle = -1;               // what a creation gave: the handle, or -1
};
using tBusyRef = std::shared_ptr<tBusyNumber>;

struct tSlot {
  // Shared so that a call still running on a device keeps it alive while
  // another task frees the slot; the object goes when that call ends.
  std::shared_ptr<TDevice> Device;
  uint8_t Number = 0;
  bool Reserved = false;  // a creation will fill it
};

struct tTable {
  // Held only for short table work: never across a device's creation, a
  // call into it or its destruction.
  std::mutex Lock;
  std::vector<tSlot> Slots;
  std::vector<tBusyRef> Busy;
};
using Guard = std::lock_guard<std::mutex>;

// Never destroyed: a device that outlives the table's users (the process
// ends with devices in it) must still find the table when it goes.
tTable& Table() {
  static tTable* table = new tTable;
  return *table;
}

TDeviceClass g_class{};
std::atomic<int32_t> g_signalTask{0};

bool ValidLocked(const tTable& t, int32_t handle) {
  return handle >= 1 && size_t(handle) < t.Slots.size() && t.Slots[size_t(handle)].Device;
}

int32_t FindLocked(const tTable& t, uint8_t number) {
  for (size_t i = 1; i < t.Slots.size(); ++i)
    if (t.Slots[i].Device && t.Slots[i].Number == number) return int32_t(i);
  return 0;
}

tBusyRef BusyLocked(const tTable& t, uint8_t number) {
  for (const tBusyRef& busy : t.Busy)
    if (busy->Number == number) return busy;
  return nullptr;
}

void RemoveBusyLocked(tTable& t, const tBusyRef& busy) {
  t.Busy.erase(std::remove(t.Busy.begin(), t.Busy.end(), busy), t.Busy.end());
}

// The lowest slot that holds nothing, the table growing by 8 when full.
int32_t ReserveLocked(tTable& t) {
  size_t handle = 1;
  while (handle < t.Slots.size() && (t.Slots[handle].Device || t.Slots[handle].Reserved)) ++handle;
  if (handle >= t.Slots.size()) t.Slots.resize(t.Slots.size() + kGrowth);
  t.Slots[handle].Reserved = true;
  return int32_t(handle);
}

// Ends a destruction, when one of the number is under way.
void EndClosing(uint8_t number) {
  tTable& t = Table();
  tBusyRef closing;
  {
    Guard lock(t.Lock);
    closing = BusyLocked(t, number);
    if (!closing || closing->Creating) return;
    RemoveBusyLocked(t, closing);
  }
  platform::SetEvent(closing->Ended);
}

// Every stored device goes through here, wherever its last reference drops.
struct tDeviceDeleter {
  uint8_t Number;
  void operator()(TDevice* device) const {
    delete device;
    EndClosing(Number);
  }
};

// Puts what a creation gave into its reserved slot and wakes its waiters.
void Settle(int32_t handle, std::shared_ptr<TDevice> device, const tBusyRef& creation) {
  tTable& t = Table();
  {
    Guard lock(t.Lock);
    tSlot& slot = t.Slots[size_t(handle)];
    slot.Reserved = false;
    slot.Number = creation->Number;
    slot.Device = std::move(device);
    creation->Handle = slot.Device ? handle : -1;
    RemoveBusyLocked(t, creation);
  }
  platform::SetEvent(creation->Ended);
}

int32_t CreateInSlot(int32_t handle, const tBusyRef& creation, const TCreateDevice& create) {
  std::shared_ptr<TDevice> device;
  try {
    if (std::unique_ptr<TDevice> made = create(creation->Number))
      device = std::shared_ptr<TDevice>(made.release(), tDeviceDeleter{creation->Number});
  } catch (...) {
    Settle(handle, nullptr, creation);
    throw;
  }
  Settle(handle, std::move(device), creation);
  return creation->Handle;
}

// Lets the other tasks run meanwhile.
void AwaitEnd(const tBusyNumber& busy) {
  WinWaitForMultipleObjects(1, &busy.Ended, platform::kInfinite, false);
}

}  // namespace

const TDeviceClass& DeviceClass() { return g_class; }
void SetDeviceClass(const TDeviceClass& deviceClass) { g_class = deviceClass; }

bool CheckHandle(int32_t handle, bool report) {
  bool valid;
  {
    tTable& t = Table();
    Guard lock(t.Lock);
    valid = ValidLocked(t, handle);
  }
  if (!valid && report) RaiseErrorFmt(3654, "Illegal printer handle %d", handle);
  return valid;
}

TDevice* Device(int32_t handle) {
  tTable& t = Table();
  Guard lock(t.Lock);
  return ValidLocked(t, handle) ? t.Slots[size_t(handle)].Device.get() : nullptr;
}

std::shared_ptr<TDevice> Hold(int32_t handle) {
  tTable& t = Table();
  Guard lock(t.Lock);
  return ValidLocked(t, handle) ? t.Slots[size_t(handle)].Device : nullptr;
}

int32_t Obtain(uint8_t number, const TCreateDevice& create) {
  tTable& t = Table();
  for (;;) {
    tBusyRef busy;
    int32_t reserved = 0;
    {
      Guard lock(t.Lock);
      if (int32_t handle = FindLocked(t, number)) return handle;
      busy = BusyLocked(t, number);
      if (!busy) {
        busy = std::make_shared<tBusyNumber>(number, true);
        if (!busy->Ended) return -1;
        reserved = ReserveLocked(t);
        t.Busy.push_back(busy);
      }
    }
    if (reserved) return CreateInSlot(reserved, busy, create);
    // A call made from inside this very creation would wait for itself.
    if (busy->Creating && busy->Owner == platform::CurrentThreadId()) return -1;
    AwaitEnd(*busy);
    if (busy->Creating) return busy->Handle;
    // The old device is gone: look again, and create when nobody else did.
  }
}

void Free(int32_t handle) {
  tTable& t = Table();
  std::shared_ptr<TDevice> device;
  {
    Guard lock(t.Lock);
    if (!ValidLocked(t, handle)) return;
    tSlot& slot = t.Slots[size_t(handle)];
    device.swap(slot.Device);
    auto closing = std::make_shared<tBusyNumber>(slot.Number, false);
    if (closing->Ended) t.Busy.push_back(std::move(closing));
  }
  device.reset();
}

void FreeAll() {
  for (int32_t h = 1; h <= HighestIndex(); ++h) Free(h);
  tTable& t = Table();
  Guard lock(t.Lock);
  const bool inUse = std::any_of(t.Slots.begin(), t.Slots.end(),
                                 [](const tSlot& slot) { return slot.Device || slot.Reserved; });
  if (!inUse) t.Slots.clear();
}

int32_t HighestIndex() { return int32_t(Length()) - 1; }

size_t Length() {
  tTable& t = Table();
  Guard lock(t.Lock);
  return t.Slots.size();
}

std::string DevicesInfo() {
  std::vector<std::shared_ptr<TDevice>> devices;
  {
    tTable& t = Table();
    Guard lock(t.Lock);
    for (const tSlot& slot : t.Slots)
      if (slot.Device) devices.push_back(slot.Device);
  }
  std::string text;
  for (auto& d : devices) {
    if (!text.empty()) text += "; ";
    text += "#" + std::to_string(int(d->Number) + 1) + ": " + d->GetInfoText();
  }
  return text;
}

int32_t SignalTask() { return g_signalTask.load(); }
void SetSignalTask(int32_t task) { g_signalTask.store(task); }

}  // namespace DeviceTable
