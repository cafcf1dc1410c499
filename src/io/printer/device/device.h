// The printer device: one per POS printer number. Owns the device lock and
// the connection to a port host, a library that opens a serial (or similar)
// port and offers output, buffer state and input by function name.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "io/printer/device/device_class.h"
#include "io/printer/device/simple_printer.h"
#include "platform/abi.h"
#include "platform/platform.h"
#include "standart/tasks.h"

// Functions of a port host (standard call, 32-bit arguments, one-byte booleans).
namespace PortHost {
using TQuery = uint8_t(ZEF_STDCALL*)(int32_t handle);
using TCount = int32_t(ZEF_STDCALL*)(int32_t handle);
using TAction = void(ZEF_STDCALL*)(int32_t handle);
using TPrint = void(ZEF_STDCALL*)(int32_t handle, const uint8_t* data, int32_t count);
using THandleString = uint8_t(ZEF_STDCALL*)(int32_t handle, uint8_t* text, int32_t size);
using TSetFlag = void(ZEF_STDCALL*)(int32_t handle, uint8_t flag);
using TSetInputCallBack = void(ZEF_STDCALL*)(int32_t handle, void* callback, void* context);
using TOutputBlock = void(ZEF_STDCALL*)(int32_t handle, const uint8_t* data, int32_t count,
                                        void* completion, void* context, int32_t last);
using TInit = int32_t(ZEF_STDCALL*)(int32_t descriptor, int32_t parameter);

// Input callback, called by the host in the register convention:
// (context given at registration, received value).
using TInputCallBack = void(ZEF_REGCALL*)(void* context, int32_t value);
// Completion callback of OutputBlock, register convention: (context).
using TCompletion = void(ZEF_REGCALL*)(void* context);
}  // namespace PortHost

class TDevice : public TSimplePrinter {
 public:
  static constexpr int32_t kErrHostLoading = 3653;
  static constexpr int32_t kErrOutput = 3658;
  static constexpr int32_t kErrPortUsed = 3660;
  static constexpr int32_t kErrIllegalOS = 3662;
  static constexpr int32_t kDefaultPortParam = 4800;
  static constexpr uint8_t kDefaultCutLineFeeds = 8;
  static constexpr int32_t kInitPortUsed = -1;
  static constexpr int32_t kInitIllegalOS = -2;

  // Construction is two-phase: the constructor only stores the number;
  // Construct() runs the construction steps (derived classes override it and
  // call the base first). Use Class().Create(number).
  explicit TDevice(uint8_t number);
  virtual void Construct();
  ~TDevice() override;

  // Class level: a plain port device has no driver name or version.
  static std::string DriverName();
  static uint16_t DriverVersion();
  static const TDeviceClass& Class();

  // ---- TSimplePrinter slots replaced here ----
  bool HasEscapeOutput() override;                                  // 3
  bool OutputEscape(const uint8_t* data, int32_t count, bool flag) override;  // 5
  void Delay(int32_t milliseconds) override;                        // 6
  bool Output(const uint8_t* data, int32_t count) override;         // 8
  void FillStatus(TPrinterStatus& status) override;                 // 9
  void CancelPrint(bool flag) override;                             // 10
  uint8_t MapChar(uint8_t character) override;                      // 11

  // ---- slots 15 to 23 (21 is Construct) ----
  virtual bool WantsTwoWay();                                       // 15
  // Name of the host's initialisation function to try at attempt 1, 2, ...;
  // sets TwoWay for the name it gives.
  virtual std::string InitFunctionName(int attempt);                // 16
  virtual void SetDefaults();                                       // 17
  virtual std::string GetInfoText();                                // 18
  virtual void InputReceived(int32_t value);                        // 19
  virtual void Idle();                                              // 20
  virtual bool OpenDrawer(int32_t drawer);                          // 22
  virtual bool IsDrawerOpen(int32_t drawer);                        // 23

  // Sends bytes as an escape sequence when the host can, else as output.
  bool SendBytes(const uint8_t* data, int32_t count);

  // ---- the port host, for the device layers above ----
  bool HostLoaded() const { return HostModule != nullptr; }
  // Asks the parameter service again for the host file name and the port
  // descriptor (low byte: port index from 0; second byte: sub-port).
  bool AskPortHost(std::string& hostName, uint32_t& descriptor) const;
  bool HostReadyForOutput();
  int32_t HostOutputBufferCount();
  bool HostOutputTimeoutHappened();
  void HostOutputBufferClear();
  // The host's description of the port; false when it has none.
  bool HostHandleString(std::string& text);
  void HostOutputBlock(const uint8_t* data, int32_t count, PortHost::TCompletion completion,
                       void* context);

  // The host's input callback; never lets an exception reach the host.
  static void ZEF_REGCALL CBInputHandler(void* context, int32_t value);

  // ---- fields ----
  platform::LibraryHandle HostModule = nullptr;
  int32_t PortHandle = -1;
  bool TwoWay = false;
  // Serialises the calls into one device; a caller holds no other lock of
  // the device when it enters it.
  tTaskCriticalSection DeviceLock{};
  uint8_t Number;

 protected:
  // The bound host functions; every one holds a default when the host lacks it.
  struct HostFunctions {
    PortHost::TQuery ReadyForOutput;
    PortHost::TCount OutputBufferCount;
    PortHost::TQuery OutputTimeoutHappened;
    PortHost::TAction OutputBufferClear;
    PortHost::TPrint Print;
    PortHost::TPrint PrintEscapeSeq;  // stays nullptr when missing
    PortHost::TAction Close;
    PortHost::THandleString GetHandleString;
    PortHost::TSetFlag SetCheckDSR;
    PortHost::TSetFlag SetCheckCTS;
    PortHost::TSetInputCallBack SetInputCallBack;
    PortHost::TOutputBlock OutputBlock;
    PortHost::TInit Init;             // the initialisation function found
  };
  HostFunctions Host{};
  bool HostHasHandleString = false;

 private:
  void LoadHost(uint32_t& descriptor, std::string& hostName);
  void BindHostFunctions();
  void BindDefaults();
  void FindInitFunction();
  void OpenPort(uint32_t descriptor, const std::string& hostName);
  void ReportOpenFailure(const std::string& hostName);
};

// The class reference of a device type T: Create makes `new T(number)` and
// runs Construct(), deleting the object again when that throws.
template <class T>
TDevice* CreateDeviceOf(uint8_t number) {
  std::unique_ptr<T> device(new T(number));
  device->Construct();
  return device.release();
}

template <class T>
TDeviceClass DeviceClassOf(const char* className) {
  return TDeviceClass{className, &T::DriverName, &T::DriverVersion, &CreateDeviceOf<T>};
}
