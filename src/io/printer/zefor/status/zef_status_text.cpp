#include "io/printer/zefor/status/zef_status_text.h"

#include <algorithm>

#include "standart/format.h"

namespace ZefStatus {

namespace {

struct tFieldName {
  uint32_t Mask;
  const char* Name;
};

const tFieldName kFieldNames[] = {
    {fnBusy, "fnBusy"},
    {fnUnfiscalPrint, "fnUnfiscalPrint"},
    {fnPrintQueue, "fnPrintQueue"},
    {fnDrawerOpened, "fnDrawerOpened"},
    {fnPaperStatus, "fnPaperStatus"},
    {fnShiftState, "fnShiftState"},
    {fnSerialNumber, "fnSerialNumber"},
    {fnLastShiftNum, "fnLastShiftNum"},
    {fnLastDocNum, "fnLastDocNum"},
    {fnLastReceiptNum, "fnLastReceiptNum"},
    {fnSaledValue, "fnSaledValue"},
    {fnOFDStatus, "fnOFDStatus"},
    {fnCashRegValue, "fnCashRegValue"},
    {fnInternalDateTime, "fnInternalDateTime"},
};

const char* Bool(uint8_t value) { return value ? "TRUE" : "FALSE"; }

std::string PaperName(int32_t status) {
  switch (status) {
    case paperOk: return "paperOk";
    case paperOut: return "paperOut";
    case paperLow: return "paperLow";
    default: return std::to_string(status);
  }
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(int64_t(yoe) + era * 400 + (m <= 2));
}

}  // namespace

std::string FieldNames(uint32_t mask) {
  std::string names;
  for (const tFieldName& f : kFieldNames)
    if (mask & f.Mask) names += (names.empty() ? "" : ", ") + std::string(f.Name);
  return names;
}

std::string ShiftStateName(uint8_t state) {
  switch (state) {
    case ssShiftClosed: return "ssShiftClosed";
    case ssShiftOpened: return "ssShiftOpened";
    case ssShiftOpened24hoursExceeded: return "ssShiftOpened24hoursExceeded";
    default: return std::to_string(state);
  }
}

std::string MomentText(int32_t date, int32_t time) {
  // Day 0 is 1899-12-30, which lies 25569 days before 1970-01-01.
  int y, m, d;
  CivilFromDays(int64_t(date) - 25569, y, m, d);
  int32_t seconds = std::max(time, 0) / 1000;
  return Fmt("%4.4d-%2.2d-%2.2dT%2.2d:%2.2d:%2.2d", y, m, d, seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::string SerialNumber(const TZefStatus& status) {
  size_t length = std::min<size_t>(status.SerialNum[0], sizeof status.SerialNum - 1);
  return std::string(reinterpret_cast<const char*>(status.SerialNum + 1), length);
}

std::string StatusText(const TZefStatus& s, uint32_t mask) {
  std::string text;
  auto add = [&](uint32_t group, const std::string& part) {
    if (!(mask & group)) return;
    if (!text.empty()) text += ',';
    text += part;
  };
  add(fnBusy, Fmt("NotReady = %s, Busy = %s", Bool(s.NotReady), Bool(s.Busy)));
  add(fnUnfiscalPrint, Fmt("CannotPrintUnfiscal = %s", Bool(s.CannotPrintUnfiscal)));
  add(fnPrintQueue, Fmt("QueueSize = %d", s.QueueSize));
  add(fnDrawerOpened, Fmt("DrawerOpened = %s", Bool(s.DrawerOpened)));
  add(fnPaperStatus, Fmt("PaperStatus = %s", PaperName(s.PaperStatus)));
  add(fnShiftState, Fmt("ShiftState = %s", ShiftStateName(s.ShiftState)));
  add(fnSerialNumber, Fmt("SerialNum = %s", SerialNumber(s)));
  add(fnLastShiftNum, Fmt("LastShiftNum = %d", s.LastShiftNum));
  add(fnLastDocNum, Fmt("LastDocNum = %d", s.LastDocNum));
  add(fnLastReceiptNum, Fmt("LastReceiptNum = %d", s.LastReceiptNum));
  add(fnSaledValue, Fmt("SaledValue = %s", std::to_string(s.SaledValue)));
  add(fnCashRegValue, Fmt("CashRegValue = %s", std::to_string(s.CashRegValue)));
  add(fnOFDStatus, Fmt("EKLZNearEnd = %s, OFDUnsentCount = %d, OFDOldestUnsent = %d, OFDOldestUnsentTime = %d (%s)",
                       Bool(s.EKLZNearEnd), s.OFDUnsentCount, s.OFDOldestUnsent, s.OFDOldestUnsentTime,
                       MomentText(s.OFDOldestUnsent, s.OFDOldestUnsentTime)));
  add(fnInternalDateTime, Fmt("InternalDate = %d, InternalTime = %d (%s)", s.InternalDate, s.InternalTime,
                              MomentText(s.InternalDate, s.InternalTime)));
  return text;
}

}  // namespace ZefStatus
