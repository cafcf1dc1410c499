#include "io/printer/device/device.h"

#include <algorithm>

#include "io/printer/device/char_map.h"
#include "io/printer/device/module_loader.h"
#include "standart/errors.h"
#include "standart/host_params.h"

namespace {

const char kHostDescription[] = "Port driver (for printer)";
const char kInitTwoWay[] = "InitTwoWay";
const char kInitPrinter[] = "InitPrinter";
const char kInputSection[] = "pMain.CBInputHandler";
constexpr int32_t kHostQuestionIndex = -1;
constexpr int kMaxInitAttempts = 16;
constexpr int32_t kHandleStringSize = 255;
constexpr size_t kMaxDrawerBytes = 255;
constexpr uint8_t kCmdDrawer0 = '<';
constexpr uint8_t kCmdDrawerN = 'V';
const uint8_t kStartSequenceCodes[] = {'2', '4', '6'};

// What a port device does for a function its host lacks.
uint8_t ZEF_STDCALL NoQuery(int32_t) { return 0; }
int32_t ZEF_STDCALL NoCount(int32_t) { return 0; }
void ZEF_STDCALL NoAction(int32_t) {}
void ZEF_STDCALL NoPrint(int32_t, const uint8_t*, int32_t) {}
uint8_t ZEF_STDCALL NoHandleString(int32_t, uint8_t*, int32_t) { return 0; }
void ZEF_STDCALL NoSetFlag(int32_t, uint8_t) {}
void ZEF_STDCALL NoSetInputCallBack(int32_t, void*, void*) {}
void ZEF_STDCALL NoOutputBlock(int32_t, const uint8_t*, int32_t, void*, void*, int32_t) {}

template <class F>
void Bind(platform::LibraryHandle module, const char* name, F& function) {
  function = reinterpret_cast<F>(platform::FindFunction(module, name));
}

template <class F>
void Default(F& function, F fallback) {
  if (!function) function = fallback;
}

// Calls a host output function and tells whether the host reported an
// output failure. The current error is cleared around the call so that an
// old failure is not taken for a new one; it is put back when the call
// reports nothing.
template <class Call>
bool HostOutputSucceeded(Call call) {
  ProtocolSection section;
  ErrorContextBlock previous = SaveErrorContext();
  if (tNewErrorInfo* current = GetErrorInfoPtr()) current->Code = 0;
  call();
  if (LastError() == TDevice::kErrOutput) return false;
  RestoreErrorContext(std::move(previous), false);
  return true;
}

}  // namespace

TDevice::TDevice(uint8_t number) : Number(number) {}

TDevice::~TDevice() {
  try {
    // A port whose opening failed has no handle the host could close.
    if (HostModule && PortHandle >= 0) Host.Close(PortHandle);
  } catch (...) {
  }
  FreeModule(HostModule);
  HostModule = nullptr;
  // Closes the operating-system mutex the lock has when a thread outside the
  // POS tasks has taken it.
  try {
    if (DeviceLock.Mutex.load() != 0 || DeviceLock.Count.load() != 0) DestroyTaskSection(DeviceLock, false);
  } catch (...) {
  }
}

std::string TDevice::DriverName() { return std::string(); }
uint16_t TDevice::DriverVersion() { return 0; }

const TDeviceClass& TDevice::Class() {
  static const TDeviceClass deviceClass = DeviceClassOf<TDevice>("TDevice");
  return deviceClass;
}

void TDevice::Construct() {
  uint32_t descriptor = 0;
  std::string hostName;
  LoadHost(descriptor, hostName);
  if (HostModule) BindHostFunctions();
  BindDefaults();
  PortHandle = -1;
  SetDefaults();
  if (!HostModule) return;
  FindInitFunction();
  if (Host.Init) OpenPort(descriptor, hostName);
}

void TDevice::LoadHost(uint32_t& descriptor, std::string& hostName) {
  if (!AskPortHost(hostName, descriptor)) return;
  if (hostName.empty()) {
    RaiseError(kTraceCode, "Printer host empty");
    return;
  }
  HostModule = LoadModule(hostName, kHostDescription);
  if (!HostModule)
    RaiseErrorFmt(kErrHostLoading, "Host DLL %s loading error %d", hostName, platform::LastOSError());
}

bool TDevice::AskPortHost(std::string& hostName, uint32_t& descriptor) const {
  hostName.clear();
  descriptor = 0;
  return HostParams::Get(HostParams::AdapterFileName(), Number, kHostQuestionIndex, descriptor,
                         hostName);
}

void TDevice::BindHostFunctions() {
  Bind(HostModule, "ReadyForOutput", Host.ReadyForOutput);
  Bind(HostModule, "OutputBufferCount", Host.OutputBufferCount);
  Bind(HostModule, "OutputTimeoutHappened", Host.OutputTimeoutHappened);
  Bind(HostModule, "OutputBufferClear", Host.OutputBufferClear);
  Bind(HostModule, "Print", Host.Print);
  Bind(HostModule, "PrintEscapeSeq", Host.PrintEscapeSeq);
  Bind(HostModule, "Close", Host.Close);
  Bind(HostModule, "GetHandleString", Host.GetHandleString);
  Bind(HostModule, "SetCheckDSR", Host.SetCheckDSR);
  Bind(HostModule, "SetCheckCTS", Host.SetCheckCTS);
  Bind(HostModule, "SetInputCallBack", Host.SetInputCallBack);
  Bind(HostModule, "OutputBlock", Host.OutputBlock);
  HostHasHandleString = Host.GetHandleString != nullptr;
}

void TDevice::BindDefaults() {
  Default(Host.ReadyForOutput, &NoQuery);
  Default(Host.OutputBufferCount, &NoCount);
  Default(Host.OutputTimeoutHappened, &NoQuery);
  Default(Host.OutputBufferClear, &NoAction);
  Default(Host.Print, &NoPrint);
  Default(Host.Close, &NoAction);
  Default(Host.GetHandleString, &NoHandleString);
  Default(Host.SetCheckDSR, &NoSetFlag);
  Default(Host.SetCheckCTS, &NoSetFlag);
  Default(Host.SetInputCallBack, &NoSetInputCallBack);
  Default(Host.OutputBlock, &NoOutputBlock);
}

void TDevice::FindInitFunction() {
  std::string previous;
  for (int attempt = 1; attempt <= kMaxInitAttempts; ++attempt) {
    std::string name = InitFunctionName(attempt);
    if (name.empty() || name == previous) break;
    previous = name;
    Bind(HostModule, name.c_str(), Host.Init);
    if (Host.Init) break;
  }
}

void TDevice::OpenPort(uint32_t descriptor, const std::string& hostName) {
  {
    ProtocolSection section;
    PortHandle = Host.Init(int32_t(descriptor), PortParam);
  }
  if (PortHandle >= 0) {
    if (TwoWay)
      Host.SetInputCallBack(PortHandle, reinterpret_cast<void*>(&CBInputHandler), this);
    Host.SetCheckDSR(PortHandle, CheckDSR);
    Host.SetCheckCTS(PortHandle, CheckCTS);
    return;
  }
  ReportOpenFailure(hostName);
}

void TDevice::ReportOpenFailure(const std::string& hostName) {
  if (PortHandle == kInitPortUsed)
    RaiseErrorFmt(kErrPortUsed, "Can not open port %s for %s#%d, base port is already used", hostName,
                  HostParams::AdapterFileName(), Number);
  else if (PortHandle == kInitIllegalOS)
    RaiseErrorFmt(kErrIllegalOS, "Can not open port %s for %s#%d, illegal OS", hostName,
                  HostParams::AdapterFileName(), Number);
}

bool TDevice::HasEscapeOutput() { return Host.PrintEscapeSeq != nullptr; }

bool TDevice::OutputEscape(const uint8_t* data, int32_t count, bool flag) {
  if (!Host.PrintEscapeSeq) return false;
  return HostOutputSucceeded([&] { Host.PrintEscapeSeq(PortHandle, data, count); });
}

void TDevice::Delay(int32_t milliseconds) {
  if (milliseconds > 0) TaskDelay(uint32_t(milliseconds));
}

bool TDevice::Output(const uint8_t* data, int32_t count) {
  return HostOutputSucceeded([&] { Host.Print(PortHandle, data, count); });
}

bool TDevice::SendBytes(const uint8_t* data, int32_t count) {
  return HasEscapeOutput() ? OutputEscape(data, count, true) : Output(data, count);
}

void TDevice::FillStatus(TPrinterStatus& status) {
  if (HostOutputBufferCount() == 0) {
    status.Offline = HostReadyForOutput() ? 0 : 1;
  } else {
    status.Busy = 1;
    status.NotReady = HostOutputTimeoutHappened() ? 1 : 0;
  }
}

void TDevice::CancelPrint(bool flag) {
  if (HostOutputBufferCount() > 0) RaiseErrorFmt(kTraceCode, "Prn %d. Cancel print.", PortHandle);
  HostOutputBufferClear();
}

uint8_t TDevice::MapChar(uint8_t character) {
  const TFontRecord& font = Fonts[FontFlag == 0 ? 0 : 1];
  uint8_t result = character;
  if (font.CodePageFlag) {
    result = Cp1251ToCp866(character);
  } else {
    size_t at = font.Source.find(char(character));
    if (at != std::string::npos && at < font.Replacement.size()) result = uint8_t(font.Replacement[at]);
  }
  if (character > ' ' && result < ' ') result = '_';
  return result;
}

bool TDevice::WantsTwoWay() { return false; }

std::string TDevice::InitFunctionName(int attempt) {
  TwoWay = attempt == 1 && WantsTwoWay();
  return TwoWay ? kInitTwoWay : kInitPrinter;
}

void TDevice::SetDefaults() {
  FontFlag = 0;
  PortParam = kDefaultPortParam;
  std::string start;
  for (uint8_t code : kStartSequenceCodes) start += CommandBytes(code, std::string());
  StartSequence = start.substr(0, kMaxStartSequence);
  Fonts[0].CodePageFlag = 1;
  CutLineFeeds = kDefaultCutLineFeeds;
  CheckDSR = WantsTwoWay() ? 0 : 1;
}

std::string TDevice::GetInfoText() {
  std::string hostName;
  uint32_t descriptor = 0;
  if (!HostModule || !AskPortHost(hostName, descriptor)) return std::string();
  std::string text = "Host " + hostName + ":" + std::to_string((descriptor & 0xFF) + 1);
  uint32_t subPort = (descriptor >> 8) & 0xFF;
  if (subPort > 0) text += ":" + std::to_string(subPort);
  text += ", Ready " + std::to_string(HostReadyForOutput() ? 1 : 0);
  std::string handleText;
  if (HostHandleString(handleText))
    return text + " " + handleText;
  return text + " BufNotEmpty " + std::to_string(HostOutputBufferCount()) + ", OutStopped " +
         std::to_string(HostOutputTimeoutHappened() ? 1 : 0);
}

void TDevice::InputReceived(int32_t value) {}

void TDevice::Idle() {}

bool TDevice::OpenDrawer(int32_t drawer) {
  std::string bytes =
      drawer == 0 ? CommandBytes(kCmdDrawer0, std::string()) : CommandBytes(kCmdDrawerN, std::to_string(drawer));
  if (bytes.size() > kMaxDrawerBytes) bytes.resize(kMaxDrawerBytes);
  if (bytes.empty()) return true;
  return SendBytes(reinterpret_cast<const uint8_t*>(bytes.data()), int32_t(bytes.size()));
}

bool TDevice::IsDrawerOpen(int32_t drawer) { return false; }

bool TDevice::HostReadyForOutput() { return Host.ReadyForOutput(PortHandle) != 0; }

int32_t TDevice::HostOutputBufferCount() { return Host.OutputBufferCount(PortHandle); }

bool TDevice::HostOutputTimeoutHappened() { return Host.OutputTimeoutHappened(PortHandle) != 0; }

void TDevice::HostOutputBufferClear() { Host.OutputBufferClear(PortHandle); }

bool TDevice::HostHandleString(std::string& text) {
  text.clear();
  if (!HostHasHandleString) return false;
  uint8_t buffer[kHandleStringSize + 1] = {};
  if (!Host.GetHandleString(PortHandle, buffer, kHandleStringSize)) return false;
  text = ShortStringValue(buffer);
  return true;
}

void TDevice::HostOutputBlock(const uint8_t* data, int32_t count, PortHost::TCompletion completion,
                              void* context) {
  Host.OutputBlock(PortHandle, data, count, reinterpret_cast<void*>(completion), context, 1);
}

void ZEF_REGCALL TDevice::CBInputHandler(void* context, int32_t value) {
  EnterNoOSMode(kInputSection);
  try {
    if (context) static_cast<TDevice*>(context)->InputReceived(value);
  } catch (...) {
  }
  NoOSMode(0);
}
