// Options, status and readiness of the universal register.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "io/printer/fiscreg/operator_message.h"
#include "io/printer/zefor/status/zef_status_text.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "xml/simplexml.h"

namespace {

using namespace ZefStatus;

tErrorDescriptor g_noSerialNumber =
    ErrorDescriptor(TZefor::kErrNoSerialNumber, "No serial number for %s, Zefor.DLL#%d", false);

tXmlDateTime Moment(int32_t date, int32_t time) { return tXmlDateTime{date + time / 86400000.0}; }

tXmlDateTime NowMoment() {
  platform::LocalTime t = platform::Now();
  return tXmlDateTime::Encode(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Millisecond);
}

}  // namespace

uint32_t TZefor::GetFiscRegOptions() {
  Journal.Write(1, tZefJournal::OperationEntry("GetFiscRegOptions"));
  uint32_t flags = capabilityFlags_;
  if (Driver.HasGetOptions()) {
    flags = Driver.HasFiscalDocument() ? ZefOptions::kFiscalDocumentFlags : 0;
    uint64_t options = 0;
    std::string name, version, state;
    if (CreateResult(Driver.GetOptions(options, name, version, state), "ZefGetOptions")) {
      Driver.Options = options;
      driverNameText_ = name;
      versionText_ = version;
      driverState_ = state;
      flags |= ZefOptions::PosFlags(options);
    }
  }
  capabilityFlags_ = flags;
  Journal.Write(1, tZefJournal::Value("GetFiscRegOptions", "sOptions", "(" + ZefOptions::Names(Driver.Options) + ")"));
  Journal.Write(1, tZefJournal::OperationFinal("GetFiscRegOptions"));
  return flags;
}

int32_t TZefor::ReadStatus(TZefStatus& status, uint32_t mask) {
  bool extended = !Params.StatusFileName.empty();
  int32_t code = Driver.InDriverThread([&] { return Driver.GetStatus(status, mask, extended); });
  if (extended) DeviceStateDocument(code == 0, status);
  return code;
}

void TZefor::FillStatus(TPrinterStatus& status) {
  if (!IsInitialized()) EnsureInitialized();
  Journal.Write(1, tZefJournal::OperationEntry("FillStatus"));
  status.SlipSupported = (Driver.Options & ZefOptions::foSlip) ? 1 : 0;
  TZefStatus driverStatus{};
  // Without an initialised driver there is nothing to ask: the register is offline.
  bool ok = IsInitialized() && CreateResult(ReadStatus(driverStatus, kFillStatusMask), "ZefGetStatus");
  std::string stateText = Params.StatusFileName.empty() ? DeviceStateDocument(ok, driverStatus) : CurrentStateText();
  if (!ok) {
    status.Offline = 1;
  } else {
    status.Offline = driverStatus.NotReady;
    status.NotReady = driverStatus.NotReady;
    status.Busy = driverStatus.Busy;
    status.CannotPrintUnfiscal = driverStatus.CannotPrintUnfiscal;
    if (driverStatus.PaperStatus < 0 || driverStatus.PaperStatus > 255) {
      Journal.Write(0, tZefJournal::Value("FillStatus", "PaperStatus", std::to_string(driverStatus.PaperStatus)));
      status.PaperStatus = 255;
    } else {
      status.PaperStatus = uint8_t(driverStatus.PaperStatus);
    }
    status.StatusFlags = uint8_t((driverStatus.ShiftState == ssShiftOpened24hoursExceeded ? kStatusShiftOver24h : 0) |
                                 (driverStatus.EKLZNearEnd ? kStatusFiscalMemoryNearEnd : 0));
    status.AdapterMinor = AdapterMinor();
    size_t length = std::min(stateText.size(), sizeof status.StateText - 1);
    std::memcpy(status.StateText, stateText.data(), length);
    status.StateText[length] = 0;
  }
  Journal.Write(1, tZefJournal::OperationFinal("FillStatus"));
}

std::string TZefor::DeviceStateDocument(bool obtained, const TZefStatus& status) {
  snapshotTick_ = platform::TickCount();
  hasSnapshot_ = true;
  try {
    IXmlDocument document = NewXmlDocument("DeviceState", "1.0", "utf-8");
    IXmlElement root = document->DocumentElement();
    bool online = obtained && status.NotReady == 0;
    int32_t protocol = Driver.ProtocolVersion;
    if (online) {
      IXmlElement paper = root->AppendElement("PaperStatus");
      paper->SetBoolAttr("PaperOut", status.PaperStatus == paperOut);
      paper->SetBoolAttr("PaperLow", status.PaperStatus == paperLow);
      paper->SetBoolAttr("PaperOther", status.PaperStatus > paperLow);
      IXmlElement logic = root->AppendElement("LogicStatus");
      logic->SetBoolAttr("Fisc24Out", status.ShiftState == ssShiftOpened24hoursExceeded);
      logic->SetBoolAttr("EKLZNearEnd", status.EKLZNearEnd != 0);
      logic->SetIntAttr("ShiftState", status.ShiftState);
      if (protocol >= 35) {
        IXmlElement ofd = root->AppendElement("OFDStatus");
        ofd->SetIntAttr("UnsendedDocs", status.OFDUnsentCount);
        if (protocol >= 37)
          ofd->SetDateTimeAttr("FirstUnsendDate", Moment(status.OFDOldestUnsent, status.OFDOldestUnsentTime));
      }
      if (protocol >= 39)
        root->AppendElement("InternalTime")
            ->SetDateTimeAttr("CurrentValue", Moment(status.InternalDate, status.InternalTime));
    }
    bool paperless = (Driver.Options & ZefOptions::foWorkWithoutPaper) && status.PaperStatus == paperOut;
    root->AppendElement("DeviceStatus")->SetBoolAttr("Online", online && !paperless);
    std::string text = document->Xml();
    // The status snapshot thread builds documents too; the last one built wins.
    std::lock_guard<std::mutex> guard(stateLock_);
    stateText_ = text;
    if (!Params.StatusFileName.empty()) {
      std::string path = Params.StatusFileName;
      if (path.find('/') == std::string::npos && path.find('\\') == std::string::npos) path = adapterDirectory_ + path;
      if (!platform::ReplaceWholeFile(path, stateText_)) RaiseXmlError("Cannot write " + path);
    }
  } catch (...) {
    Journal.Write(0, "Exception in SaveStatuses:" + ExceptionMessage());
  }
  return CurrentStateText();
}

std::string TZefor::CurrentStateText() {
  std::lock_guard<std::mutex> guard(stateLock_);
  return stateText_;
}

bool TZefor::FiscGetExtID(std::string& identifier, bool& shiftOpened) {
  identifier.clear();
  shiftOpened = false;
  Journal.Write(1, tZefJournal::OperationEntry("FiscGetExtID"));
  TZefStatus status{};
  bool result = false;
  if (IsInitialized() && CreateResult(ReadStatus(status, kExtIDMask), "ZefGetStatus")) {
    bool ready = !status.NotReady && !status.Busy;
    identifier = SerialNumber(status);
    if (Driver.ProtocolVersion >= 21 && (capabilityFlags_ & 0x2) && identifier.empty()) {
      RaiseDescribedError(g_noSerialNumber, Params.LowDriverModule, int32_t(Number));
      ready = false;
    }
    shiftOpened = status.ShiftState != ssShiftClosed;
    LastStateInfo.ShiftOpened = shiftOpened;
    if (LastStateInfo.ExtID.empty()) LastStateInfo.ExtID = identifier;
    result = ready;
    if (!ready) DeviceStateDocument(false, status);
  }
  Journal.Write(result ? 1 : 0, tZefJournal::OperationFinal("FiscGetExtID", tZefJournal::Bool(result)));
  return result;
}

bool TZefor::CheckFillState(const tFillRequest& request) {
  Journal.Write(1, tZefJournal::OperationEntry("CheckFillState"));
  uint32_t mask = fnShiftState | fnOFDStatus;
  if (LastStateInfo.FiscShift == 0) mask |= fnLastShiftNum;
  if (request.SaledValue) mask |= fnSaledValue;
  if (request.CheckNum) mask |= fnLastReceiptNum;
  if (request.DocNum) mask |= fnLastDocNum;
  TZefStatus status{};
  if (!CreateResult(ReadStatus(status, mask), "ZefGetStatus")) return false;
  if (request.ShiftAgeCheck && Params.ShiftAgeCheck && status.ShiftState == ssShiftOpened24hoursExceeded) {
    std::string text = Fmt("%s. %s", HostParams::Translate("Shift exceeded 24 hours"),
                           HostParams::Translate("The document will be printed after the Z-report"));
    Journal.Write(1, tZefJournal::Message("IsReadyFR", text));
    int32_t answer = OperatorMessage::Show(Number, OperatorMessage::kQuestion, text, OperatorMessage::kButtonsRetryAbort);
    if (answer == OperatorMessage::kAnswerRetry) {
      CloseDay(false);
      if (!CreateResult(ReadStatus(status, mask), "ZefGetStatus")) return false;
    }
  }
  if (request.DocNum) LastStateInfo.DocNum = status.LastDocNum;
  if (request.CheckNum) LastStateInfo.CheckNum = status.LastReceiptNum;
  LastStateInfo.OFDUnsentCount = status.OFDUnsentCount;
  LastStateInfo.OFDOldestUnsent = status.OFDOldestUnsent;
  LastStateInfo.ShiftOpened = status.ShiftState != ssShiftClosed;
  if (LastStateInfo.FiscShift == 0) LastStateInfo.FiscShift = status.LastShiftNum + 1;
  if (request.SaledValue) LastStateInfo.SaledValue = status.SaledValue;
  platform::LocalTime t = platform::Now();
  std::string now = Fmt("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%2.2d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute, t.Second);
  Journal.Write(1, Fmt("{%s}[%s] %s = %s, %s = %s, %s = %s, %s = %s, %s = %s, %s = %s", "CheckFillState", now,
                       "LastStateInfo.DocNum", std::to_string(LastStateInfo.DocNum), "LastStateInfo.CheckNum",
                       std::to_string(LastStateInfo.CheckNum), "LastStateInfo.ShiftOpened",
                       tZefJournal::Bool(LastStateInfo.ShiftOpened), "LastStateInfo.FiscShift",
                       std::to_string(LastStateInfo.FiscShift), "LastStateInfo.OFDUnsentCount",
                       std::to_string(LastStateInfo.OFDUnsentCount), "LastStateInfo.OFDOldestUnsent",
                       std::to_string(LastStateInfo.OFDOldestUnsent)));
  Journal.Write(1, tZefJournal::OperationFinal("CheckFillState", "TRUE"));
  return true;
}

bool TZefor::IsReadyFR(uint8_t context, bool& flag) {
  Journal.Write(1, Fmt("--> %s/%s/ (ZEFOR-ENTRY) <--", "IsReadyFR", ContextName(context)));
  TZefStatus status{};
  bool result = CreateResult(ReadStatus(status, fnShiftState), "ZefGetStatus");
  if (result) {
    Journal.Write(1, tZefJournal::Value("IsReadyFR", "ShiftState", ShiftStateName(status.ShiftState)));
    if (context == 9 && status.ShiftState != ssShiftClosed) flag = true;
    if (context == 12 && status.ShiftState == ssShiftOpened24hoursExceeded) {
      SetLastError0Text(7, "Shift exceeded 24 hours", false);
      result = false;
    }
  }
  Journal.Write(result ? 1 : 0, tZefJournal::StepFinal("IsReadyFR", result));
  return result;
}

bool TZefor::IsChangePayType(int32_t type) {
  if (!(Driver.Options & ZefOptions::foCalcChange) || !EffectiveSettings.PrintChange) return false;
  if (hasChangeFromTypes_)
    return std::find(changeFromTypeIndexes_.begin(), changeFromTypeIndexes_.end(), type) != changeFromTypeIndexes_.end();
  return tCommonFiscReg::IsChangePayType(type);
}

std::string TZefor::GetInfoText() {
  return Fmt("Driver Name = %s\r\nVersion = %s\r\nDriver State = %s", driverNameText_, versionText_, driverState_);
}

void TZefor::PrintersStarted() {
  startedReported_ = true;
  StartedStep();
}

void TZefor::StartedStep() {
  Journal.Write(1, tZefJournal::CallEntry("ZefStarted"));
  try {
    if (Driver.HasStarted()) Driver.Started();
    if (initReply_) {
      IXmlElement root = initReply_->DocumentElement();
      IXmlElement fiscal = root ? root->SelectSingleNode("Hardware/Fiscal") : IXmlElement();
      tXmlDateTime now = NowMoment();
      tXmlDateTime end{now.Days + 100500};
      if (fiscal) end = fiscal->DateTimeAttr("EndDate", end);
      if (now.Days + Params.EndDateWarningDays > end.Days) {
        platform::LocalTime t = platform::Now();
        double today = tXmlDateTime::Encode(t.Year, t.Month, t.Day).Days;
        int32_t days = int32_t(std::lround(end.Days - today));
        OperatorMessage::Show(Number, OperatorMessage::kMessage,
                              Fmt(HostParams::Translate("Fiscal regiser will stop work in %d days"), days),
                              OperatorMessage::kButtonOk);
      }
      initReply_ = nullptr;
    }
  } catch (...) {
    Journal.Write(0, tZefJournal::Message("ZefStarted", ExceptionMessage()));
    throw;
  }
  Journal.Write(1, tZefJournal::CallFinal("ZefStarted"));
}

bool TZefor::LastSnapshotTick(uint32_t& tick) const {
  if (!hasSnapshot_) return false;
  tick = snapshotTick_;
  return true;
}
