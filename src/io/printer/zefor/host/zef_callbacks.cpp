#include "io/printer/zefor/host/zef_callbacks.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "io/printer/fiscreg/operator_message.h"
#include "io/printer/markup/prn_cmd_convert_ext.h"
#include "io/printer/zefor/host/pos_objects.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"
#include "standart/task_library.h"
#include "standart/trusted_tasks.h"
#include "xml/textconv.h"
#include "xml/xmldocument.h"

namespace {

constexpr int32_t kMaxKind = 10;
constexpr int32_t kMessageRecordService = -12, kMessageFirst = -2, kMessageSecond = -3;
constexpr int32_t kProgressService = -4;
constexpr int32_t kInputRecordService = -13, kInputText = -10, kInputNumber = -11;
constexpr int32_t kAnswerFirst = 2, kAnswerSecond = 255;
constexpr int32_t kInputUnanswered = 255;
constexpr int32_t kPrintJobsProtocol = 25;
constexpr int32_t kDefaultCharset = 1;
constexpr size_t kNameLimit = 255;

// ---- the devices ---------------------------------------------------------------------

// Held while a callback uses a device, so that the device cannot go meanwhile;
// nothing under it takes a device's own locks except the journal lock.
std::mutex g_devicesLock;
std::array<TZefor*, 256> g_devices{};

std::atomic<int32_t (*)()> g_signalTaskSource{nullptr};

// What a callback running in a trusted task needs of its device, copied
// while the device is held.
struct tDeviceView {
  bool Known = false;
  int32_t Protocol = 0;
  bool NeedLog = false;
};

tDeviceView ViewOf(int32_t number) {
  tDeviceView view;
  if (number < 0 || number > 255) return view;
  std::lock_guard<std::mutex> guard(g_devicesLock);
  if (TZefor* device = g_devices[size_t(number)]) {
    view.Known = true;
    view.Protocol = device->Driver.ProtocolVersion;
    view.NeedLog = !device->Log.FileName().empty() && LogLevel.load() >= 1;
  }
  return view;
}

// ---- reading foreign memory ------------------------------------------------------------

// The record at `address` copied into `copy` as far as the record announces
// (zero beyond); false for nil or a size below `minimum`.
template <class R>
bool CopyRecord(const void* address, R& copy, size_t minimum) {
  if (!address) return false;
  int32_t size;
  std::memcpy(&size, address, sizeof size);
  if (size < 0 || size_t(size) < minimum) return false;
  std::memset(&copy, 0, sizeof copy);
  std::memcpy(&copy, address, std::min(sizeof copy, size_t(size)));
  copy.Size = size;
  return true;
}

// A record whose driver may leave the size field 0: 0 stands for the fixed
// layout, which is read whole. A size that is given is tested as by
// CopyRecord; `size` tells it.
template <class R>
bool CopyFixedRecord(const void* address, R& copy, int32_t& size) {
  if (!address) return false;
  std::memcpy(&size, address, sizeof size);
  if (size != 0) return CopyRecord(address, copy, sizeof copy);
  std::memcpy(&copy, address, sizeof copy);
  return true;
}

// A short string of which `room` bytes (length byte included) are present.
std::string ShortText(const uint8_t* field, size_t room) {
  if (room == 0) return std::string();
  size_t length = std::min<size_t>(field[0], room - 1);
  return std::string(reinterpret_cast<const char*>(field + 1), length);
}
std::string ShortText(const uint8_t (&field)[256]) { return ShortText(field, sizeof field); }

void PutShort(uint8_t (&field)[256], const std::string& text) {
  size_t n = std::min<size_t>(text.size(), 255);
  field[0] = uint8_t(n);
  std::memcpy(field + 1, text.data(), n);
}

// A zero-terminated text the driver names; nil is empty, a name is read up
// to `limit` bytes.
std::string CText(const char* text, size_t limit = SIZE_MAX) {
  if (!text) return std::string();
  size_t n = 0;
  while (n < limit && text[n]) ++n;
  return std::string(text, n);
}

// At most size - 1 bytes and the terminating zero; nothing for a size below 1.
void PutAnswer(char* buffer, int32_t size, const std::string& answer) {
  if (!buffer || size < 1) return;
  size_t n = std::min(answer.size(), size_t(size) - 1);
  std::memcpy(buffer, answer.data(), n);
  buffer[n] = 0;
}

template <class T>
T* At(uint32_t address) {
  return reinterpret_cast<T*>(uintptr_t(address));
}

// ---- running in a trusted task ---------------------------------------------------------

// Logged by the error service (never raised) and, when the device is known,
// journalled as an error line of the step `taskName`.
void Report(const char* taskName, int32_t number, const std::string& text) {
  try {
    RaiseError(kTraceCode, "Callback " + text);
    if (number < 0 || number > 255) return;
    std::lock_guard<std::mutex> guard(g_devicesLock);
    if (TZefor* device = g_devices[size_t(number)]) device->Journal.Write(0, tZefJournal::Message(taskName, text), true);
  } catch (...) {
  }
}

void ReportFailure(const char* taskName, int32_t number, const std::string& message) {
  Report(taskName, number, std::string(taskName) + " failed: " + message);
}

// A record that announces a size below its layout is not read.
void ReportShortRecord(const char* taskName, int32_t number, int32_t size, size_t layout) {
  Report(taskName, number,
         std::string(taskName) + " refused a record of size " + std::to_string(size) + ", its layout has " +
             std::to_string(layout) + " bytes");
}

// The body runs in a trusted task and the caller waits. Whatever the body
// or the task runner raises ends here: the driver's thread gets no
// exception, the record keeps its default answer.
template <class Body>
void RunTrusted(const char* taskName, int32_t number, Body body) {
  try {
    RunInTrustedTask(taskName, {}, [&](const std::vector<int32_t>&) { body(); });
  } catch (...) {
    ReportFailure(taskName, number, ExceptionMessage());
  }
}

// ---- host services -------------------------------------------------------------------

bool AskHost(int32_t number, int32_t index, uint32_t& value, std::string& text) {
  return HostParams::Get(HostParams::AdapterFileName(), number, index, value, text);
}

uint32_t HostInterface() {
  uint32_t address = 0;
  std::string text;
  if (!HostParams::Get("*IntCallback", 0, 0, address, text)) return 0;
  return address;
}

// A host interface asked for by QueryInterface, released when the holder goes.
template <class I>
class tQueried {
 public:
  tQueried(const PosHost::tHost& host, const tOB7Guid& iid) : intf_(static_cast<I*>(host.Query(iid))) {}
  ~tQueried() {
    if (intf_) intf_->Table->Unknown.Release(reinterpret_cast<iOB7Unknown*>(intf_));
  }
  tQueried(const tQueried&) = delete;
  tQueried& operator=(const tQueried&) = delete;
  I* operator->() const { return intf_; }
  explicit operator bool() const { return intf_ != nullptr; }
  I* get() const { return intf_; }

 private:
  I* intf_;
};

// ---- kind 1: message dialog --------------------------------------------------------------

int32_t ShowDialog(int32_t number, const std::string& text, const tMessageDlgRecord& r) {
  const bool first = r.Variant == 1;
  const int32_t unanswered = first ? kAnswerFirst : kAnswerSecond;
  if (!HostParams::Available()) return unanswered;
  tOperatorMessageRecord message =
      OperatorMessage::MakeRecord(first ? OperatorMessage::kMessage : OperatorMessage::kQuestion, text, r.Buttons);
  message.One = r.DialogType;
  message.MinusOne = r.Wait;
  uint32_t cell = uint32_t(uintptr_t(&message));
  std::string buffer = text;
  if (AskHost(number, kMessageRecordService, cell, buffer)) return message.Answer;
  const uint32_t sent = (1u << 11) + (r.Buttons & 0x7FFu);
  cell = sent;
  buffer = text;
  AskHost(number, first ? kMessageFirst : kMessageSecond, cell, buffer);
  return cell != sent ? int32_t(cell) : unanswered;
}

void MessageDlg(int32_t number, void* address) {
  tMessageDlgRecord r;
  if (!CopyRecord(address, r, sizeof r.Size)) return;
  if (size_t(r.Size) < sizeof r) r.Wait = -1;
  std::string text = ShortText(r.Text, std::min(sizeof r.Text, size_t(r.Size) - sizeof r.Size));
  const std::string marker = "##NOWAIT##";
  size_t at = text.find(marker);
  if (at != std::string::npos) {
    text.erase(at, marker.size());
    r.Wait = 0;
  }
  int32_t result = r.Variant == 1 ? kAnswerFirst : kAnswerSecond;
  RunTrusted("Zefor ShowMessageDlg", number, [&] { result = ShowDialog(number, text, r); });
  if (size_t(r.Size) >= offsetof(tMessageDlgRecord, Result) + sizeof r.Result)
    std::memcpy(static_cast<uint8_t*>(address) + offsetof(tMessageDlgRecord, Result), &result, sizeof result);
}

// ---- kinds 2, 3, 4 -----------------------------------------------------------------------

void Progress(int32_t number, void* address) {
  tProgressRecord r;
  if (!CopyRecord(address, r, sizeof r) || size_t(r.Size) != sizeof r) return;
  RunTrusted("Zefor ShowProgress", number, [&] {
    uint32_t total = uint32_t(r.Total);
    std::string text = ShortText(r.Text) + ":" + std::to_string(r.Position);
    AskHost(number, kProgressService, total, text);
  });
}

// The box through the host's record service, else its older box (numeric or
// text). Fills OK and the entered text of `r`; the host's answer (1: OK),
// kInputUnanswered when no service answered.
int32_t AskInputBox(int32_t number, tInputBoxRecord& r) {
  if (!HostParams::Available()) return kInputUnanswered;
  if (ShortText(r.Caption).empty()) PutShort(r.Caption, HostParams::AdapterFileName() + "#" + std::to_string(number + 1));
  tInputBoxRecord shown = r;
  shown.OK = 0;
  uint32_t cell = uint32_t(uintptr_t(&shown));
  std::string text = ShortText(r.Prompt);
  if (AskHost(number, kInputRecordService, cell, text)) {
    r.OK = shown.OK == 1;
    std::memcpy(r.Result, shown.Result, sizeof r.Result);
    return r.OK;
  }
  cell = uint32_t(r.Limit);
  text = ShortText(r.Prompt);
  if (!AskHost(number, r.Text == 0 ? kInputNumber : kInputText, cell, text)) return kInputUnanswered;
  r.OK = 1;
  PutShort(r.Result, text);
  return r.OK;
}

void InputBox(int32_t number, void* address) {
  tInputBoxRecord r;
  if (!CopyRecord(address, r, sizeof r) || size_t(r.Size) != sizeof r) return;
  int32_t answer = kInputUnanswered;
  RunTrusted("Zefor InputBox", number, [&] { answer = AskInputBox(number, r); });
  // Unanswered, the driver's record keeps what the driver put in.
  if (answer == kInputUnanswered) return;
  auto* target = static_cast<tInputBoxRecord*>(address);
  target->OK = r.OK;
  std::memcpy(target->Result, r.Result, sizeof r.Result);
}

void RegisterMenu(int32_t number, void* address) {
  int32_t size;
  std::memcpy(&size, address, sizeof size);
  if (size != int32_t(sizeof(tMenuRecord))) return;
  RunTrusted("Zefor RegisterMenu", number,
             [&] { TZefor::RegisterMenuRecord(number, *static_cast<tMenuRecord*>(address)); });
}

// ---- kind 5: journal event ------------------------------------------------------------------

struct tEventKind {
  const char* Name;
  int32_t Level;
  int32_t Direction;  // of the data dump: 0 out, 1 in
};
const tEventKind kEventKinds[] = {
    {"Error", 0, 0},       {"Initializing", 1, 0},        {"Initialized", 1, 0},
    {"FiscCommand", 1, 0}, {"FiscCommandComplete", 1, 1}, {"TextCommand", 2, 0},
    {"TextCommandComplete", 2, 1}, {"BinInput", 1, 1},    {"BinOut", 1, 0},
};

void LogEvent(int32_t number, void* address) {
  tLogEventRecord r;
  if (number < 0 || number > 255 || !CopyRecord(address, r, sizeof r) || size_t(r.Size) != sizeof r) return;
  if (r.Kind < 1 || r.Kind > 9) return;
  const tEventKind& kind = kEventKinds[r.Kind - 1];
  std::string text = CText(At<const char>(r.Text));
  if (r.Kind <= 7 && !text.empty()) text = Utf8ToCharset(text, HostParams::MainCharset(kDefaultCharset));
  // Any event with text or data is journalled; only kinds 4 to 9 dump the data.
  const bool data = r.DataLength > 0 && r.Data != 0;
  if (text.empty() && !data) return;
  std::lock_guard<std::mutex> guard(g_devicesLock);
  TZefor* device = g_devices[size_t(number)];
  if (!device) return;
  std::string dump;
  if (data && r.Kind >= 4)
    dump = tDeviceLog::DumpText(kind.Direction, At<const uint8_t>(r.Data), r.DataLength, device->DataLogFlags());
  std::vector<std::string> lines{"\r\n#" + std::string(kind.Name)};
  if (!text.empty()) lines.push_back(text);
  device->Journal.WriteGroup(kind.Level, lines, dump);
}

// ---- kind 7: print on another printer -----------------------------------------------------------

void PrintWithJobs(const tQueried<iOB7PrintJobs>& jobs, const std::string& printer, const std::string& prn,
                   const tPrintOtherRecord& r, bool needLog) {
  IXmlDocument info = NewXmlDocument("JobInfo", "1.0");
  if (needLog) info->DocumentElement()->SetBoolAttr("NeedLog", true);
  const std::string jobInfo = info->Xml();
  jobs->Table->PrintJob(jobs.get(), printer.c_str(), reinterpret_cast<const uint8_t*>(prn.data()),
                        int32_t(prn.size()), r.Flag, r.Value, jobInfo.c_str());
}

void PrintOnPrinter(const PosHost::tHost& host, const std::string& printer, const std::string& prn,
                    const tPrintOtherRecord& r) {
  tQueried<iOB7Printers> printers(host, PosHost::kPrinters);
  if (!printers) return;
  int32_t found = printers->Table->FindPrinter(printers.get(), printer.c_str());
  if (found < 0) return;
  printers->Table->Print(printers.get(), found, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()),
                         r.Flag, r.Value);
}

void PrintOther(int32_t number, void* address) {
  tPrintOtherRecord r;
  int32_t size = 0;
  if (!CopyFixedRecord(address, r, size)) return ReportShortRecord("Zefor PrintTextOther", number, size, sizeof r);
  if (r.Value < 0 || r.Markup == 0) return;
  const tDeviceView view = ViewOf(number);
  if (!view.Known) return;
  const std::string markup = CText(At<const char>(r.Markup));
  RunTrusted("Zefor PrintTextOther", number, [&] {
    PosHost::tHost host(HostInterface());
    if (!host) return;
    const std::string prn = tPRNCMDConvertExt::ForHost().ConvertMarkup(markup);
    if (prn.empty()) return;
    const std::string printer = ShortText(r.PrinterName);
    if (view.Protocol >= kPrintJobsProtocol) {
      tQueried<iOB7PrintJobs> jobs(host, PosHost::kPrintJobs);
      if (jobs) return PrintWithJobs(jobs, printer, prn, r, view.NeedLog);
    }
    PrintOnPrinter(host, printer, prn, r);
  });
}

// ---- kinds 8, 9, 10 ------------------------------------------------------------------------

// Ten texts that outlive the signal call; ten signals in flight at most.
char g_signalTexts[ZefCallbacks::kSignalSlots][256];
std::atomic<uint32_t> g_nextSignalSlot{0};

int32_t SignalCode(int32_t kind) {
  switch (kind) {
    case 1: return 33026;
    case 2: return 33027;
    case 3: return 33034;
    case 4: return 33035;
    default: return 33025;
  }
}

void DeviceSignal(int32_t number, void* address) {
  tSignalRecord r;
  if (!CopyRecord(address, r, sizeof r)) return;
  RunTrusted("Callback DeviceSignal", number, [&] {
    if (!HostInterface()) return;
    char* slot = g_signalTexts[g_nextSignalSlot.fetch_add(1) % ZefCallbacks::kSignalSlots];
    const std::string text = ShortText(r.Text);
    std::memcpy(slot, text.c_str(), text.size() + 1);
    int32_t (*source)() = g_signalTaskSource.load();
    SendSignal(source ? source() : 0, SignalCode(r.Kind), int32_t(uintptr_t(slot)), r.Parameter, 0);
  });
}

void PerformMessage(int32_t number, void* address) {
  tMessageRecord r;
  if (!CopyRecord(address, r, sizeof r)) return;
  RunTrusted("Callback PerformMessage", number, [&] {
    PosHost::tHost host(HostInterface());
    if (!host) return;
    int32_t station = 0;
    host.IntValue("#SYS#ThisStationIdent", station);
    host.PerformMessage(station, r.Values[0], r.Values[1], r.Values[2]);
  });
}

void ZEF_STDCALL CollectAnswer(void* context, const char* data, int32_t size) {
  if (context && data && size > 0) static_cast<std::string*>(context)->assign(data, size_t(size));
}

void ExecXml(int32_t number, void* address) {
  tExecXmlRecord r;
  int32_t size = 0;
  if (!CopyFixedRecord(address, r, size)) return ReportShortRecord("Callback ExecXML", number, size, sizeof r);
  const std::string request = CText(At<const char>(r.Request));
  std::string answer;
  RunTrusted("Callback ExecXML", number, [&] {
    tQueried<iOB7XmlRequests> xml(PosHost::tHost(HostInterface()), PosHost::kXmlRequests);
    if (xml) xml->Table->ExecXML(xml.get(), request.c_str(), &CollectAnswer, &answer);
  });
  PutAnswer(At<char>(r.Answer), r.AnswerSize, answer);
}

// ---- PropCallback ------------------------------------------------------------------------------

int32_t ObjectClass(const std::string& name) {
  static const struct {
    const char* Name;
    int32_t Class;
  } kClasses[] = {{"Item", 10},      {"Discount", 65},    {"Payment", 52},
                  {"Operator", 63},  {"Station", 71},     {"Restaurant", 137},
                  {"DepositCollectReason", 146}};
  for (const auto& entry : kClasses)
    if (name == entry.Name) return entry.Class;
  return 0;
}

constexpr int32_t kItemClass = 10, kDiscountClass = 65;

}  // namespace

namespace ZefCallbacks {

void Attach(uint8_t number, TZefor* device) {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  g_devices[number] = device;
}

void Detach(uint8_t number, TZefor* device) {
  std::lock_guard<std::mutex> guard(g_devicesLock);
  if (g_devices[number] == device) g_devices[number] = nullptr;
}

void SetSignalTaskSource(int32_t (*source)()) { g_signalTaskSource.store(source); }

int32_t ShowMessageDialog(int32_t number, const std::string& text, const tDialogForm& form) {
  tMessageDlgRecord r;
  std::memset(&r, 0, sizeof r);
  r.Size = int32_t(sizeof r);
  r.DialogType = form.DialogType;
  r.Variant = form.Variant;
  r.Buttons = form.Buttons;
  r.Wait = form.Wait;
  return ShowDialog(number, text, r);
}

}  // namespace ZefCallbacks

extern "C" {

void ZEF_STDCALL InterfaceCallback(int32_t, int32_t number, int32_t kind, int32_t, void* record) {
  if (!record || kind < 0 || kind > kMaxKind) return;
  try {
    switch (kind) {
      case ZefCallbacks::kMessageDlg: return MessageDlg(number, record);
      case ZefCallbacks::kProgress: return Progress(number, record);
      case ZefCallbacks::kInputBox: return InputBox(number, record);
      case ZefCallbacks::kRegisterMenu: return RegisterMenu(number, record);
      case ZefCallbacks::kLogEvent: return LogEvent(number, record);
      case ZefCallbacks::kPrintOther: return PrintOther(number, record);
      case ZefCallbacks::kDeviceSignal: return DeviceSignal(number, record);
      case ZefCallbacks::kPerformMessage: return PerformMessage(number, record);
      case ZefCallbacks::kExecXml: return ExecXml(number, record);
      default: return;
    }
  } catch (...) {
    ReportFailure("InterfaceCallback", number, ExceptionMessage());
  }
}

void ZEF_STDCALL PropCallback(const char* objectName, const char* propertyName, int32_t id, char* answer,
                              int32_t size) {
  try {
    const std::string object = CText(objectName, kNameLimit);
    const std::string property = CText(propertyName, kNameLimit);
    std::string value;
    RunTrusted("Zefor PropCallback", -1, [&] {
      const int32_t cls = ObjectClass(object);
      if (cls == 0) return;
      value = PosObjects::PropertyText(cls, id, property);
      if (value.empty() && cls == kItemClass) value = PosObjects::PropertyText(kDiscountClass, id, property);
    });
    PutAnswer(answer, size, value);
  } catch (...) {
    ReportFailure("PropCallback", -1, ExceptionMessage());
  }
}

}  // extern "C"
