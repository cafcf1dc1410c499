// The process-wide table of devices: 1-based handles, growth by 8 slots,
// reuse of freed slots. The table owns the device objects.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "io/printer/device/device_class.h"

class TDevice;

namespace DeviceTable {

// The class that InitDevice instantiates.
const TDeviceClass& DeviceClass();
void SetDeviceClass(const TDeviceClass& deviceClass);

// True when the handle names a device; reports 3654 when not and `report`.
bool CheckHandle(int32_t handle, bool report);
TDevice* Device(int32_t handle);  // nullptr for an invalid handle
// A reference that keeps the device alive for the length of a call.
std::shared_ptr<TDevice> Hold(int32_t handle);

int32_t FindByNumber(uint8_t number);  // 0 when none
// Lowest free handle, the table growing by 8 slots when full.
int32_t NewHandle();
void Store(int32_t handle, TDevice* device);
// Clears the slot first, then frees the object.
void Free(int32_t handle);
void FreeAll();

int32_t HighestIndex();  // -1 when empty
size_t Length();

// "#<number+1>: <info text>" entries joined by "; ".
std::string DevicesInfo();

// The POS task that receives the devices' signals (latest InitDevice wins).
int32_t SignalTask();
void SetSignalTask(int32_t task);

}  // namespace DeviceTable
