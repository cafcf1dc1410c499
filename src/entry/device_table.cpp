#include "entry/device_table.h"

#include "io/printer/device/device.h"
#include "standart/errors.h"

namespace DeviceTable {

namespace {

constexpr size_t kGrowth = 8;

// The slots hold shared references so that a call still running on a device
// keeps it alive while another thread frees its slot; the object is then
// destroyed when that call ends.
std::recursive_mutex g_lock;
std::vector<std::shared_ptr<TDevice>> g_slots;
TDeviceClass g_class{};
int32_t g_signalTask = 0;

bool ValidLocked(int32_t handle) {
  return handle >= 1 && size_t(handle) < g_slots.size() && g_slots[size_t(handle)];
}

}  // namespace

const TDeviceClass& DeviceClass() { return g_class; }
void SetDeviceClass(const TDeviceClass& deviceClass) { g_class = deviceClass; }

bool CheckHandle(int32_t handle, bool report) {
  bool valid;
  {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    valid = ValidLocked(handle);
  }
  if (!valid && report) RaiseErrorFmt(3654, "Illegal printer handle %d", handle);
  return valid;
}

TDevice* Device(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return ValidLocked(handle) ? g_slots[size_t(handle)].get() : nullptr;
}

std::shared_ptr<TDevice> Hold(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return ValidLocked(handle) ? g_slots[size_t(handle)] : nullptr;
}

int32_t FindByNumber(uint8_t number) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  for (size_t i = 1; i < g_slots.size(); ++i)
    if (g_slots[i] && g_slots[i]->Number == number) return int32_t(i);
  return 0;
}

int32_t NewHandle() {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  for (size_t i = 1; i < g_slots.size(); ++i)
    if (!g_slots[i]) return int32_t(i);
  size_t handle = g_slots.empty() ? 1 : g_slots.size();
  g_slots.resize(g_slots.size() + kGrowth);
  return int32_t(handle);
}

void Store(int32_t handle, TDevice* device) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  g_slots[size_t(handle)].reset(device);
}

void Free(int32_t handle) {
  std::shared_ptr<TDevice> device;
  {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    if (!ValidLocked(handle)) return;
    device.swap(g_slots[size_t(handle)]);
  }
  device.reset();
}

void FreeAll() {
  for (int32_t h = 1; h <= HighestIndex(); ++h) Free(h);
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  g_slots.clear();
}

int32_t HighestIndex() {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return int32_t(g_slots.size()) - 1;
}

size_t Length() {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return g_slots.size();
}

std::string DevicesInfo() {
  std::vector<std::shared_ptr<TDevice>> devices;
  {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    for (auto& d : g_slots)
      if (d) devices.push_back(d);
  }
  std::string text;
  for (auto& d : devices) {
    if (!text.empty()) text += "; ";
    text += "#" + std::to_string(int(d->Number) + 1) + ": " + d->GetInfoText();
  }
  return text;
}

int32_t SignalTask() { return g_signalTask; }
void SetSignalTask(int32_t task) { g_signalTask = task; }

}  // namespace DeviceTable
