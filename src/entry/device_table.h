// The process-wide table of devices: 1-based handles, growth by 8 slots,
// reuse of freed slots. The table owns the device objects.
//
// POS tasks may create and free devices at the same time. A slot is reserved
// under the table's lock before its device is built, and a device number
// stays busy while its device is being created or destroyed: whoever asks
// for that number meanwhile waits (letting the other tasks run), so there is
// never more than one device per number. No device is ever destroyed while
// the table's lock is held.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

// Builds a working device of the number, or gives nullptr (having freed a
// half-made one itself).
using TCreateDevice = std::function<std::unique_ptr<TDevice>(uint8_t number)>;

// The handle of the device with this number. When there is none, a slot
// (the lowest free one, the table growing by 8 when full) is reserved and
// filled with what `create` builds; -1 when it builds nothing. A caller that
// finds the number's device being created by another task waits for that
// creation and gets its outcome, handle or -1; one that finds it being
// destroyed waits for the destruction and then creates a new device.
int32_t Obtain(uint8_t number, const TCreateDevice& create);
// Clears the slot first, then frees the object (once no call holds it).
void Free(int32_t handle);
// Frees every device; the table is emptied unless a creation is under way.
void FreeAll();

int32_t HighestIndex();  // -1 when empty
size_t Length();

// "#<number+1>: <info text>" entries joined by "; ".
std::string DevicesInfo();

// The POS task that receives the devices' signals (latest InitDevice wins).
int32_t SignalTask();
void SetSignalTask(int32_t task);

}  // namespace DeviceTable
