#include "entry/exports.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "entry/device_table.h"
#include "entry/driver_info.h"
#include "io/printer/fiscreg/common_fisc_reg.h"
#include "io/printer/device/device.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "io/printer/fiscreg/fisc_document.h"
#include "standart/errors.h"
#include "standart/tasks.h"

namespace {

constexpr int32_t kDisplayHandleBase = 1000;

// No C++ exception may reach the POS: whatever escapes a device operation is
// logged here and the export returns its failure value.
void LogEscaped(const char* exportName) {
  try {
    LogText(0, std::string(exportName) + ": " + ExceptionMessage());
  } catch (...) {
  }
}

template <class R, class F>
R Guarded(const char* exportName, R failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    LogEscaped(exportName);
    return failure;
  }
}

template <class F>
void GuardedVoid(const char* exportName, F&& body) noexcept {
  try {
    body();
  } catch (...) {
    LogEscaped(exportName);
  }
}

template <class... A>
void Trace(const char* format, A... args) {
  RaiseErrorFmt(kTraceCode, format, args...);
}

// CheckHandle with its report, then a reference that keeps the device alive.
std::shared_ptr<TDevice> CheckedDevice(int32_t handle) {
  if (!DeviceTable::CheckHandle(handle, true)) return nullptr;
  return DeviceTable::Hold(handle);
}

tCommonFiscReg* AsFiscReg(TDevice* device) { return dynamic_cast<tCommonFiscReg*>(device); }

// A fiscal register that passed its initialisation check, or nullptr. The
// check runs under the device lock, as every other call into the device.
tCommonFiscReg* InitializedFiscReg(TDevice* device) {
  tCommonFiscReg* reg = AsFiscReg(device);
  if (!reg) return nullptr;
  TaskSectionLock lock(device->DeviceLock);
  return reg->EnsureInitialized() ? reg : nullptr;
}

// A device that could be set up, or nullptr; a half-made one is freed here,
// before its slot is given up, so that it never meets its successor.
std::unique_ptr<TDevice> CreateDevice(uint8_t number) {
  std::unique_ptr<TDevice> device;
  try {
    device.reset(DeviceTable::DeviceClass().Create(number));
  } catch (...) {
    LogEscaped("InitDevice");
  }
  if (device && device->PortHandle < 0) device.reset();
  return device;
}

void CopyTextLimited(char* target, const std::string& text, size_t maxChars) {
  size_t n = std::min(text.size(), maxChars);
  std::memcpy(target, text.data(), n);
  target[n] = 0;
}

void WriteInt32(uint8_t* at, int32_t value) { std::memcpy(at, &value, 4); }
int32_t ReadInt32(const uint8_t* at) {
  int32_t v;
  std::memcpy(&v, at, 4);
  return v;
}

}  // namespace

extern "C" {

uint8_t ZEF_REGCALL INITDLL(int32_t, int32_t, int32_t interfaceVersion, int32_t* errorCode, uint8_t* info,
                            int32_t) {
  return Guarded("INITDLL", uint8_t(0), [&]() -> uint8_t {
    using namespace DriverInfoLayout;
    if (interfaceVersion != 0 && interfaceVersion != 2) {
      if (errorCode) *errorCode = 114;
      return 0;
    }
    if (!info) return 0;
    const TDeviceClass& cls = DeviceTable::DeviceClass();
    StoreShortString(info + kName, cls.DriverName ? cls.DriverName() : std::string());
    uint16_t version = cls.DriverVersion ? cls.DriverVersion() : 0;
    std::memcpy(info + kVersion, &version, 2);
    WriteInt32(info + kTwo, 2);
    if (ReadInt32(info + kRevision) >= kRevisionWithCallback) {
      uint32_t address = uint32_t(uintptr_t(&GetDevicesInfo));
      std::memcpy(info + kDevicesInfo, &address, 4);
    }
    return 1;
  });
}

void ZEF_STDCALL DONEDLL() {
  GuardedVoid("DONEDLL", [] { DeviceTable::FreeAll(); });
}

int32_t ZEF_STDCALL InitDevice(int32_t number, int32_t posTask) {
  return Guarded("InitDevice", int32_t(-1), [&]() -> int32_t {
    int32_t handle = DeviceTable::Obtain(uint8_t(number & 0xFF), CreateDevice);
    DeviceTable::SetSignalTask(posTask);
    return handle;
  });
}

void ZEF_STDCALL Done(int32_t handle) {
  GuardedVoid("Done", [&] {
    if (DeviceTable::CheckHandle(handle, false)) DeviceTable::Free(handle);
  });
}

void ZEF_STDCALL GetStatus(int32_t handle, TPrinterStatus* status) {
  GuardedVoid("GetStatus", [&] {
    if (!status || status->Size <= 0) return;
    int32_t size = status->Size;
    std::vector<uint8_t> work(size_t(std::max(size, kPrinterStatusSize)), 0);
    auto* record = reinterpret_cast<TPrinterStatus*>(work.data());
    record->Size = size;
    auto device = CheckedDevice(handle);
    if (!device) {
      // Only the Offline byte, and only when the caller's record holds it.
      if (size > int32_t(offsetof(TPrinterStatus, Offline))) status->Offline = 1;
      return;
    }
    Trace("Prn %d. Get Status.", handle);
    {
      TaskSectionLock lock(device->DeviceLock);
      device->FillStatus(*record);
    }
    record->Size = size;
    std::memcpy(status, work.data(), size_t(size));
  });
}

uint8_t ZEF_STDCALL PrintingWithRes(int32_t handle, const uint8_t* data, int32_t count) {
  return Guarded("PrintingWithRes", uint8_t(0), [&]() -> uint8_t {
    bool result = count == 0;
    if (!DeviceTable::CheckHandle(handle, true) || count <= 0 || !data) return result;
    auto device = DeviceTable::Hold(handle);
    if (!device) return 0;
    Trace("Prn %d. Printing %d bytes.", handle, count);
    TaskSectionLock lock(device->DeviceLock);
    return device->Print(data, count) ? 1 : 0;
  });
}

void ZEF_STDCALL Printing(int32_t handle, const uint8_t* data, int32_t count) {
  PrintingWithRes(handle, data, count);
}

void ZEF_STDCALL CancelPrint(int32_t handle) {
  GuardedVoid("CancelPrint", [&] {
    if (auto device = CheckedDevice(handle)) device->CancelPrint(true);
  });
}

void ZEF_STDCALL OpenDrawerNum(int32_t handle, int32_t drawer) {
  GuardedVoid("OpenDrawerNum", [&] {
    auto device = CheckedDevice(handle);
    if (!device) return;
    Trace("Prn %d. Open Drawer %d.", handle, drawer);
    TaskSectionLock lock(device->DeviceLock);
    device->OpenDrawer(drawer);
  });
}

void ZEF_STDCALL OpenDrawer(int32_t handle) { OpenDrawerNum(handle, 0); }

int32_t ZEF_STDCALL IsDrawerNumOpen(int32_t handle, int32_t drawer) {
  return Guarded("IsDrawerNumOpen", int32_t(0), [&]() -> int32_t {
    auto device = CheckedDevice(handle);
    if (!device) return 0;
    int32_t result;
    {
      TaskSectionLock lock(device->DeviceLock);
      result = device->IsDrawerOpen(drawer) ? -1 : 0;
    }
    Trace("Prn %d. Is Drawer Num %d Open=%d", handle, drawer, result);
    return result;
  });
}

uint8_t ZEF_STDCALL ExtPrintData(int32_t handle, const char* xml) {
  return Guarded("ExtPrintData", uint8_t(0), [&]() -> uint8_t {
    auto device = CheckedDevice(handle);
    if (!device) return 0;
    std::string text = xml ? xml : "";
    Trace("Prn %d. ExtPrintData %d bytes.", handle, int32_t(text.size()));
    TaskSectionLock lock(device->DeviceLock);
    tCommonFiscReg* reg = AsFiscReg(device.get());
    return reg && reg->ExtPrint(text) ? 1 : 0;
  });
}

uint8_t ZEF_STDCALL FiscGetExtID(int32_t handle, char* extId, uint8_t* shiftOpened) {
  return Guarded("FiscGetExtID", uint8_t(0), [&]() -> uint8_t {
    auto device = CheckedDevice(handle);
    if (!device) return 0;
    tCommonFiscReg* reg = InitializedFiscReg(device.get());
    if (!reg) return 0;
    bool result = false;
    {
      TaskSectionLock lock(device->DeviceLock);
      std::string identifier;
      bool opened = false;
      result = reg->FiscGetExtID(identifier, opened);
      if (result) reg->StoreExtID(identifier.substr(0, 255), opened);
    }
    if (extId) CopyTextLimited(extId, reg->StoredExtID(), 255);
    if (shiftOpened) *shiftOpened = reg->StoredShiftOpened();
    Trace("Prn %d. Fisc ExtID=%s. Shift opened=%d. Result=%d", handle, reg->StoredExtID(),
          int32_t(reg->StoredShiftOpened()), int32_t(result ? 1 : 0));
    return result ? 1 : 0;
  });
}

uint8_t ZEF_STDCALL FiscDocument(int32_t handle, uint8_t* doc) {
  return Guarded("FiscDocument", uint8_t(0), [&]() -> uint8_t {
    if (!doc) return 0;
    // The call works on a local copy that starts with "Illegal handle" as
    // its error text; only the bytes the caller's Size covers come back.
    tFiscDocCopy copy(doc);
    bool result = false;
    try {
      if (auto device = CheckedDevice(handle)) {
        if (tCommonFiscReg* reg = AsFiscReg(device.get())) result = tFiscDocumentCall(*reg, handle, copy.Local()).Run();
      }
    } catch (...) {
      LogEscaped("FiscDocument");
    }
    copy.CopyBack();
    return result ? 1 : 0;
  });
}

void ZEF_STDCALL PrintersStarted(int32_t handle) {
  GuardedVoid("PrintersStarted", [&] {
    auto device = CheckedDevice(handle);
    if (!device) return;
    if (tCommonFiscReg* reg = AsFiscReg(device.get())) reg->PrintersStarted();
  });
}

void ZEF_STDCALL ProgramPrinter(int32_t handle, const void* data) {
  GuardedVoid("ProgramPrinter", [&] {
    auto device = CheckedDevice(handle);
    if (!device) return;
    tCommonFiscReg* reg = InitializedFiscReg(device.get());
    if (!reg) return;
    TaskSectionLock lock(device->DeviceLock);
    reg->ProgramPrinter(data);
  });
}

uint32_t ZEF_STDCALL NewGetFlags(int32_t handle) {
  return Guarded("NewGetFlags", uint32_t(0), [&]() -> uint32_t {
    auto device = CheckedDevice(handle);
    if (!device) return 0;
    tCommonFiscReg* reg = InitializedFiscReg(device.get());
    if (!reg) return 0;
    TaskSectionLock lock(device->DeviceLock);
    return reg->GetFiscRegOptions();
  });
}

int32_t ZEF_STDCALL InitCustDispPort(int32_t number, int32_t) {
  return InitDevice(number, 0) + kDisplayHandleBase;
}

void ZEF_STDCALL Print(int32_t displayHandle, const uint8_t* data, int32_t count) {
  GuardedVoid("Print", [&] {
    if (displayHandle <= kDisplayHandleBase) return;
    int32_t handle = displayHandle - kDisplayHandleBase;
    auto device = CheckedDevice(handle);
    if (!device) return;
    tCommonFiscReg* reg = AsFiscReg(device.get());
    if (!reg || (count > 0 && !data)) return;
    TaskSectionLock lock(device->DeviceLock);
    reg->CustDispOut(data, std::max(count, 0));
  });
}

uint8_t ZEF_STDCALL GetZReportData(int32_t handle, char** buffer, int32_t* size) {
  return Guarded("GetZReportData", uint8_t(0), [&]() -> uint8_t {
    auto device = CheckedDevice(handle);
    if (!device) return 0;
    tCommonFiscReg* reg = AsFiscReg(device.get());
    std::string text;
    bool result = false;
    if (reg) {
      TaskSectionLock lock(device->DeviceLock);
      IXmlDocument document;
      try {
        reg->GetZReportData(document);
      } catch (...) {
        reg->AddLogLine("GetZReportData exception");
        document = nullptr;
      }
      result = bool(document);
      if (document) text = document->Xml();
    }
    // The buffer holds Size characters and a zero byte; Size learns the full length.
    if (size && *size >= 0 && buffer && *buffer) CopyTextLimited(*buffer, text, size_t(*size));
    if (size) *size = int32_t(text.size());
    return result ? 1 : 0;
  });
}

}  // extern "C"

void ZEF_REGCALL GetDevicesInfo(char* buffer, int32_t maxLength) {
  GuardedVoid("GetDevicesInfo", [&] {
    if (!buffer || maxLength <= 0) return;
    CopyTextLimited(buffer, DeviceTable::DevicesInfo(), size_t(maxLength - 1));
  });
}
