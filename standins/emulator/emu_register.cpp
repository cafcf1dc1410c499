#include "emu_register.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "platform/platform.h"

namespace emu {

namespace {

std::atomic<int32_t> g_inFlight{0};

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

time_t ParseIso(const std::string& text) {
  struct tm t = {};
  if (text.empty() || std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                                  &t.tm_min, &t.tm_sec) < 3)
    return 0;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  t.tm_isdst = -1;
  return mktime(&t);
}

void StoreSerial(uint8_t* target, const std::string& serial) {
  size_t n = std::min<size_t>(serial.size(), 35);
  target[0] = uint8_t(n);
  std::memcpy(target + 1, serial.data(), n);
}

}  // namespace

struct tm LocalTm(time_t moment) {
  struct tm t;
#if defined(_WIN32)
  localtime_s(&t, &moment);
#else
  localtime_r(&moment, &t);
#endif
  return t;
}

void DatePair(time_t moment, int32_t& date, int32_t& time) {
  struct tm t = LocalTm(moment);
  date = int32_t(DaysFromCivil(t.tm_year + 1900, unsigned(t.tm_mon + 1), unsigned(t.tm_mday)) -
                 DaysFromCivil(1899, 12, 30));
  time = ((t.tm_hour * 60 + t.tm_min) * 60 + t.tm_sec) * 1000;
}

std::string IsoTime(time_t moment) {
  struct tm t = LocalTm(moment);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &t);
  return text;
}

std::string StateText(const State& s) {
  std::ostringstream out;
  out << "serial = " << s.Serial << "\n"
      << "shift_open = " << (s.ShiftOpen ? 1 : 0) << "\n"
      << "shift_opened = " << (s.ShiftOpened ? IsoTime(s.ShiftOpened) : std::string()) << "\n"
      << "last_shift = " << s.LastShift << "\n"
      << "doc = " << s.Doc << "\n"
      << "receipt = " << s.Receipt << "\n"
      << "sales = " << s.Sales << "\n"
      << "cash = " << s.Cash << "\n"
      << "unsent = " << s.Unsent << "\n"
      << "oldest_unsent = " << (s.OldestUnsent ? IsoTime(s.OldestUnsent) : std::string()) << "\n"
      << "clock_offset = " << s.ClockOffset << "\n"
      << DayText(s.Shift);
  return out.str();
}

State ParseState(const std::string& text) {
  State s;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    key.erase(key.find_last_not_of(" \t") + 1);
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t\r") + 1);
    long long number = std::atoll(value.c_str());
    if (key == "serial") s.Serial = value;
    else if (key == "shift_open") s.ShiftOpen = number != 0;
    else if (key == "shift_opened") s.ShiftOpened = ParseIso(value);
    else if (key == "last_shift") s.LastShift = int32_t(number);
    else if (key == "doc") s.Doc = int32_t(number);
    else if (key == "receipt") s.Receipt = int32_t(number);
    else if (key == "sales") s.Sales = number;
    else if (key == "cash") s.Cash = number;
    else if (key == "unsent") s.Unsent = int32_t(number);
    else if (key == "oldest_unsent") s.OldestUnsent = ParseIso(value);
    else if (key == "clock_offset") s.ClockOffset = int32_t(number);
    else ReadDayLine(s.Shift, key, value);
  }
  return s;
}

void Register::Bind(const std::string& configPath) {
  std::string path = configPath;
  if (path.empty()) path = platform::GetEnv("EMULATOR_CONFIG");
  if (path.empty()) path = platform::DirectoryOf(platform::OwnModulePath()) + "emulator.cfg";
  // A new initialisation with the same file keeps the call counters, so
  // that a fault on the n-th call stays a single fault across retries.
  if (path != configPath_) {
    configPath_ = path;
    configText_.assign(1, '\0');  // forces the first Refresh to parse
  }
  Refresh();
  Load();
  ApplyClockOffset();
}

void Register::Refresh() {
  if (configPath_.empty()) {
    Bind(std::string());
    return;
  }
  std::string text;
  platform::ReadWholeFile(configPath_, text);
  if (text == configText_) return;
  configText_ = text;
  config_ = ParseConfig(text, number_, platform::DirectoryOf(configPath_));
  calls_.clear();
  clockPending_ = true;
}

void Register::ApplyClockOffset() {
  if (!clockPending_) return;
  clockPending_ = false;
  if (!config_.HasClockOffset) return;
  state_.ClockOffset = config_.ClockOffset;
  SaveState();
}

Config Register::Effective() const {
  Config c = config_;
  if (state_.Shift.TaxesProgrammed) c.Taxes = state_.Shift.TaxTable;
  return c;
}

void Register::Load() {
  std::string text;
  if (platform::ReadWholeFile(config_.StateFile, text)) {
    state_ = ParseState(text);
  } else {
    state_ = State();
    state_.Serial = config_.Serial;
    SaveState();
  }
}

void Register::SaveState() const { platform::WriteWholeFile(config_.StateFile, StateText(state_)); }

void Register::Tape(const std::string& text) const { platform::AppendToFile(config_.TapeFile, text + "\n"); }

void Register::KeepDocument(const std::string& text, const std::string& verdict) const {
  platform::AppendToFile(config_.DocumentsFile, "<!-- " + verdict + " -->\n" + text + "\n");
}

// A held call tells the test where it stopped, and never returns: the test
// kills the process there.
void Register::HoldAt(const std::string& function, int32_t count, const char* point) const {
  if (config_.Hold.Function != function || config_.Hold.Nth != count || config_.HoldPoint != point) return;
  platform::WriteWholeFile(config_.HoldFile, function + " " + std::to_string(count) + " " + point + "\n");
  for (;;) platform::Sleep(1000);
}

int32_t Register::Enter(const std::string& function) {
  ApplyClockOffset();
  int32_t count = ++calls_[function];
  HoldAt(function, count, "before");
  int32_t inFlight = ++g_inFlight;
  if (!config_.CallLog.empty())
    platform::AppendToFile(config_.CallLog, "enter " + function + " number=" + std::to_string(number_) +
                                                " call=" + std::to_string(count) + " thread=" +
                                                std::to_string(platform::CurrentThreadId()) +
                                                " inflight=" + std::to_string(inFlight) + "\n");
  HoldAt(function, count, "inside");
  if (const Fault* d = FindFault(config_.Delays, function, count)) platform::Sleep(uint32_t(d->Value));
  if (FindFault(config_.Throws, function, count)) {
    Leave(function);
    throw std::runtime_error("Emulator fault in " + function);
  }
  const Fault* f = FindFault(config_.Faults, function, count);
  return f ? f->Value : 0;
}

void Register::Leave(const std::string& function) {
  auto it = calls_.find(function);
  if (it != calls_.end()) HoldAt(function, it->second, "after");
  --g_inFlight;
}

int32_t Register::CountedFault(const std::string& function) const {
  auto it = calls_.find(function);
  const Fault* f = FindFault(config_.CountedFaults, function, it == calls_.end() ? 0 : it->second);
  return f ? f->Value : 0;
}

void Register::FillStatus(TZefStatus& s, uint32_t mask) const {
  using namespace ZefStatus;
  time_t now = time(nullptr);
  if (mask & fnBusy) {
    s.NotReady = config_.NotReady;
    s.Busy = config_.Busy;
  }
  if (mask & fnUnfiscalPrint) s.CannotPrintUnfiscal = config_.CannotPrintUnfiscal;
  if (mask & fnPrintQueue) s.QueueSize = config_.QueueSize;
  if (mask & fnDrawerOpened) {
    s.DrawerOpened = config_.DrawerOpened || drawerOpenReads_ > 0;
    if (drawerOpenReads_ > 0) --drawerOpenReads_;
  }
  if (mask & fnPaperStatus) s.PaperStatus = config_.PaperStatus;
  if (mask & fnShiftState)
    s.ShiftState = !state_.ShiftOpen ? ssShiftClosed
                   : now - state_.ShiftOpened > 24 * 3600 ? ssShiftOpened24hoursExceeded
                                                          : ssShiftOpened;
  if (mask & fnSerialNumber) StoreSerial(s.SerialNum, state_.Serial);
  if (mask & fnLastShiftNum) s.LastShiftNum = uint16_t(state_.LastShift);
  if (mask & fnLastDocNum) s.LastDocNum = state_.Doc;
  if (mask & fnLastReceiptNum) s.LastReceiptNum = state_.Receipt;
  if (mask & fnSaledValue) s.SaledValue = state_.Sales;
  if (mask & fnCashRegValue) s.CashRegValue = state_.Cash;
  if (mask & fnOFDStatus) {
    s.EKLZNearEnd = config_.EKLZNearEnd;
    s.OFDUnsentCount = state_.Unsent;
    if (state_.OldestUnsent) DatePair(state_.OldestUnsent, s.OFDOldestUnsent, s.OFDOldestUnsentTime);
  }
  if (mask & fnInternalDateTime) DatePair(now + state_.ClockOffset, s.InternalDate, s.InternalTime);
}

Register& RegisterOf(int32_t number) {
  static std::mutex mapLock;
  static std::map<int32_t, std::unique_ptr<Register>> registers;
  std::lock_guard<std::mutex> guard(mapLock);
  std::unique_ptr<Register>& r = registers[number];
  if (!r) r.reset(new Register(number));
  return *r;
}

std::mutex& RegisterLock(int32_t number) {
  static std::mutex mapLock;
  static std::map<int32_t, std::unique_ptr<std::mutex>> locks;
  std::lock_guard<std::mutex> guard(mapLock);
  std::unique_ptr<std::mutex>& m = locks[number];
  if (!m) m.reset(new std::mutex);
  return *m;
}

}  // namespace emu
