#include "io/printer/zefor/driver/zef_driver.h"

#include "io/printer/zefor/host/zef_callbacks.h"

#include <cstring>

#include "common/zef_codes.h"
#include "io/printer/fiscreg/operator_message.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/zefor/status/zef_status_text.h"
#include "standart/errors.h"
#include "xml/simplexml.h"

namespace {

tErrorDescriptor g_loadLibrary = ErrorDescriptor(tZefDriver::kErrLoadLibrary,
                                                 "GetLastError() = %d in LoadLibrary('%s') for %s # %d");
tErrorDescriptor g_entryPoint =
    ErrorDescriptor(tZefDriver::kErrEntryPoint, "Not found entry point '%s' in the module '%s'");
tErrorDescriptor g_notExportedOption =
    ErrorDescriptor(tZefDriver::kErrNotExportedOption, "Not exported call %s for a supported option %s");
tErrorDescriptor g_notExported = ErrorDescriptor(tZefDriver::kErrNotExported, "Not exported call %s");
tErrorDescriptor g_exception =
    ErrorDescriptor(tZefDriver::kErrException, "%s: Exception running %s", false);

const char kStepLoad[] = "LoadLoDrv";
const char kStepFree[] = "FreeLoDrv";
const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

std::string ShortText(const uint8_t* text, size_t capacity) {
  return std::string(reinterpret_cast<const char*>(text + 1), std::min<size_t>(text[0], capacity - 1));
}

std::string Hex8(uint32_t value) { return Fmt("0x%8.8X", value); }

}  // namespace

void ZefRaise(int32_t code, const std::string& text) {
  tErrorDescriptor descriptor = ErrorDescriptor(code, "%s");
  RaiseDescribedError(descriptor, text);
  throw ProcessErrorException(code, text);
}

tZefDriver::tZefDriver(tZefJournal& journal, uint8_t number) : journal_(journal), number_(number) {}

tZefDriver::~tZefDriver() {
  try {
    DestroyThread();
    if (module_) platform::CloseLibrary(module_);
  } catch (...) {
  }
}

// ---- loading --------------------------------------------------------------------

template <class F>
void tZefDriver::Bind(const char* name, F& function) {
  function = reinterpret_cast<F>(platform::FindFunction(module_, name));
}

void tZefDriver::Unbind() { f_ = Functions{}; }

bool tZefDriver::LoadLoDrv() {
  journal_.Write(1, tZefJournal::LoadEntry(kStepLoad));
  try {
    FreeLoDrv();
    module_ = platform::OpenLibrary(AdapterDirectory + ModuleName);
    if (!module_) ReportLoadFailure(kStepLoad, ModuleName);
    BindAll();
  } catch (...) {
    journal_.Write(0, tZefJournal::LoadFinal(kStepLoad, false));
    throw;
  }
  journal_.Write(1, tZefJournal::LoadFinal(kStepLoad, true));
  return true;
}

void tZefDriver::BindAll() {
  Bind(LoDrv::kMaxProtocolSupported, f_.MaxProtocolSupported);
  Bind(LoDrv::kInit, f_.Init);
  Bind(LoDrv::kGetOptions, f_.GetOptions);
  Bind(LoDrv::kInitXML, f_.InitXML);
  const char* missing = nullptr;
  if (!f_.InitXML) {
    if (!f_.Init) missing = LoDrv::kInitXML;
    if (!f_.MaxProtocolSupported) missing = LoDrv::kMaxProtocolSupported;
    if (!f_.GetOptions) missing = LoDrv::kGetOptions;
    if (missing) Fail(missing);
  } else {
    Bind(LoDrv::kMenuOperation, f_.MenuOperation);
  }
  Bind(LoDrv::kDone, f_.Done);
  if (!f_.Done) Fail(LoDrv::kDone);
  Bind(LoDrv::kGetStatus, f_.GetStatus);
  if (!f_.GetStatus) Fail(LoDrv::kGetStatus);
  Bind(LoDrv::kUnfiscalPrint, f_.UnfiscalPrint);
  Bind(LoDrv::kFiscalDocument, f_.FiscalDocument);
  Bind(LoDrv::kGetZReportData, f_.GetZReportData);
  Bind(LoDrv::kCustomerDisplay, f_.CustomerDisplay);
  Bind(LoDrv::kProgram, f_.Program);
  Bind(LoDrv::kStarted, f_.Started);
  Bind(LoDrv::kGetLastLogicError, f_.GetLastLogicError);
  if (!f_.GetLastLogicError) Fail(LoDrv::kGetLastLogicError);
  Bind(LoDrv::kOpenDrawer, f_.OpenDrawer);
}

void tZefDriver::ReportLoadFailure(const std::string& step, const std::string& module) {
  uint32_t code = platform::LastOSError();
  std::string reason = platform::LastLoadError();
  if (reason.empty()) reason = platform::OSErrorMessage(code);
  std::string text = Fmt(g_loadLibrary.Text, code, module, AdapterFileName, int32_t(number_) + 1);
  journal_.Write(0, tZefJournal::Value(step, "err3609", text));
  OperatorMessage::Show(number_, OperatorMessage::kMessage, text + "\r\n\r\n" + reason, OperatorMessage::kButtonOk);
  RaiseDescribedError(g_loadLibrary, code, module, AdapterFileName, int32_t(number_) + 1);
  throw ProcessErrorException(kErrLoadLibrary, text);
}

// A library without a required function is released again: the device
// must not keep calling into a half-bound driver.
void tZefDriver::Fail(const char* missing) {
  std::string text = Fmt(g_entryPoint.Text, missing, ModuleName);
  journal_.Write(0, tZefJournal::Value(kStepLoad, "err3613", text));
  OperatorMessage::Show(number_, OperatorMessage::kMessage, text, OperatorMessage::kButtonOk);
  platform::CloseLibrary(module_);
  module_ = nullptr;
  Unbind();
  RaiseDescribedError(g_entryPoint, missing, ModuleName);
  throw ProcessErrorException(kErrEntryPoint, text);
}

bool tZefDriver::FreeLoDrv() {
  journal_.Write(1, tZefJournal::LoadEntry(kStepFree));
  if (module_) {
    if (BeforeFree) BeforeFree();
    try {
      RunInDriverThread([this] {
        std::lock_guard<std::mutex> guard(callLock_);
        Done();
      });
    } catch (...) {
      journal_.Write(0, tZefJournal::Message(kStepFree, ExceptionMessage()));
    }
    EndDriverThread();
    platform::CloseLibrary(module_);
    module_ = nullptr;
    Unbind();
  }
  journal_.Write(1, tZefJournal::LoadFinal(kStepFree, true));
  return true;
}

// ---- the driver thread ------------------------------------------------------------

void tZefDriver::RunInDriverThread(const std::function<void()>& procedure) {
  TaskSectionLock lock(threadLock_);
  if (!thread_) thread_.reset(new tIndependentThread());
  RunInIndependentThread(*thread_, {}, [this, &procedure](const std::vector<int32_t>&) {
    driverThreadId_ = platform::CurrentThreadId();
    procedure();
  });
}

int32_t tZefDriver::InDriverThread(const std::function<int32_t()>& call) {
  int32_t result = 0;
  RunInDriverThread([this, &call, &result] {
    std::lock_guard<std::mutex> guard(callLock_);
    result = call();
  });
  return result;
}

// A driver may keep data of its own with the thread that called it (thread
// locals, whose destructors keep the library loaded until the thread ends).
// Were the library released first, that thread's end would unload it: the
// driver's shut-down would run in a dying thread under the loader lock, and
// a MinGW-built driver deadlocks there (its runtime takes, in the unload, the
// lock its own thread-end cleanup holds), and with it the till. So the thread
// ends while the library is loaded, and the caller's FreeLibrary unloads it.
// The next driver call starts a new thread.
void tZefDriver::EndDriverThread() {
  try {
    TaskSectionLock lock(threadLock_);
    thread_.reset();
  } catch (...) {
    journal_.Write(0, tZefJournal::Message(kStepFree, ExceptionMessage()));
  }
}

void tZefDriver::DestroyThread() {
  DestroyTaskSection(threadLock_, false);
  thread_.reset();
}

// ---- the generic wrapper ------------------------------------------------------------

void tZefDriver::Line(const tCallSpec& callSpec, const std::string& text, bool error) {
  journal_.Write(error ? 0 : tZefJournal::LineLevel(false, callSpec.Printout), text);
}

int32_t tZefDriver::Wrap(const tCallSpec& callSpec, bool bound, const tInputs& inputs,
                         const std::function<int32_t()>& call, const std::function<tLines()>& outputs) {
  Line(callSpec, tZefJournal::CallEntry(callSpec.Name));
  // The value lines (an input may be a whole document, a status record
  // takes a page of text) are made only when the journal keeps them.
  const bool valuesKept = tZefJournal::LineLevel(false, callSpec.Printout) <= LogLevel.load();
  if (valuesKept)
    for (const auto& input : inputs)
      Line(callSpec, tZefJournal::Value(callSpec.Name, input.first, std::string(input.second)));
  if (!bound) return Absent(callSpec);
  int32_t result = 0;
  try {
    if (callSpec.ComBracket && Com) Com->Initialize();
    try {
      result = call();
    } catch (...) {
      if (callSpec.ComBracket && Com) Com->Uninitialize();
      throw;
    }
    if (callSpec.ComBracket && Com) Com->Uninitialize();
    if (result == 0 && outputs && valuesKept)
      for (const auto& output : outputs()) Line(callSpec, tZefJournal::Value(callSpec.Name, output.first, output.second));
    if (callSpec.HasResult)
      journal_.Write(result == 0 ? tZefJournal::LineLevel(false, callSpec.Printout) : 0,
                     tZefJournal::CallFinal(callSpec.Name, result));
    else
      Line(callSpec, tZefJournal::CallFinal(callSpec.Name));
  } catch (...) {
    return Failed(callSpec);
  }
  return result;
}

int32_t tZefDriver::Absent(const tCallSpec& callSpec) {
  switch (callSpec.Absent) {
    case tAbsent::OptionalPrint:
      if (Options & callSpec.Option) {
        std::string option = Fmt("[%s]", callSpec.OptionName);
        Line(callSpec, tZefJournal::Message(callSpec.Name, Fmt(g_notExportedOption.Text, callSpec.Name, option)), true);
        RaiseDescribedError(g_notExportedOption, callSpec.Name, option);
        throw ProcessErrorException(kErrNotExportedOption, Fmt(g_notExportedOption.Text, callSpec.Name, option));
      }
      Line(callSpec, tZefJournal::CallFinal(callSpec.Name, 0));
      return 0;
    case tAbsent::NotSupported:
      journal_.Write(0, tZefJournal::CallFinal(callSpec.Name, ZefCodes::kNotSupported));
      return ZefCodes::kNotSupported;
    case tAbsent::Raise:
    default: {
      std::string name = std::strcmp(callSpec.Name, LoDrv::kMaxProtocolSupported) == 0 ? std::string(callSpec.Name)
                                                                                   : "F" + std::string(callSpec.Name);
      Line(callSpec, tZefJournal::Message(callSpec.Name, Fmt(g_notExported.Text, name)), true);
      RaiseDescribedError(g_notExported, name);
      throw ProcessErrorException(kErrNotExported, Fmt(g_notExported.Text, name));
    }
  }
}

// Called inside the catch block of the wrapper.
int32_t tZefDriver::Failed(const tCallSpec& callSpec) {
  std::exception_ptr current = std::current_exception();
  Line(callSpec, tZefJournal::Message(callSpec.Name, ExceptionMessage(current)), true);
  try {
    RaiseDescribedError(g_exception, ModuleName, callSpec.Name);
  } catch (...) {
  }
  switch (callSpec.OnException) {
    case tOnException::Rethrow: std::rethrow_exception(current);
    case tOnException::Internal: return 106;
    case tOnException::Swallow:
    default: return 0;
  }
}

// ---- the wrappers ------------------------------------------------------------------

std::string tZefDriver::ParamsWithProtocolVersion(const std::string& xml, bool declaration) {
  try {
    IXmlDocument document = ParseXmlDocument(xml);
    IXmlElement root = document->DocumentElement();
    if (!root) RaiseXmlError("No root element");
    root->SetAttr("ProtocolVersion", std::to_string(AdapterMinor));
    std::string text = root->Xml();
    if (declaration) return kDeclaration + text;
    return text.substr(std::min(text.find_first_not_of("\r\n"), text.size()));
  } catch (...) {
    journal_.Write(0, "Bad parameters XML: " + ExceptionMessage());
    return xml;
  }
}

int32_t tZefDriver::MaxProtocolSupported() {
  static const tCallSpec callSpec{LoDrv::kMaxProtocolSupported, false, false, true, tAbsent::Raise,
                              tOnException::Rethrow, 0, nullptr};
  return Wrap(callSpec, f_.MaxProtocolSupported != nullptr, {}, [this] { return f_.MaxProtocolSupported(); }, nullptr);
}

int32_t tZefDriver::Init(const std::string& paramsXml) {
  static const tCallSpec callSpec{LoDrv::kInit, false, true, true, tAbsent::Raise, tOnException::Rethrow, 0, nullptr};
  std::string params = ParamsWithProtocolVersion(paramsXml, false);
  return Wrap(callSpec, f_.Init != nullptr, {{"AParamsXML [IN]", params}},
              [&] { return f_.Init(number_, params.c_str(), &InterfaceCallback, &PropCallback); }, nullptr);
}

int32_t tZefDriver::InitXML(const std::string& paramsXml, std::string& reply) {
  static const tCallSpec callSpec{LoDrv::kInitXML, false, true, true, tAbsent::Raise, tOnException::Rethrow, 0,
                              nullptr};
  std::string params = ParamsWithProtocolVersion(paramsXml, true);
  std::vector<char> buffer(LoDrv::kInitReplySize, 0);
  reply.clear();
  return Wrap(
      callSpec, f_.InitXML != nullptr, {{"AParamsXML [IN]", params}},
      [&] {
        int32_t result = f_.InitXML(number_, params.c_str(), &InterfaceCallback, &PropCallback, buffer.data());
        buffer.back() = 0;
        if (result == 0) reply = buffer.data();
        return result;
      },
      [&] { return tLines{{"AXMLReply [OUT]", reply}}; });
}

int32_t tZefDriver::GetOptions(uint64_t& options, std::string& driverName, std::string& versionText,
                               std::string& state) {
  static const tCallSpec callSpec{LoDrv::kGetOptions, false, false, true, tAbsent::Raise, tOnException::Internal, 0,
                              nullptr};
  uint8_t name[LoDrv::kOptionTextSize + 1] = {}, version[LoDrv::kOptionTextSize + 1] = {},
                                      driverState[LoDrv::kOptionTextSize + 1] = {};
  uint64_t set = 0;
  int32_t result = Wrap(
      callSpec, f_.GetOptions != nullptr, {},
      [&] {
        int32_t code = f_.GetOptions(number_, &set, name, version, driverState);
        options = set;
        driverName = ShortText(name, sizeof name);
        versionText = ShortText(version, sizeof version);
        state = ShortText(driverState, sizeof driverState);
        return code;
      },
      [&] {
        return tLines{{"AOptions [OUT]", Hex8(uint32_t(set)) + ", ADriverName [OUT] = " + driverName +
                                             ", AVersionInfo [OUT] = " + versionText +
                                             ", ADriverState [OUT] = " + state}};
      });
  if (ProtocolVersion < 11 && (options & ZefOptions::foAbsDiscountSum))
    options |= ZefOptions::foAbsItemDiscount | ZefOptions::foAbsItemMarkup | ZefOptions::foAbsMarkupSum;
  return result;
}

void tZefDriver::Done() {
  static const tCallSpec callSpec{LoDrv::kDone, false, false, false, tAbsent::Raise, tOnException::Swallow, 0,
                              nullptr};
  Wrap(callSpec, f_.Done != nullptr, {}, [this] {
    f_.Done(number_);
    return 0;
  }, nullptr);
}

int32_t tZefDriver::GetStatus(TZefStatus& status, uint32_t mask, bool extended) {
  static const tCallSpec callSpec{LoDrv::kGetStatus, false, false, true, tAbsent::Raise, tOnException::Internal, 0,
                              nullptr};
  std::memset(&status, 0, sizeof status);
  status.Size = LoDrv::kStatusRecordSize;
  if (extended) mask |= ZefStatus::kExtendedSet;
  return Wrap(callSpec, f_.GetStatus != nullptr, {{"AFieldsNeeded [IN]", "(" + ZefStatus::FieldNames(mask) + ")"}},
              [&] { return f_.GetStatus(number_, &status, int32_t(mask)); },
              [&] { return tLines{{"AStatus [OUT]", ZefStatus::StatusText(status, mask)}}; });
}

int32_t tZefDriver::UnfiscalPrint(const std::string& xml, int32_t flags) {
  static const tCallSpec callSpec{LoDrv::kUnfiscalPrint, true, true, true, tAbsent::OptionalPrint,
                              tOnException::Internal, ZefOptions::foText, "foText"};
  return Wrap(callSpec, f_.UnfiscalPrint != nullptr, {{"AXML [IN]", xml}, {"AFlags [IN]", std::to_string(flags)}},
              [&] { return f_.UnfiscalPrint(number_, xml.c_str(), flags); }, nullptr);
}

int32_t tZefDriver::FiscalDocument(const std::string& xml, TZefStatus& status, int32_t& filled) {
  static const tCallSpec callSpec{LoDrv::kFiscalDocument, false, true, true, tAbsent::NotSupported,
                              tOnException::Internal, 0, nullptr};
  // The return buffer lives as long as the binding and is all zero between
  // calls: after a call the bytes of the returned text are cleared again,
  // instead of a fresh 512 KB zeroed (and given back) per document. After
  // a call that did not come back it is cleared whole.
  std::vector<char>& buffer = fiscalReturn_;
  if (!fiscalReturnClean_) buffer.assign(kFiscalReturnSize, 0);
  fiscalReturnClean_ = false;
  std::memset(&status, 0, sizeof status);
  status.Size = LoDrv::kStatusRecordSize;
  status.ReturnBuffer = uint32_t(uintptr_t(buffer.data()));
  status.ReturnBufferSize = kFiscalReturnSize;
  filled = 0;
  FiscalReturnText.clear();
  return Wrap(
      callSpec, f_.FiscalDocument != nullptr, {{"AXML [IN]", xml}},
      [&] {
        int32_t result = f_.FiscalDocument(number_, xml.c_str(), &status, &filled);
        buffer.back() = 0;
        FiscalReturnText = buffer.data();
        std::memset(buffer.data(), 0, FiscalReturnText.size() + 1);
        fiscalReturnClean_ = true;
        journal_.Write(1, "xml return: [");
        journal_.Write(1, FiscalReturnText);
        journal_.Write(1, "]//xml return");
        return result;
      },
      [&] {
        return tLines{{"AStatus [OUT]", ZefStatus::StatusText(status, uint32_t(filled))},
                      {"AFieldsFilled [OUT]", "(" + ZefStatus::FieldNames(uint32_t(filled)) + ")"}};
      });
}

int32_t tZefDriver::GetZReportData(char* buffer, int32_t& size) {
  static const tCallSpec callSpec{LoDrv::kGetZReportData, false, true, true, tAbsent::NotSupported,
                              tOnException::Internal, 0, nullptr};
  if (!buffer) journal_.Write(1, tZefJournal::Message(callSpec.Name, "AXMLData = nil"));
  return Wrap(callSpec, f_.GetZReportData != nullptr, {}, [&] { return f_.GetZReportData(number_, buffer, &size); },
              [&] {
                tLines lines{{"AXMLDataSize [OUT]", std::to_string(size)}};
                if (buffer && size > 0) lines.push_back({"AXMLData [OUT]", std::string(buffer, size_t(size))});
                return lines;
              });
}

int32_t tZefDriver::CustomerDisplay(const std::string& xml, int32_t flags) {
  static const tCallSpec callSpec{LoDrv::kCustomerDisplay, true, true, true, tAbsent::OptionalPrint,
                              tOnException::Internal, ZefOptions::foCustomerDisplay, "foCustomerDisplay"};
  return Wrap(callSpec, f_.CustomerDisplay != nullptr, {{"AXML [IN]", xml}, {"AFlags [IN]", std::to_string(flags)}},
              [&] { return f_.CustomerDisplay(number_, xml.c_str(), flags); }, nullptr);
}

int32_t tZefDriver::Program(const std::string& xml) {
  static const tCallSpec callSpec{LoDrv::kProgram, false, true, true, tAbsent::OptionalPrint, tOnException::Internal,
                              ZefOptions::foProgram, "foProgram"};
  return Wrap(callSpec, f_.Program != nullptr, {{"AXML [IN]", xml}},
              [&] { return f_.Program(number_, xml.c_str()); }, nullptr);
}

int32_t tZefDriver::OpenDrawer(int32_t drawer) {
  static const tCallSpec callSpec{LoDrv::kOpenDrawer, false, false, true, tAbsent::OptionalPrint,
                              tOnException::Internal, ZefOptions::foDrawerOpen, "foDrawerOpen"};
  return Wrap(callSpec, f_.OpenDrawer != nullptr, {{"ADrawerNum [IN]", std::to_string(drawer)}},
              [&] { return f_.OpenDrawer(number_, drawer); }, nullptr);
}

void tZefDriver::GetLastLogicError(tZefLogicError& record) {
  static const tCallSpec callSpec{LoDrv::kGetLastLogicError, false, false, false, tAbsent::Raise,
                              tOnException::Swallow, 0, nullptr};
  std::memset(&record, 0, sizeof record);
  record.Size = LoDrv::kLogicErrorRecordSize;
  Wrap(callSpec, f_.GetLastLogicError != nullptr, {}, [&] {
    f_.GetLastLogicError(number_, &record);
    return 0;
  }, [&] {
    return tLines{{"ALogicError [OUT]", Fmt("%d, %s, %s", record.Code, ShortText(record.Ansi, sizeof record.Ansi),
                                            ShortText(record.Utf8, sizeof record.Utf8))}};
  });
}

void tZefDriver::Started() {
  if (f_.Started) f_.Started(number_);
}

int32_t tZefDriver::MenuOperation(const std::string& request, std::string& reply) {
  static const tCallSpec callSpec{LoDrv::kMenuOperation, false, false, true, tAbsent::Raise, tOnException::Rethrow,
                              0, nullptr};
  reply.clear();
  return Wrap(callSpec, f_.MenuOperation != nullptr, {{"ARequest [IN]", request}},
              [&] {
                char* answer = nullptr;
                int32_t result = f_.MenuOperation(number_, request.c_str(), &answer);
                if (answer) reply = answer;
                return result;
              },
              [&] { return tLines{{"AReply [OUT]", reply}}; });
}
