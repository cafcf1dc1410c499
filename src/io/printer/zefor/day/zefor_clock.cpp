// The clock check of the universal register: the register's clock against
// the POS computer's, with a limit that warns the cashier and one that
// blocks the device.
#include "io/printer/zefor/day/zef_clock.h"

#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"
#include "standart/civil_date.h"
#include "standart/format.h"
#include "standart/host_params.h"

namespace ZefClock {

tMoment Now() {
  const platform::LocalTime t = platform::Now();
  tMoment m;
  m.Date = int32_t(CivilDate::DaysFromCivil(t.Year, t.Month, t.Day) - CivilDate::DaysFromCivil(1899, 12, 30));
  m.Time = ((t.Hour * 60 + t.Minute) * 60 + t.Second) * 1000 + t.Millisecond;
  return m;
}

int64_t DifferenceSeconds(const tMoment& a, const tMoment& b) {
  const int64_t ms = (int64_t(a.Date) - b.Date) * kDayMs + (int64_t(a.Time) - b.Time);
  return (ms < 0 ? -ms : ms) / 1000;
}

bool Earlier(const tMoment& a, const tMoment& b) {
  return a.Date != b.Date ? a.Date < b.Date : a.Time < b.Time;
}

}  // namespace ZefClock

namespace {

const char kUnknown[] = "The time in the Fiscal registrar is unknown. POS operation is blocked. Contact Support.";
const char kBehindBlock[] =
    "Time in the Fiscal registrar is too far behind POS (%d seconds). POS operation is blocked. Contact Support.";
const char kAheadBlock[] =
    "The time in the Fiscal registrar is too much than POS (%d seconds). POS operation is blocked. Contact Support.";
const char kBehindWarn[] =
    "Time in the Fiscal registrar is too far behind POS (%d seconds). Report this problem to support. Click OK to "
    "continue.";
const char kAheadWarn[] =
    "The time in the Fiscal registrar is too much than POS (%d seconds). Report this problem to support. Click OK "
    "to continue.";

}  // namespace

bool TZefor::CheckRegisterClock() {
  const bool block = Params.TimeCheckLimit1 > 0, warn = Params.TimeCheckLimit2 > 0;
  if (!block && !warn) return true;
  auto show = [this](const std::string& text) {
    Journal.Write(1, text);
    OfflineQuestion(false, text);
  };
  TZefStatus status{};
  if (!CreateResult(ReadStatus(status, ZefStatus::fnInternalDateTime), "ZefGetStatus")) {
    OfflineQuestion(false, LastExecErrorText);
    return !block;
  }
  if (status.InternalDate <= 0) {
    show(HostParams::Translate(kUnknown));
    return !block;
  }
  const ZefClock::tMoment now = ZefClock::Now(), clock{status.InternalDate, status.InternalTime};
  const int64_t diff = ZefClock::DifferenceSeconds(now, clock);
  const bool behind = ZefClock::Earlier(clock, now);
  if (block && diff > Params.TimeCheckLimit1) {
    show(Fmt(HostParams::Translate(behind ? kBehindBlock : kAheadBlock), int32_t(diff)));
    return false;
  }
  if (warn && diff > Params.TimeCheckLimit2) show(Fmt(HostParams::Translate(behind ? kBehindWarn : kAheadWarn), int32_t(diff)));
  return true;
}
