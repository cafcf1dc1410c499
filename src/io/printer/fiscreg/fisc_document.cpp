#include "io/printer/fiscreg/fisc_document.h"

#include <atomic>
#include <exception>
#include <limits>

#include "io/printer/fiscreg/common_fisc_reg.h"
#include "platform/platform.h"
#include "posdata/pderrors.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "standart/tasks.h"
#include "xml/simplexml.h"

// The record is packed: its fields go to the formatting as copies, never
// bound to references.
namespace {

std::atomic<uint32_t> g_nameLookupMode{0};

constexpr uint32_t kModeBits = 3;
constexpr uint32_t kModeAltNames = 3;
constexpr uint32_t kModeNames = 2;

std::string DebugStamp() { return TimeText("dd.mm.yy hh:nn:ss.zzz"); }

}  // namespace

uint32_t NameLookupMode() { return g_nameLookupMode.load(); }
void SetNameLookupMode(uint32_t mode) { g_nameLookupMode.store(mode); }

tFiscDocumentCall::tFiscDocumentCall(tCommonFiscReg& reg, int32_t handle, TFiscDocInfo& doc)
    : reg_(reg), handle_(handle), doc_(doc), kind_(doc.Kind) {}

bool tFiscDocumentCall::Run() {
  bool result = false;
  std::exception_ptr failure;
  {
    TaskSectionLock lock(reg_.DeviceLock);
    try {
      result = RunLocked();
    } catch (...) {
      failure = std::current_exception();
      AnswerException(ExceptionMessage());
    }
  }
  if (failure) {
    SaveInputData(kExceptInputFile);
    std::rethrow_exception(failure);
  }
  if (!result) SaveInputData(kErrorInputFile);
  return result;
}

bool tFiscDocumentCall::RunLocked() {
  if (LogLevel.load() >= 3) WriteDebugLines();
  StartCall();
  bool prepared = reg_.EnsureInitialized();
  bool result = prepared && DoDocument();
  FinishCall(result, prepared);
  return result;
}

void tFiscDocumentCall::WriteDebugLines() {
  IXmlDocument debug = NewXmlDocument("FiscDocInfo", "1.0", "utf-8");
  IXmlElement root = debug->DocumentElement();
  root->SetAttr("DocTypeName", FiscDocKindName(kind_));
  root->SetIntAttr("DocType", kind_);
  root->SetIntAttr("DocSubType", doc_.SubType);
  root->SetIntAttr("DocTypeIdent", doc_.DocTypeIdent);
  root->SetIntAttr("Flags", doc_.Flags);
  root->SetAttr("FlagsStr", FiscDocFlagsStr(doc_.Flags));
  reg_.AddLogLine(Fmt("[%s] [DBG] FiscDocInfo: %s", DebugStamp(), debug->Xml()));
  reg_.AddLogLine(
      Fmt("[%s] [DBG] ToPrint:(%d) %s", DebugStamp(), int32_t(doc_.ToPrintSize), Base64Encode(ToPrintText(doc_))));
  reg_.AddLogLine(Fmt("[%s] [DBG] Dataset:(%d) %s", DebugStamp(), int32_t(doc_.DataSize), Base64Encode(DataBlock(doc_))));
}

void tFiscDocumentCall::StartCall() {
  if (NeedProcessForCode(kTraceCode)) reg_.SetLogBuffered(false);
  reg_.ZReportText.clear();
  reg_.LastError0Text.clear();
  reg_.LastExecErrorCode = 0;
  RaiseErrorFmt(kTraceCode, "Prn %d. Operation=%s. Data size %d bytes. To print %d bytes.", handle_,
                FiscDocKindName(kind_), int32_t(doc_.DataSize), int32_t(doc_.ToPrintSize));
  savedMode_ = NameLookupMode();
  modeSaved_ = true;
}

bool tFiscDocumentCall::DoDocument() {
  TakeSettings();
  if (KindIn(kind_, kLoadKinds)) reg_.LoadPosData(RecordAddress(doc_.Data), doc_.DataSize);
  if (kind_ == fdCheckCopy) {
    ReadCopyNumber();
    doc_.FiscShiftNum = reg_.LastStateInfo.FiscShift;
  } else {
    doc_.CheckNum = 0;
  }
  if (KindIn(kind_, kToPrintKinds)) toPrint_ = ToPrintText(doc_);
  reg_.SetOperatorId(doc_.OperatorId);
  bool result = Route();
  AfterDocument(result);
  return result;
}

void tFiscDocumentCall::TakeSettings() {
  const tDocSettings settings = DocSettingsOf(doc_.Flags);
  reg_.TakeDocumentSettings(settings);
  SetNameLookupMode((savedMode_ & ~kModeBits) | (settings.UseAltNames ? kModeAltNames : kModeNames));
}

// A receipt copy names the receipt to copy in its data.
void tFiscDocumentCall::ReadCopyNumber() {
  TPDDataSet* printChecks = reg_.PosData().GetDataSet("PrintChecks");
  printChecks->First();
  int64_t number = printChecks->GetRawValueByName("PrintNumber").AsInt64();
  if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
    throw ERangeError();
  doc_.CheckNum = int32_t(number);
}

bool tFiscDocumentCall::Route() {
  switch (kind_) {
    case fdFiscCheck:
    case fdDeleteReturn:
    case fdCancelOrder:
      return reg_.PrintFiscCheck(doc_, false, toPrint_);
    case fdDeleteCheck:
    case fdFiscReturn:
      return reg_.PrintFiscCheck(doc_, true, toPrint_);
    case fdCheckCopy:
      return reg_.PrintCheckCopy(doc_, toPrint_);
    case fdBill:
    case fdUndoBill:
      reg_.MarkOrderDocument();
      return reg_.PrintBill(doc_, kind_ == fdUndoBill, toPrint_);
    case fdFillOrder:
    case fdVoids:
    case fdCloseOrder:
    case fdCreateOrder:
      reg_.MarkOrderDocument();
      return reg_.PrintOrder(doc_);
    case fdCloseShift:
      return CloseShift();
    case fdCashInOut:
      return reg_.MoneyInOut(doc_);
    case fdXReport:
      return reg_.PrintXReport();
    case fdSpecialReport:
      return SpecialReport();
    case fdGetNextDocNum:
      return RefreshCounters();
    case fdFullLastShift:
      return reg_.PrintFullLastShift();
    case fdCollectCash:
      return reg_.CollectAllCash(doc_);
    default:  // kinds without a document, and unknown kinds
      return false;
  }
}

bool tFiscDocumentCall::SpecialReport() {
  if (doc_.SubType == kSubTypeXReport) return reg_.PrintXReport();
  if (doc_.SubType == kSubTypeFullLastShift) return reg_.PrintFullLastShift();
  return reg_.PrintAnyReport(doc_.SubType, DataBlock(doc_));
}

bool tFiscDocumentCall::CloseShift() {
  // The data read before the close; the register may replace it with the
  // data its Z-report answers.
  IXmlDocument& zReport = reg_.ZReportDocument;
  zReport = nullptr;
  try {
    reg_.GetZReportData(zReport);
  } catch (...) {
    zReport = nullptr;
    RaiseErrorFmt(tCommonFiscReg::kErrDeviceLogged, "Fiscal register %s # %d exception on GetZReportData",
                  ExceptionMessage(), int32_t(reg_.Number) + 1);
  }
  tLastStateInfo& state = reg_.LastStateInfo;
  doc_.ShiftCloseFlag = 1;
  doc_.FiscShiftNum = state.FiscShift + 1;
  bool result = reg_.CloseDay(doc_.SubType == 1 && reg_.EffectiveSettings.PrintDish0Price);
  // The next counter refresh reads the new shift number from the register.
  if (result && doc_.FiscShiftNum == state.FiscShift + 1) state.FiscShift = 0;
  IXmlElement root = zReport ? zReport->DocumentElement() : IXmlElement();
  if (root) {
    reg_.ZReportText = root->Xml();
    reg_.LogAtLevel(1, reg_.ZReportText);
  }
  zReport = nullptr;
  return result;
}

bool tFiscDocumentCall::RefreshCounters() {
  tLastStateInfo& state = reg_.LastStateInfo;
  bool result = false;
  bool identified = true;
  if (doc_.SubType != 1) {
    state.ExtID.clear();
    state.FiscShift = 0;
    identified = CheckDeviceID();
  }
  if (identified) {
    tFillRequest request;
    request.ShiftAgeCheck = doc_.ShiftCloseFlag == 0;
    request.DocNum = true;
    request.CheckNum = true;
    request.SaledValue = true;
    result = reg_.CheckFillState(request);
  }
  doc_.CheckNum = state.CheckNum;
  doc_.SaledValue = state.SaledValue;
  doc_.DocNum = state.DocNum;
  return result;
}

void tFiscDocumentCall::AfterDocument(bool result) {
  if (!result) {
    doc_.ErrorCode = reg_.LastRes;
    doc_.LogicError = reg_.LastExecErrorCode;
    // An unknown kind reached no register operation that could explain it.
    StoreShortString(doc_.ErrorText, kind_ > kLastFiscDocKind ? FiscDocKindName(kind_) : reg_.CurrentErrorText());
    return;
  }
  if (kind_ == fdGetNextDocNum) return;
  bool receipt = KindIn(kind_, kReceiptKinds);
  if (ShouldRefresh(receipt)) Refresh(receipt);
}

bool tFiscDocumentCall::ShouldRefresh(bool receipt) {
  const tLastStateInfo& state = reg_.LastStateInfo;
  if (state.FiscShift == 0 || !state.ShiftOpened) return true;
  if (receipt && reg_.OrderState.TabooPayment) return false;
  if ((receipt && doc_.CheckNum == 0) || doc_.DocNum == 0) return CheckDeviceID();
  return false;
}

void tFiscDocumentCall::Refresh(bool receipt) {
  tLastStateInfo& state = reg_.LastStateInfo;
  tFillRequest request;
  request.DocNum = doc_.DocNum == 0;
  request.CheckNum = receipt && doc_.CheckNum == 0;
  reg_.CheckFillState(request);
  if (!receipt) {
    doc_.DocNum = state.DocNum;
    return;
  }
  if (doc_.CheckNum == 0) doc_.CheckNum = state.CheckNum;
  if (doc_.DocNum == 0) doc_.DocNum = state.DocNum;
  doc_.OFDUnsentCount = state.OFDUnsentCount;
  doc_.OFDOldestUnsent = state.OFDOldestUnsent;
  // A receipt opens the shift on the same register.
  if (!idChanged_ && !state.ShiftOpened && !reg_.OrderState.TabooPayment) state.ShiftOpened = true;
}

bool tFiscDocumentCall::CheckDeviceID() {
  tLastStateInfo& state = reg_.LastStateInfo;
  if (!state.ExtID.empty() && state.ShiftOpened) return true;
  std::string identifier;
  bool opened = false;
  if (!reg_.FiscGetExtID(identifier, opened)) return false;
  identifier = identifier.substr(0, 255);
  state.ShiftOpened = opened;
  if (identifier != state.ExtID) {
    reg_.LogAtLevel(1, RussianText("Идентификатор аппарата: старый ") + state.ExtID + RussianText(" новый ") +
                           identifier);
    state.ExtID = identifier;
    state.FiscShift = 0;
    idChanged_ = true;
  } else if (state.ShiftOpened) {
    state.FiscShift = 0;
  }
  return true;
}

void tFiscDocumentCall::FinishCall(bool result, bool prepared) {
  const tLastStateInfo& state = reg_.LastStateInfo;
  if (prepared) {
    doc_.FiscShiftNum = state.FiscShift;
    StoreShortString(doc_.PrinterID, state.ExtID);
    doc_.ShiftOpened = state.ShiftOpened ? 1 : 0;
    doc_.ZReportXml = uint32_t(uintptr_t(reg_.ZReportText.c_str()));
  }
  reg_.ClearPosData();
  SetNameLookupMode(savedMode_);
  reg_.LastError0Text.clear();
  RaiseErrorFmt(kTraceCode, "Prn %d. FiscShiftNum=%d, CheckNum=%d, DocNum=%d. Result=%d. PrinterID=%s", handle_,
                int32_t(doc_.FiscShiftNum), int32_t(doc_.CheckNum), int32_t(doc_.DocNum), int32_t(result ? 1 : 0),
                ShortStringValue(doc_.PrinterID));
  if (kind_ != fdGetNextDocNum && reg_.Log.IsLoggingOn()) reg_.FlushLog();
  reg_.Record.CloseAnswered();
}

// Nothing of the document may stay behind, and the POS learns why it failed
// instead of keeping the text it was given.
void tFiscDocumentCall::AnswerException(const std::string& message) {
  try {
    reg_.ClearPosData();
    if (modeSaved_) SetNameLookupMode(savedMode_);
    doc_.ErrorCode = reg_.LastRes;
    doc_.LogicError = reg_.LastExecErrorCode;
    StoreShortString(doc_.ErrorText, message);
    RaiseErrorFmt(tCommonFiscReg::kErrDeviceLogged, "Fiscal register %s # %d exception on FiscDocument", message,
                  int32_t(reg_.Number) + 1);
    if (reg_.Log.IsLoggingOn()) reg_.FlushLog();
  } catch (...) {
  }
}

// The file of an earlier failure is replaced only by a whole new one.
void tFiscDocumentCall::SaveInputData(const char* fileName) {
  if (!KindIn(kind_, kSavedKinds)) return;
  if (platform::ReplaceWholeFile(fileName, DataBlock(doc_))) {
    LogText(0, std::string("Error input data saved to ") + fileName);
    return;
  }
  const std::string line = std::string("Error input data could not be saved to ") + fileName;
  LogText(0, line);
  reg_.LogAtLevel(0, line);
}
