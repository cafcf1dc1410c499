// The fiscal register emulator: a low-level driver library with the universal
// driver interface. Its answers, faults and missing functions are chosen by
// configuration (README.md); what it prints goes to a paper-tape file.
#include <cstring>
#include <mutex>
#include <string>

#include "emu_callbacks.h"
#include "emu_day.h"
#include "emu_document.h"
#include "emu_print.h"
#include "emu_register.h"
#include "emu_xml.h"
#include "io/printer/zefor/driver/lodrv_api.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/zefor/status/zef_status_record.h"
#include "platform/abi.h"
#include "platform/codepage.h"
#include "platform/platform.h"

namespace {

using emu::Register;

// Notes in which thread the library is unloaded. The menu reply below is a
// thread-local buffer, as a real driver's may be: the C++ runtime (glibc's
// and MinGW's alike) then keeps the library loaded until that thread ends,
// so a library freed before the caller's worker thread ended is unloaded by
// that dying thread.
class UnloadNote {
 public:
  ~UnloadNote() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!file_.empty())
      platform::AppendToFile(file_, "unloaded thread=" + std::to_string(platform::CurrentThreadId()) + "\n");
  }
  void Set(const std::string& file) {
    std::lock_guard<std::mutex> guard(lock_);
    file_ = file;
  }

 private:
  std::mutex lock_;
  std::string file_;
};
UnloadNote g_unloadNote;

// Serialises the calls into one register and keeps the call log's in-flight
// count; returns the configured fault code through `fault`.
class Call {
 public:
  Call(int32_t number, const char* function)
      : lock_(emu::RegisterLock(number)), register_(emu::RegisterOf(number)), function_(function) {
    register_.Refresh();
    if (!register_.Cfg().UnloadLog.empty()) g_unloadNote.Set(register_.Cfg().UnloadLog);
    fault = register_.Enter(function_);
  }
  ~Call() { register_.Leave(function_); }
  Register& R() { return register_; }
  int32_t fault = 0;

 private:
  std::lock_guard<std::mutex> lock_;
  Register& register_;
  std::string function_;
};

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The value of attribute `name` of the first element `element` in the text.
std::string AttrOf(const std::string& xml, const std::string& element, const std::string& name) {
  size_t start = xml.find("<" + element);
  if (start == std::string::npos) return std::string();
  size_t end = xml.find('>', start);
  size_t at = xml.find(" " + name + "=\"", start);
  if (at == std::string::npos || at > end) return std::string();
  at += name.size() + 3;
  return xml.substr(at, xml.find('"', at) - at);
}

// A document the register cannot read: result 303, and the reason for
// ZefGetLastLogicError.
constexpr int32_t kDocumentXmlError = 303;
constexpr int32_t kRefusedLogicCode = 3;

[[maybe_unused]] int32_t Refuse(Register& r, const std::string& function, const std::string& reason) {
  r.SetLogicError(kRefusedLogicCode, function + ": " + reason);
  return kDocumentXmlError;
}

// Display bytes as the display shows them: the system code page, control
// bytes as dots.
[[maybe_unused]] std::string DisplayText(const std::string& bytes) {
  std::string shown;
  for (char c : bytes) shown += uint8_t(c) < 0x20 ? '.' : c;
  return platform::WideToUtf8(platform::SingleByteToWide(0, shown));
}

[[maybe_unused]] uint64_t OptionSet(const emu::Config& c) {
  uint64_t set = 0;
  for (const std::string& name : c.Options)
    for (const ZefOptions::tOptionRow& row : ZefOptions::kOptionTable)
      if (name == row.Name) set |= ZefOptions::RowMask(row);
  return set;
}

[[maybe_unused]] std::string InitReply(const emu::Config& c) {
  std::string text;
  if (!c.ReplyFile.empty() && platform::ReadWholeFile(c.ReplyFile, text)) return text;
  text = "<InitReply MaxProtocolSupported=\"" + std::to_string(c.Protocol) + "\" DriverName=\"" +
         Escape(c.DriverName) + "\" VersionInfo=\"" + Escape(c.VersionInfo) + "\"";
  if (!c.ChangeFrom.empty()) text += " ChangeFromTypeIndexes=\"" + Escape(c.ChangeFrom) + "\"";
  text += ">\r\n\t<Options>\r\n";
  for (const std::string& name : c.Options) text += "\t\t<Option Name=\"" + Escape(name) + "\"/>\r\n";
  text += "\t</Options>\r\n";
  std::string menu;
  if (!c.MenuFile.empty() && platform::ReadWholeFile(c.MenuFile, menu)) text += "\t" + menu + "\r\n";
  if (c.Rounding != "none")
    text += "\t<DataFormat>\r\n\t\t<Rounding Multiplier=\"" + Escape(c.Rounding) + "\"/>\r\n\t</DataFormat>\r\n";
  if (c.EndDate != "none")
    text += "\t<Hardware>\r\n\t\t<Fiscal EndDate=\"" + Escape(c.EndDate) + "\"/>\r\n\t</Hardware>\r\n";
  return text + "</InitReply>";
}

void StoreShort(uint8_t* target, const std::string& text, size_t capacity) {
  size_t n = std::min(text.size(), capacity - 1);
  target[0] = uint8_t(n);
  std::memcpy(target + 1, text.data(), n);
}

[[maybe_unused]] int32_t Initialise(int32_t number, const char* paramsXml, LoDrv::TInterfaceCallback interfaceCallback,
                                    LoDrv::TPropCallback propCallback) {
  emu::SetCallbacks(number, interfaceCallback, propCallback);
  std::string params = paramsXml ? paramsXml : "";
  std::string config = AttrOf(params, "Emulator", "Config");
  Register& r = emu::RegisterOf(number);
  {
    std::lock_guard<std::mutex> lock(emu::RegisterLock(number));
    r.Bind(config);
  }
  Call call(number, "ZefInit");
  if (call.fault) return call.fault;
  call.R().Tape("==== " + call.R().Cfg().DriverName + " #" + std::to_string(number + 1) + " serial " +
                call.R().St().Serial + " initialised ====");
  emu::RunCallbacks(number, call.R().Cfg(), call.R().Cfg().OnInit, "init");
  emu::StartBackground(number, call.R().Cfg());
  return 0;
}

}  // namespace

#ifndef EMU_NO_MAXPROTOCOL
ZEF_EXPORT int32_t ZEF_STDCALL ZefMaxProtocolSupported() {
  Register& r = emu::RegisterOf(0);
  std::lock_guard<std::mutex> lock(emu::RegisterLock(0));
  r.Refresh();
  return r.Cfg().Protocol;
}
#endif

#ifndef EMU_NO_INIT
ZEF_EXPORT int32_t ZEF_STDCALL ZefInit(int32_t number, const char* paramsXml,
                                       LoDrv::TInterfaceCallback interfaceCallback, LoDrv::TPropCallback propCallback) {
  return Initialise(number, paramsXml, interfaceCallback, propCallback);
}
#endif

#ifndef EMU_NO_INITXML
ZEF_EXPORT int32_t ZEF_STDCALL ZefInitXML(int32_t number, const char* paramsXml,
                                          LoDrv::TInterfaceCallback interfaceCallback,
                                          LoDrv::TPropCallback propCallback, char* reply) {
  int32_t code = Initialise(number, paramsXml, interfaceCallback, propCallback);
  if (code) return code;
  Call call(number, "ZefInitXML");
  if (call.fault) return call.fault;
  std::string text = InitReply(call.R().Cfg());
  size_t n = std::min<size_t>(text.size(), LoDrv::kInitReplySize - 1);
  std::memcpy(reply, text.data(), n);
  reply[n] = 0;
  return 0;
}
#endif

#ifndef EMU_NO_GETOPTIONS
ZEF_EXPORT int32_t ZEF_STDCALL ZefGetOptions(int32_t number, uint64_t* options, uint8_t* name, uint8_t* version,
                                             uint8_t* state) {
  Call call(number, "ZefGetOptions");
  if (call.fault) return call.fault;
  const emu::Config& c = call.R().Cfg();
  *options = OptionSet(c);
  StoreShort(name, c.DriverName, LoDrv::kOptionTextSize);
  StoreShort(version, c.VersionInfo, LoDrv::kOptionTextSize);
  StoreShort(state, c.DriverState, LoDrv::kOptionTextSize);
  return 0;
}
#endif

ZEF_EXPORT void ZEF_STDCALL ZefDone(int32_t number) {
  emu::StopBackground(number);
  Call call(number, "ZefDone");
  call.R().SaveState();
}

#ifndef EMU_NO_GETSTATUS
ZEF_EXPORT int32_t ZEF_STDCALL ZefGetStatus(int32_t number, void* record, int32_t mask) {
  Call call(number, "ZefGetStatus");
  if (call.fault) return call.fault;
  call.R().FillStatus(*static_cast<TZefStatus*>(record), uint32_t(mask));
  return 0;
}
#endif

#ifndef EMU_NO_PRINT
ZEF_EXPORT int32_t ZEF_STDCALL ZefUnfiscalPrint(int32_t number, const char* xml, int32_t flags) {
  Call call(number, "ZefUnfiscalPrint");
  if (call.fault) return call.fault;
  emu::XmlNode root;
  emu::PrintResult printed;
  std::string error;
  if (!emu::ParseXml(xml ? xml : "", root, error) ||
      !emu::RenderUnfiscal(root, call.R().Cfg().Width, printed, error))
    return Refuse(call.R(), "ZefUnfiscalPrint", error);
  call.R().SetLogicError(0, std::string());
  if (printed.DrawerOpens > 0) call.R().OpenDrawer();
  if (!printed.Tape.empty()) {
    printed.Tape.pop_back();  // the tape adds the line end
    call.R().Tape(printed.Tape);
  }
  return 0;
}

namespace {

// An accepted document: the shift opens, the counters grow, the state is
// saved. Returns the moment.
time_t CountDocument(Register& r, bool receipt) {
  emu::State& s = r.St();
  time_t now = time(nullptr);
  if (!s.ShiftOpen) {
    s.ShiftOpen = true;
    s.ShiftOpened = now;
  }
  ++s.Doc;
  if (receipt) ++s.Receipt;
  if (++s.Unsent == 1) s.OldestUnsent = now;
  r.SaveState();
  return now;
}

// The status record and the reply of an accepted document.
int32_t AnswerDocument(Register& r, void* record, int32_t* filled) {
  using namespace ZefStatus;
  uint32_t mask = fnShiftState | fnLastShiftNum | fnLastDocNum | fnLastReceiptNum;
  auto* status = static_cast<TZefStatus*>(record);
  if (status) {
    r.FillStatus(*status, mask);
    std::string result = "<DocumentResult DocNum=\"" + std::to_string(r.St().Doc) + "\"/>";
    const std::string& replyFile = r.Cfg().FiscalReplyFile;
    if (!replyFile.empty()) platform::ReadWholeFile(replyFile, result);
    char* buffer = reinterpret_cast<char*>(uintptr_t(status->ReturnBuffer));
    if (buffer && status->ReturnBufferSize > int32_t(result.size())) std::memcpy(buffer, result.c_str(), result.size() + 1);
  }
  if (filled) *filled = int32_t(mask);
  return r.CountedFault("ZefFiscalDocument");
}

}  // namespace

ZEF_EXPORT int32_t ZEF_STDCALL ZefFiscalDocument(int32_t number, const char* xml, void* record, int32_t* filled) {
  Call call(number, "ZefFiscalDocument");
  if (call.fault) return call.fault;
  emu::RunCallbacksInThreads(number, call.R().Cfg(), call.R().Cfg().OnDocument, "document");
  std::string text = xml ? xml : "";
  Register& r = call.R();
  emu::XmlNode document;
  std::string error;
  const bool parsed = emu::ParseXml(text, document, error);
  // Cash documents and reports belong to the register's day.
  if (parsed && emu::IsDayDocument(document))
    return emu::DayDocument(r, document, text, static_cast<TZefStatus*>(record), filled);
  // Only the receipt-like documents are checked; cash documents, reports,
  // journal and custom documents are printed as they came.
  const bool fiscalRoot = parsed ? document.Name == "FiscalDocument" : text.find("<FiscalDocument") != std::string::npos;
  const std::string docType = parsed ? document.Attr("DocType") : AttrOf(text, "FiscalDocument", "DocType");
  if (!fiscalRoot || (!docType.empty() && !emu::IsCheckedDocType(docType))) {
    r.SetLogicError(0, std::string());
    emu::State& s = r.St();
    CountDocument(r, text.find("<Receipt") != std::string::npos);
    r.KeepDocument(text, "accepted unchecked as document " + std::to_string(s.Doc));
    r.Tape("---- fiscal document " + std::to_string(s.Doc) + " DocType=" + docType + " ----\n" + text);
    return AnswerDocument(r, record, filled);
  }
  emu::Verdict verdict;
  if (!parsed) {
    verdict.Code = emu::kRefuseForm;
    verdict.Problem = "the document is not well-formed XML: " + error;
  } else if (int32_t refused = emu::ReceiptAllowed(r)) {
    r.KeepDocument(text, "refused " + std::to_string(refused) + ": " + r.LogicText());
    return refused;
  } else {
    verdict = emu::CheckFiscalDocument(document, r.Effective(), OptionSet(r.Cfg()));
    if (!r.Cfg().Strict && verdict.Code != 0) {
      verdict.Code = 0;
      verdict.Summary.DocType = docType;
      verdict.Summary.Receipt = document.Child("Receipt") != nullptr;
    }
  }
  r.SetLogicError(verdict.Code, verdict.Problem);
  if (verdict.Code != 0) {
    r.KeepDocument(text, "refused " + std::to_string(verdict.Code) + ": " + verdict.Problem);
    return verdict.Code;
  }
  emu::State& s = r.St();
  s.Sales += verdict.Summary.Sign * verdict.Summary.Total;
  s.Cash += verdict.Summary.Sign * verdict.Summary.CashIn;
  emu::BookReceipt(r, verdict.Summary);
  const time_t now = CountDocument(r, verdict.Summary.Receipt);
  r.KeepDocument(text, "accepted as document " + std::to_string(s.Doc));
  emu::TapeNumbers numbers{s.LastShift + 1, s.Doc, s.Receipt, now};
  r.Tape(emu::DocumentTape(document, verdict.Summary, numbers));
  return AnswerDocument(r, record, filled);
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefGetZReportData(int32_t number, char* buffer, int32_t* size) {
  Call call(number, "ZefGetZReportData");
  if (call.fault) return call.fault;
  std::string text = emu::ZReportData(call.R());
  if (!buffer || !size || *size <= int32_t(text.size())) return 304;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *size = int32_t(text.size());
  return 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefCustomerDisplay(int32_t number, const char* xml, int32_t flags) {
  Call call(number, "ZefCustomerDisplay");
  if (call.fault) return call.fault;
  emu::XmlNode root;
  std::string bytes, error;
  if (!emu::ParseXml(xml ? xml : "", root, error) || !emu::DisplayBytes(root, bytes, error))
    return Refuse(call.R(), "ZefCustomerDisplay", error);
  call.R().SetLogicError(0, std::string());
  call.R().Tape("[display] " + DisplayText(bytes));
  return 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefProgram(int32_t number, const char* xml) {
  Call call(number, "ZefProgram");
  if (call.fault) return call.fault;
  return emu::ProgramDocument(call.R(), xml ? xml : "");
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefOpenDrawer(int32_t number, int32_t drawer) {
  Call call(number, "ZefOpenDrawer");
  if (call.fault) return call.fault;
  call.R().OpenDrawer();
  call.R().Tape("[drawer " + std::to_string(drawer) + " opened]");
  return 0;
}
#endif

#ifndef EMU_NO_LASTERROR
ZEF_EXPORT void ZEF_STDCALL ZefGetLastLogicError(int32_t number, void* record) {
  Call call(number, "ZefGetLastLogicError");
  auto* bytes = static_cast<uint8_t*>(record);
  int32_t code = call.R().LogicCode();
  std::memcpy(bytes + 4, &code, 4);
  StoreShort(bytes + 8, call.R().LogicAnsi(), 256);
  StoreShort(bytes + 264, call.R().LogicText(), 256);
}
#endif

ZEF_EXPORT void ZEF_STDCALL ZefStarted(int32_t number) { Call call(number, "ZefStarted"); }

#ifndef EMU_NO_INITXML
ZEF_EXPORT int32_t ZEF_STDCALL ZefMenuOperation(int32_t number, const char* request, char** reply) {
  thread_local std::string answer;
  Call call(number, "ZefMenuOperation");
  if (call.fault) return call.fault;
  call.R().Tape("[menu operation] " + std::string(request ? request : "(nil)"));
  answer = "<MenuReply/>";
  const std::string& replyFile = call.R().Cfg().MenuReplyFile;
  if (!replyFile.empty()) platform::ReadWholeFile(replyFile, answer);
  if (reply) *reply = &answer[0];
  return 0;
}
#endif

// Tests: the two entry points the adapter handed to register `number`
// (nil before its initialisation), to call them as a faulty driver would.
ZEF_EXPORT void ZEF_STDCALL ZefEmuCallbacks(int32_t number, LoDrv::TInterfaceCallback* interfaceCallback,
                                            LoDrv::TPropCallback* propCallback) {
  LoDrv::TInterfaceCallback i = nullptr;
  LoDrv::TPropCallback p = nullptr;
  emu::GetCallbacks(number, i, p);
  if (interfaceCallback) *interfaceCallback = i;
  if (propCallback) *propCallback = p;
}
