#include "io/printer/fiscreg/common_fisc_reg.h"

#include <mutex>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/fiscreg/operator_message.h"
#include "platform/platform.h"
#include "posdata/pderrors.h"
#include "posdata/pdhooks.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/pos_callback.h"
#include "xml/xmlexception.h"

bool tCommonFiscReg::AskOffline = true;
uint32_t tCommonFiscReg::Text2BaseLangAddr = 0;

namespace {

constexpr size_t kErrorMarkByte = 257;
constexpr uint8_t kErrorMarkBits = 0x08 | 0x04;
const char kCommandSentSection[] = "ComFisc.CBAfterCmdBufSended";
const char kDriverName[] = "Fiscal register";

tErrorDescriptor g_illegalExtID =
    ErrorDescriptor(tCommonFiscReg::kErrIllegalExtID, "Illegal fiscal external identifier \"%s\" instead of \"%s\"",
                    false);
tErrorDescriptor g_enterPrintMode =
    ErrorDescriptor(tCommonFiscReg::kErrEnterPrintMode, "Error entering non-fiscal mode: %s", false);

void RegisterRaisedCodes() {
  static std::once_flag once;
  std::call_once(once, [] { ExceptErrorCodes({tCommonFiscReg::kErrRaised, tCommonFiscReg::kErrDeviceRaised}); });
}

bool AskProcessValue(const char* name, uint32_t& value) {
  std::string text;
  value = 0;
  return HostParams::Get(name, 0, 0, value, text);
}

std::string LastErrorMessageText() {
  char buffer[2048] = {};
  LastErrorMessage(buffer, int32_t(sizeof buffer), 0);
  return buffer;
}

std::string ChoiceText(int32_t answer) {
  switch (answer) {
    case OperatorMessage::kAnswerRetry: return "Retry";
    case OperatorMessage::kAnswerAbort: return "Abort";
    case OperatorMessage::kAnswerCancel: return "Cancel (close form)";
    default: return "result=" + std::to_string(answer);
  }
}

}  // namespace

tCommonFiscReg::tCommonFiscReg(uint8_t number) : TDevice(number) { RegisterRaisedCodes(); }

tCommonFiscReg::~tCommonFiscReg() {
  try {
    if (Log.IsLoggingOn()) FlushLog();
  } catch (...) {
  }
}

std::string tCommonFiscReg::DriverName() { return kDriverName; }

// ---- construction -------------------------------------------------------------

void tCommonFiscReg::Construct() {
  TDevice::Construct();
  Log.SetLoggingOn(true);
  Log.SetBuffered(true);
  CheckLogSize();
  uint32_t callback = 0;
  if (AskProcessValue("*IntCallback", callback)) posCallback_ = callback;
  ConstructRegister();
  WriteStartBanner();
  CheckLogSize();
  PrepareOrderState();
}

void tCommonFiscReg::PrepareOrderState() {
  OrderState.PayTable.assign(size_t(std::max(MaxPayType(), 0)) + 1, tPayTableEntry());
  CreateDiscountInfos();
}

void tCommonFiscReg::CreateDiscountInfos() {
  OrderState.DiscountInfos = std::make_unique<tDiscountInfos>(OrderState.TaxTypeProperty, 1, nullptr);
}

bool tCommonFiscReg::IsChangePayType(int32_t type) {
  return EffectiveSettings.PrintChange && type == DefaultPayType();
}

bool tCommonFiscReg::DistributionWanted() {
  const int32_t mode = OrderState.DiscountMode;
  if (mode == 0) return false;
  return (mode != 1 && mode != 2) || EffectiveSettings.UseTaxDishType;
}

void tCommonFiscReg::TakeDocumentSettings(const tDocSettings& requested) {
  RequestedSettings = requested;
  EffectiveSettings = requested;
}

bool tCommonFiscReg::ReferenceKindKnown(int32_t kind) {
  uint32_t value = 0;
  std::string text;
  return HostParams::Get("*_RefProp#", 0, kind, value, text);
}

void tCommonFiscReg::StoreExtID(const std::string& identifier, bool shiftOpened) {
  storedExtID_ = identifier;
  storedShiftOpened_ = shiftOpened ? 1 : 0;
}

bool tCommonFiscReg::PosIntValue(const std::string& name, int32_t& value) const {
  return PosHost::tHost(posCallback_).IntValue(name, value);
}

bool tCommonFiscReg::PosTextValue(const std::string& name, std::string& text) {
  return PosHost::tHost(posCallback_).TextValue(name, text);
}

void tCommonFiscReg::WriteStartBanner() {
  AddLogLine(std::string());
  AddLogLine(Fmt("Initialized %s #%d ver %d %s", DeviceDriverName(), int32_t(Number) + 1,
                 int32_t(DeviceDriverVersion()), ShortDateTimeText()));
  AddLogLine(GetInfoText());
}

void tCommonFiscReg::SetDefaults() {
  TDevice::SetDefaults();
  if (Text2BaseLangAddr == 0) {
    uint32_t address = 0;
    if (AskProcessValue("*Text2BaseLangAddr", address)) Text2BaseLangAddr = address;
  }
}

// ---- initialisation -------------------------------------------------------------

bool tCommonFiscReg::EnsureInitialized() {
  if (initialized_) return true;
  if (PortProblem()) return false;
  AskOffline = !waitForFiscalRegister_;
  // However the attempts end, the offline offer is back and the log written.
  struct tRestore {
    tCommonFiscReg& reg;
    ~tRestore() {
      AskOffline = true;
      if (reg.Log.IsLoggingOn()) reg.FlushLog();
    }
  } restore{*this};
  return InitializeOnce();
}

bool tCommonFiscReg::PortProblem() {
  if (PortHandle < 0) {
    ShowPortMessage("Error initializing COM port. Change drivers configuration and restart.");
    return true;
  }
  if (!TwoWay && PortHandle > 0) {
    ShowPortMessage("One way COM port configuration, change drivers configuration and restart.");
    return true;
  }
  return false;
}

void tCommonFiscReg::ShowPortMessage(const char* text) {
  OperatorMessage::Show(Number, OperatorMessage::kMessage, ::Translate(text), OperatorMessage::kButtonOk);
}

bool tCommonFiscReg::InitializeOnce() {
  AddLogLine(Fmt("Initializing %d: %s", int32_t(DeviceDriverVersion()), TDevice::GetInfoText()));
  do {
    initialized_ = PrepareToPrint();
  } while (!initialized_ && waitForFiscalRegister_);
  if (initialized_) {
    initTime_ = platform::TickCount();
    AddLogLine("Initialization successfully finished." + TimeText("dd.mm hh:nn:ss"));
  }
  return initialized_;
}

// ---- errors and questions ---------------------------------------------------------

void tCommonFiscReg::ReportDeviceError(const std::string& text, bool raise, bool prefix) {
  FlushLog();
  bool plain = LastRes == 0 || LastRes == kUnknownExecError;
  int32_t code = plain ? (raise ? kErrRaised : kErrLogged) : (raise ? kErrDeviceRaised : kErrDeviceLogged);
  if (tNewErrorInfo* current = GetErrorInfoPtr()) reinterpret_cast<uint8_t*>(current)[kErrorMarkByte] |= kErrorMarkBits;
  LogAtLevel(0, Fmt("%s #%d err%d: %s", ShortDateTimeText(), int32_t(Number) + 1, code, text));
  if (prefix)
    RaiseErrorFmt(code, "Fiscal register %s # %d: %s", HostParams::AdapterFileName(), int32_t(Number) + 1, text);
  else
    RaiseError(code, text);
}

bool tCommonFiscReg::OfflineQuestion(bool ask, const std::string& text) {
  using namespace OperatorMessage;
  bool retry = false;
  try {
    ReportDeviceError(text, true, false);
    return false;
  } catch (const ProcessErrorException&) {
    ErrorContextBlock context = SaveErrorContext();
    std::string message = LastErrorMessageText();
    if (!ask) {
      LogAtLevel(1, "Show message to user, button: \"Ok\"");
      int32_t answer = Show(Number, kQuestion, message, kButtonOk);
      LogAtLevel(1, "continue...   res=" + std::to_string(answer));
    } else if (!AskOffline) {
      retry = true;
      LogAtLevel(1, "Show message to user, buttons: \"Retry\", \"Abort\"");
      int32_t answer = Show(Number, kQuestion, message, kButtonsRetryAbort);
      LogAtLevel(1, "continue...   res=" + std::to_string(answer));
    } else if (!initialized_) {
      std::string question = message + "\r\n" + ::Translate("Continue work without fiscal register?");
      retry = Show(Number, kQuestion, question, kButtonsContinueOffline) == kAnswerRetry;
    } else {
      LogAtLevel(1, "Show message to user, buttons: \"Retry\", \"Abort\"");
      int32_t answer = Show(Number, kQuestion, message, kButtonsRetryAbortOnline);
      LogAtLevel(1, ShortDateTimeText() + " User choice: " + ChoiceText(answer));
      retry = answer == kAnswerRetry;
    }
    RestoreErrorContext(std::move(context), false);
  }
  return retry;
}

void tCommonFiscReg::CheckAfterError(bool& ok, bool& handled, const std::string& text, int32_t code, bool ask) {
  if (!ok && ask) {
    FlushLog();
    handled = handled || !OfflineQuestion(!handled, text);
  } else if (ok) {
    handled = true;
  } else {
    ReportDeviceError(text, false, true);
  }
  if (!handled && ask) {
    CheckExtIDAfterError(handled);
    if (handled) ok = false;
  }
  if (!ok) {
    LastExecErrorCode = code;
    LastExecErrorText = text;
  }
}

// A retry is only worth it on the same register: a failed read or another
// identifier ends the attempts.
void tCommonFiscReg::CheckExtIDAfterError(bool& handled) {
  std::string identifier;
  bool opened = false;
  handled = !FiscGetExtID(identifier, opened);
  if (handled) return;
  const std::string& stored = LastStateInfo.ExtID;
  if (!stored.empty() && stored != identifier) {
    RaiseDescribedError(g_illegalExtID, identifier, stored);
    handled = true;
  }
}

std::string tCommonFiscReg::CurrentErrorText() const {
  return LastRes == 0 && LastExecErrorCode == 0 ? LastError0Text : LastExecErrorText;
}

std::string tCommonFiscReg::GetErrorText(int32_t connectionCode, int32_t executionCode) {
  if (connectionCode != 0 && connectionCode != kUnknownExecError)
    return Fmt(::Translate("Connection error %d"), connectionCode);
  if (executionCode != 0) return Fmt(::Translate("Command execution error %d"), executionCode);
  if (connectionCode == kUnknownExecError) return ::Translate("Unknown command execution error");
  return LastError0Text;
}

// ---- status -----------------------------------------------------------------------

void tCommonFiscReg::FillStatus(TPrinterStatus& status) {
  if (!initialized_) EnsureInitialized();
  TDevice::FillStatus(status);
  if (!initialized_) {
    RaiseErrorFmt(kTraceCode, "Prn %d. Not initialized, offline.", PortHandle);
    status.Offline = 1;
    return;
  }
  if (status.Offline || status.Busy) return;
  if (LastRes != 0 || platform::TickCount() - initTime_ > kOnlineCheckInterval) {
    CheckOnline(status);
    RaiseErrorFmt(kTraceCode, "Prn %d. CheckCanPrintNotFisc: Offline=%d, CanNotPrintUnfisc=%d", PortHandle,
                  int32_t(status.Offline), int32_t(status.CannotPrintUnfiscal));
  }
  if (status.Offline && Log.IsLoggingOn()) FlushLog();
}

void tCommonFiscReg::CheckOnline(TPrinterStatus& status) {
  LastRes = 0;
  std::string identifier;
  bool opened = false;
  status.Offline = FiscGetExtID(identifier, opened) ? 0 : 1;
  if (status.Offline) AddLogLine("Offline: Error in FiscGetExtID: " + CurrentErrorText());
  status.CannotPrintUnfiscal = status.CannotPrintUnfiscal || status.Offline ? 1 : 0;
  status.NotReady = LastRes != 0 ? 1 : 0;
}

std::string tCommonFiscReg::GetInfoText() {
  std::string hostName;
  uint32_t descriptor = 0;
  if (!HostLoaded() || !AskPortHost(hostName, descriptor)) return std::string();
  std::string handleText;
  HostHandleString(handleText);
  return Fmt("Host:%s#%d %s, ExtID=%s, ShiftNum=%d", hostName, int64_t(descriptor) + 1, handleText,
             LastStateInfo.ExtID, LastStateInfo.FiscShift);
}

void tCommonFiscReg::Idle() { Delay(kIdleDelay); }

bool tCommonFiscReg::FiscGetExtID(std::string& identifier, bool& shiftOpened) {
  identifier.clear();
  shiftOpened = false;
  return true;
}

// ---- documents of the base register -----------------------------------------------------

bool tCommonFiscReg::MoneyInOut(TFiscDocInfo& doc) {
  std::string text = ToPrintText(doc);
  if (!text.empty() && !Print(reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()))) return false;
  bool nonCash = false;
  return CashCommand(0, doc.SubType, 0, nonCash);
}

bool tCommonFiscReg::CollectAllCash(TFiscDocInfo& doc) { return AllMoneyOut(); }

bool tCommonFiscReg::CloseDay(bool printDish0Price) {
  CheckLogSize();
  return !printDish0Price;
}

bool tCommonFiscReg::GetZReportData(IXmlDocument& document) {
  document = nullptr;
  return false;
}

bool tCommonFiscReg::CashCommand(int64_t amount, int32_t kind, int32_t currency, bool& nonCash) {
  nonCash = true;
  return false;
}

void tCommonFiscReg::LoadPosData(const uint8_t* data, int32_t size) {
  if (size < 0) throw EPDError(Fmt("Illegal datasets size %d", size));
  if (!data && size > 0) throw EPDError(Fmt("Datasets of %d bytes without data", size));
  ClearPosData();
  PosData().LoadDocument(data, size);
}

TPDDataSource& tCommonFiscReg::PosData() {
  if (!posData_) posData_ = std::make_unique<TPDDataSource>();
  return *posData_;
}

// A load that failed half-way leaves datasets that Clear alone keeps.
void tCommonFiscReg::ClearPosData() {
  if (!posData_) return;
  posData_->Clear();
  posData_->DataSets.clear();
}

// ---- printing -------------------------------------------------------------------------

bool tCommonFiscReg::Print(const uint8_t* data, int32_t count) {
  if (count <= 0) return true;
  ProtocolSection section;
  bool ok = EnsureInitialized() && EnterPrintMode();
  RaiseErrorFmt(kTraceCode, "Prn %d. EnterPrintMode result=%d", PortHandle, int32_t(ok ? 1 : 0));
  if (!ok) {
    RaiseDescribedError(g_enterPrintMode, LastExecErrorText);
    return false;
  }
  bool result = true;
  try {
    PrintTranslated(data, count, result);
  } catch (...) {
    ExitPrintMode();
    throw;
  }
  if (!ExitPrintMode()) {
    AddLogLine("ExitPrintMode Err. Printer not ready.");
    CancelPrint(false);
    result = false;
  }
  return result;
}

void tCommonFiscReg::PrintTranslated(const uint8_t* data, int32_t count, bool& result) {
  int32_t position = 0;
  while (result && position < count) {
    int32_t start = position;
    int32_t wait = 0;
    std::string block;
    TranslateAll(data, count, position, wait, block);
    {
      ProtocolSection blockSection;
      if (!block.empty())
        result = PrintBlock(reinterpret_cast<const uint8_t*>(block.data()), int32_t(block.size()));
    }
    Delay(wait);
    if (position <= start) break;  // the interpreter made no progress
  }
}

bool tCommonFiscReg::EnterPrintMode() {
  RaiseErrorFmt(kTraceCode, "Prn %d. EnterPrintMode started", PortHandle);
  printedBytes_ = 0;
  printStart_ = platform::TickCount();
  return true;
}

bool tCommonFiscReg::ExitPrintMode() {
  if (printedBytes_ > 0) {
    AddLogLine(Fmt("Printed %d bytes, %d ms", printedBytes_, int64_t(platform::TickCount() - printStart_)));
    printedBytes_ = 0;
  }
  return true;
}

bool tCommonFiscReg::WaitForOutput(bool untilTimeout) {
  while (HostOutputBufferCount() != 0 && !HostOutputTimeoutHappened()) Idle();
  return untilTimeout ? !HostOutputTimeoutHappened() : HostOutputBufferCount() == 0;
}

bool tCommonFiscReg::PrintBlock(const uint8_t* data, int32_t count) {
  HostOutputBlock(data, count, nullptr, nullptr);
  bool ok = WaitForOutput(true);
  printedBytes_ += count - HostOutputBufferCount();
  if (LogLevel.load() >= 2) LogData(0, data, count);
  if (ok) {
    AddLogLine("Printed " + std::to_string(printedBytes_) + " bytes");
  } else {
    AddLogLine("Print Err. Printer not ready.");
    printedBytes_ = 0;
  }
  return ok;
}

bool tCommonFiscReg::SendCommand(const uint8_t* data, int32_t count) {
  CancelPrint(false);
  HostOutputBlock(data, count, &CBAfterCmdBufSended, this);
  return WaitForOutput(false);
}

void ZEF_REGCALL tCommonFiscReg::CBAfterCmdBufSended(void* context) {
  EnterNoOSMode(kCommandSentSection);
  try {
    if (context) static_cast<tCommonFiscReg*>(context)->CommandSent();
  } catch (...) {
  }
  NoOSMode(0);
}

void tCommonFiscReg::DoOffOn() {
  RaiseErrorFmt(kTraceCode, "Prn %d. DoOffOn", PortHandle);
  FlushLog();
  OperatorMessage::Show(Number, OperatorMessage::kQuestion,
                        RussianText("Принтер не готов к печати. Выключите и \r\nвключите фискальный регистратор"),
                        OperatorMessage::kButtonOk);
}

bool tCommonFiscReg::ExtPrint(const std::string& text) {
  LogAtLevel(2, "ExtPrinting: \r\n" + text);
  IXmlDocument document;
  try {
    document = ParseXmlDocument(text);
  } catch (const SimpleXMLException&) {
    ReportDeviceError("ExtPrinting: error parsing XML", false, true);
    return false;
  }
  return ExtendedPrint(document);
}

bool tCommonFiscReg::ExtendedPrint(const IXmlDocument& document) {
  IXmlElement root = document ? document->DocumentElement() : IXmlElement();
  if (!root || !root->BoolAttr("ToPrint")) return true;
  std::string text = root->ChildText("DataToPrint");
  return Print(reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()));
}

void tCommonFiscReg::LogData(int32_t direction, const uint8_t* data, int32_t count) {
  Log.Data(direction, data, count, DataLogFlags());
}
