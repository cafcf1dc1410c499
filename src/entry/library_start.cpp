// Library start and unload: the adapter's own version data, the device class
// and the process-wide settings; unloading frees every remaining device.
#include "entry/device_table.h"
#include "entry/library_info.h"
#include "entry/pos_data_hooks.h"
#include "io/printer/device/device.h"
#include "io/printer/fiscreg/device_log.h"
#include "io/printer/zefor/host/zef_callbacks.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "standart/tasks.h"

namespace {

std::string DriverName() { return LibraryInfo::DriverName(); }
uint16_t DriverVersion() { return LibraryInfo::DriverVersion(); }

struct LibraryLifetime {
  LibraryLifetime() {
    try {
      LibraryInfo::Load();
      // Until a device reads its journal level, all but printouts are journalled.
      LogLevel.store(1);
      DeviceTable::SetDeviceClass(TDeviceClass{"TZefor", DriverName, DriverVersion, TZefor::Class().Create});
      ZefCallbacks::SetSignalTaskSource(&DeviceTable::SignalTask);
      BindPosDataHooks();
      InitTaskServices();
    } catch (...) {
    }
  }
  ~LibraryLifetime() {
    try {
      DeviceTable::FreeAll();
      DoneTaskServices();
    } catch (...) {
    }
  }
};

LibraryLifetime g_lifetime;

}  // namespace
