// Cash operations and shift reports of the universal register: cash in and
// out, collecting all cash, the Z-report that closes the shift, the X-report,
// the full report of the last shift and the special reports.
#include <cstdlib>
#include <vector>

#include "io/printer/fiscreg/order_preparation.h"
#include "io/printer/zefor/document/report_build.h"
#include "io/printer/zefor/document/saved_error.h"
#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"
#include "posdata/pdsource.h"
#include "standart/errors.h"
#include "standart/format.h"
#include "standart/host_params.h"
#include "standart/text.h"

namespace {

using namespace ZefOptions;
using namespace ZefStatus;

// Context bytes of the register's own refusals.
constexpr uint8_t kCxCloseDay = 3, kCxFullLastShift = 4, kCxAnyReport = 5;
constexpr int32_t kSubKindDetailByDate = 46, kSubKindBriefByDate = 47, kSubKindBriefByNumber = 48;
constexpr int32_t kSubKindByArticul = 62, kSubKindZeroCheck = 63, kSubKindOFDStatus = 113;

std::string NowText() {
  platform::LocalTime t = platform::Now();
  return Fmt("%2.2d.%2.2d.%2.2d %2.2d:%2.2d:%2.2d", t.Day, t.Month, t.Year % 100, t.Hour, t.Minute, t.Second);
}

std::string Hundredths(int64_t value) { return std::to_string(value); }

// A decimal number of digits only; -1 otherwise.
int32_t Digits(const std::string& text) {
  int32_t value = -1;
  return ParseDigits(text, value) ? value : -1;
}

// "yyyymmdd" as "yyyy-mm-dd"; false when a part is not a number.
bool DateParameter(const std::string& text, std::string& out) {
  const int32_t year = Digits(text.substr(0, 4)), month = Digits(text.size() >= 6 ? text.substr(4, 2) : "");
  const int32_t day = Digits(text.size() >= 8 ? text.substr(6, 2) : "");
  if (year < 0 || month < 0 || day < 0) return false;
  out = Fmt("%4.4d-%2.2d-%2.2d", year, month, day);
  return true;
}

// The final journal line of an operation; an error line when it failed.
bool Finish(TZefor& reg, const char* step, bool result) {
  reg.Journal.Write(result ? 1 : 0, tZefJournal::OperationFinal(step, tZefJournal::Bool(result)));
  return result;
}

}  // namespace

namespace {

// One cash or report document: the envelope with its header, sent with the
// pause between documents.
class tReportDocument {
 public:
  tReportDocument(TZefor& reg, const std::string& toPrint) : reg_(reg), xml_(reg) {
    xml_.NewDocument(std::string());
    xml_.FillHeader(false, toPrint);
  }
  TFSXml& Xml() { return xml_; }
  bool Send() {
    TZefStatus status{};
    int32_t filled = 0;
    return reg_.SendDocument(xml_, status, filled, false);
  }

 private:
  TZefor& reg_;
  TFSXml xml_;
};

// The counters after a cash document: last document and receipt numbers and
// the fiscal data operator's state.
bool RefreshCashCounters(TZefor& reg) {
  TZefStatus status{};
  if (!reg.CreateResult(reg.ReadStatus(status, fnLastDocNum | fnLastReceiptNum | fnOFDStatus), "ZefGetStatus"))
    return false;
  reg.LastStateInfo.DocNum = status.LastDocNum;
  reg.LastStateInfo.CheckNum = status.LastReceiptNum;
  reg.LastStateInfo.OFDUnsentCount = status.OFDUnsentCount;
  reg.LastStateInfo.OFDOldestUnsent = status.OFDOldestUnsent;
  return true;
}

bool ReadShift(TZefor& reg, TZefStatus& status) {
  status = TZefStatus{};
  return reg.CreateResult(reg.ReadStatus(status, fnShiftState | fnLastShiftNum), "ZefGetStatus");
}

}  // namespace

// ---- cash in and out --------------------------------------------------------------------

bool TZefor::MoneyInOut(TFiscDocInfo& doc) {
  const char kStep[] = "MoneyInOut";
  Journal.Write(1, tZefJournal::OperationEntry(kStep));
  bool printed = false;
  const std::string identity = DocumentIdentity(doc, std::string());
  if (!BeginCountedDocument(doc.Kind, identity, printed)) return Finish(*this, kStep, false);
  if (printed) return Finish(*this, kStep, true);
  bool result = false;
  std::vector<TKvt_CashInOut> operations;
  TPDDataSet* cash = PosData().GetDataSet("CashInOut", false);
  if (!cash) Journal.Write(0, "Warning: dataset DSN_CASH_IN_OUT not found");
  else if (cash->RecCount() == 0) Journal.Write(0, "Warning: dataset DSN_CASH_IN_OUT is empty");
  bool counted = true;
  if (cash) {
    tOrderPreparation preparation(*this);
    cash->First();
    for (int32_t r = 0; r < cash->RecCount() && counted; ++r, cash->Next()) {
      int64_t value = AsHundredths(cash->GetRawValueByName("NationalSum"));
      if (doc.SubType < 0 && value > 0) value = -value;
      Journal.Write(1, Fmt("{%s}[%s]/%s/ %s = %s", kStep, value > 0 ? "Подкрепление денег" : "Инкассация денег",
                           NowText(), "tmSum", Hundredths(value < 0 ? -value : value)));
      operations.push_back(TKvt_CashInOut::FromRecord(*cash, value, preparation));
      counted = RefreshCashCounters(*this);
    }
  }
  if (counted) {
    const std::string toPrint = EffectiveSettings.SummaryOnly ? std::string() : ToPrintText(doc);
    tReportDocument document(*this, toPrint);
    for (const TKvt_CashInOut& op : operations) ReportBuild::AddCashInOut(document.Xml(), op);
    if (operations.empty()) document.Xml().Root()->SetAttr("DocType", "CashInOut");
    result = SendCountedCashDocument(document.Xml(), kStep, doc.Kind, identity);
  }
  return Finish(*this, kStep, result);
}

bool TZefor::AllMoneyOut() { return AllMoneyOutOf(nullptr); }

bool TZefor::AllMoneyOutOf(const TFiscDocInfo* doc) {
  const char kStep[] = "AllMoneyOut";
  Journal.Write(1, tZefJournal::OperationEntry(kStep));
  bool printed = false;
  const std::string identity = doc ? DocumentIdentity(*doc, std::string()) : std::string();
  const int32_t kind = doc ? doc->Kind : fdCollectCash;
  if (!BeginCountedDocument(kind, identity, printed)) return Finish(*this, kStep, false);
  if (printed) return Finish(*this, kStep, true);
  tReportDocument document(*this, std::string());
  ReportBuild::AddCollectAll(document.Xml());
  const bool result = SendCountedCashDocument(document.Xml(), kStep, kind, identity);
  return Finish(*this, kStep, result);
}

bool TZefor::CollectAllCash(TFiscDocInfo& doc) {
  if ((Driver.Options & foManyCashInOutPayments) && !(Driver.Options & foAllMoneyOut)) return MoneyInOut(doc);
  return AllMoneyOutOf(&doc);
}

// ---- the Z-report ---------------------------------------------------------------------------

namespace {

// One CloseDay call.
class tCloseDay {
 public:
  tCloseDay(TZefor& reg, bool force) : reg_(reg), force_(force) {}
  bool Run();

 private:
  void Line(const std::string& text) { reg_.Journal.Write(0, tZefJournal::Message("CloseDay", text)); }
  bool SettleUnconfirmed(bool& result);
  bool PrintZReport();
  void TakeReplyData();
  bool PrintedAfterAll(const tSavedError& error);

  TZefor& reg_;
  bool force_;
  TZefStatus before_{};
};

bool tCloseDay::Run() {
  // A Z-report counts a document too: what an unfinished call left is
  // settled before it.
  reg_.SettleRecord();
  if (!ReadShift(reg_, before_)) return false;
  bool result = false;
  if (SettleUnconfirmed(result)) return result;
  const bool closed = before_.ShiftState == ssShiftClosed;
  if (closed && !force_) return true;
  if (closed && !(reg_.Driver.Options & foZWhenClosedShift)) {
    reg_.SetLastError0Text(kCxCloseDay, "Shift is closed and it is impossible to print the Z-report", false);
    return false;
  }
  if (!(reg_.Driver.Options & foZReport)) {
    reg_.Journal.Write(0, Fmt("{%s} %s", "CloseDay",
                              Fmt("%s: %s %s", "Z-REPORT", "НЕ ПОДДЕРЖИВАЕТСЯ ФИСКАЛЬНЫМ РЕГИСТРАТОРОМ",
                                  reg_.DeviceDriverName())));
    return true;
  }
  return PrintZReport();
}

// A Z-report of an earlier call whose outcome was unknown: when the register
// closed that shift, it was printed then; answer with its data instead of
// printing another.
bool tCloseDay::SettleUnconfirmed(bool& result) {
  IXmlDocument data;
  const int32_t shift = reg_.TakeUnconfirmedZReport(data);
  if (shift == 0) return false;
  if (before_.LastShiftNum < shift) {
    Line(Fmt("The Z-report of shift %d was not printed", shift));
    return false;
  }
  if (before_.ShiftState != ssShiftClosed) {
    Line(Fmt("The Z-report of shift %d was printed; a new shift has opened since", shift));
    return false;
  }
  Line(Fmt("The Z-report of shift %d was printed by the earlier call; it is not printed again", shift));
  if (data) reg_.ZReportDocument = data;
  result = true;
  return true;
}

bool tCloseDay::PrintZReport() {
  tReportDocument document(reg_, std::string());
  ReportBuild::AddReport(document.Xml(), "Z", std::string());
  if (document.Send()) {
    TakeReplyData();
    return true;
  }
  return PrintedAfterAll(tSavedError(reg_));
}

void tCloseDay::TakeReplyData() {
  const std::string& reply = reg_.Driver.FiscalReturnText;
  if (reply.empty()) return;
  try {
    // A reply without data keeps what was read before the report.
    if (IXmlDocument data = reg_.ConvertZReportData(reply)) reg_.ZReportDocument = data;
  } catch (...) {
    reg_.Journal.Write(0, "ConvertZReportDataForVessa exception: " + ExceptionMessage());
  }
}

// The driver reported a failure: the register may have printed the report
// all the same (a time-out after printing). Its shift counter tells; when it
// cannot be read, the next Z-report asks again before printing.
bool tCloseDay::PrintedAfterAll(const tSavedError& error) {
  TZefStatus after{};
  if (!ReadShift(reg_, after)) {
    Line(Fmt("The register did not answer after the Z-report of shift %d", int32_t(before_.LastShiftNum) + 1));
    reg_.KeepUnconfirmedZReport(before_.LastShiftNum + 1, reg_.ZReportDocument);
    error.Restore(reg_);
    return false;
  }
  if (after.ShiftState == ssShiftClosed && after.LastShiftNum > before_.LastShiftNum) {
    Line(Fmt("The register closed shift %d although the driver reported: %s", int32_t(after.LastShiftNum),
             error.LastExecErrorText));
    return true;
  }
  error.Restore(reg_);
  return false;
}

}  // namespace

bool TZefor::CloseDay(bool force) {
  Journal.Write(1, tZefJournal::OperationEntry("CloseDay"));
  const bool result = tCloseDay(*this, force).Run();
  return Finish(*this, "CloseDay", result);
}

// ---- other reports -----------------------------------------------------------------------------

bool TZefor::PrintXReport() {
  Journal.Write(1, tZefJournal::OperationEntry("PrintXReport"));
  bool result = true;
  if (Driver.Options & foXReport) {
    tReportDocument document(*this, std::string());
    ReportBuild::AddReport(document.Xml(), "X", std::string());
    result = document.Send();
  } else {
    Journal.Write(0, Fmt("{%s} %s", "PrintXReport",
                         Fmt("%s: %s %s", "X-REPORT", "НЕ ПОДДЕРЖИВАЕТСЯ ФИСКАЛЬНЫМ РЕГИСТРАТОРОМ", DeviceDriverName())));
  }
  return Finish(*this, "PrintXReport", result);
}

bool TZefor::PrintFullLastShift() {
  Journal.Write(1, tZefJournal::OperationEntry("PrintFullLastShift"));
  bool result = false;
  if (KindIn(fdFullLastShift, capabilityFlags_)) {
    tReportDocument document(*this, std::string());
    ReportBuild::AddReport(document.Xml(), "LastShift", std::string());
    result = document.Send();
  } else {
    SetLastError0Text(kCxFullLastShift, "Not supported", false);
  }
  return Finish(*this, "PrintFullLastShift", result);
}

namespace {

// The report type and parameters of a special report; false with the
// register's last error set when the request cannot be printed.
bool SpecialReportRequest(TZefor& reg, int32_t subType, const std::string& data, std::string& type,
                          std::string& parameters) {
  auto invalid = [&](const std::string& text) {
    reg.SetLastError0Text(kCxAnyReport, text, true);
    return false;
  };
  auto badData = [&] { return invalid(Fmt(HostParams::Translate("Invalid data format: %s"), data)); };
  switch (subType) {
    case kSubKindDetailByDate: type = "DetailByDate"; break;
    case kSubKindBriefByDate: type = "BriefByDate"; break;
    case kSubKindBriefByNumber: type = "BriefByNumber"; break;
    case kSubKindByArticul: type = "ByArticul"; return true;
    case kSubKindZeroCheck: type = "ZeroCheck"; return true;
    case kSubKindOFDStatus: type = "OFDStatus"; return true;
    default: return invalid(Fmt(HostParams::Translate("Invalid type of report: %s"), std::to_string(subType)));
  }
  const size_t semicolon = data.find(';');
  if (semicolon == std::string::npos) return badData();
  if (subType != kSubKindBriefByNumber) {
    std::string first, last;
    if (!DateParameter(data.substr(0, 8), first) || !DateParameter(data.size() > 9 ? data.substr(9, 8) : "", last))
      return badData();
    parameters = Fmt("%s;%s", first, last);
    return true;
  }
  int32_t first = Digits(data.substr(0, semicolon)), last = Digits(data.substr(semicolon + 1));
  if (first < 0 || last < 0) return badData();
  if (first > last) std::swap(first, last);
  TZefStatus status{};
  if (!reg.CreateResult(reg.ReadStatus(status, fnLastShiftNum), "ZefGetStatus")) return false;
  if (last > status.LastShiftNum)
    return invalid(Fmt(HostParams::Translate("Non-existent number of shifts. Shall not exceed the value of %d"),
                       int32_t(status.LastShiftNum)));
  parameters = Fmt("%d;%d", first, last);
  return true;
}

}  // namespace

bool TZefor::PrintAnyReport(int32_t subType, const std::string& data) {
  Journal.Write(1, tZefJournal::OperationEntry("PrintAnyReport"));
  bool result = false;
  std::string type, parameters;
  if (!KindIn(fdSpecialReport, capabilityFlags_)) {
    SetLastError0Text(kCxAnyReport, "Not supported", false);
  } else {
    tReportDocument document(*this, std::string());
    if (SpecialReportRequest(*this, subType, data, type, parameters)) {
      ReportBuild::AddReport(document.Xml(), type, parameters);
      result = document.Send();
    }
  }
  return Finish(*this, "PrintAnyReport", result);
}

void TZefor::KeepUnconfirmedZReport(int32_t shift, const IXmlDocument& data) {
  unconfirmedZShift_ = shift;
  unconfirmedZData_ = data;
}

int32_t TZefor::TakeUnconfirmedZReport(IXmlDocument& data) {
  const int32_t shift = unconfirmedZShift_;
  data = unconfirmedZData_;
  unconfirmedZShift_ = 0;
  unconfirmedZData_ = nullptr;
  return shift;
}
