// One emulated fiscal register: its persistent state (a text file), its
// configuration, the per-function call counters and the paper tape.
#pragma once
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

#include "emu_config.h"
#include "emu_day.h"
#include "io/printer/zefor/status/zef_status_record.h"

namespace emu {

struct State {
  std::string Serial;
  bool ShiftOpen = false;
  time_t ShiftOpened = 0;
  int32_t LastShift = 0;
  int32_t Doc = 0;
  int32_t Receipt = 0;
  int64_t Sales = 0;
  int64_t Cash = 0;
  int32_t Unsent = 0;
  time_t OldestUnsent = 0;
  int32_t ClockOffset = 0;  // seconds between the register's clock and the host's
  Day Shift;                // the shift's totals, the grand total, the programmed taxes
};

std::string StateText(const State& s);
State ParseState(const std::string& text);

// Days since 1899-12-30 and milliseconds of the day of a local moment.
void DatePair(time_t moment, int32_t& date, int32_t& time);
std::string IsoTime(time_t moment);  // yyyy-mm-ddThh:nn:ss, local
struct tm LocalTm(time_t moment);

class Register {
 public:
  explicit Register(int32_t number) : number_(number) {}

  // Binds the register to its configuration file (empty: environment
  // EMULATOR_CONFIG, else emulator.cfg next to the library) and loads state.
  void Bind(const std::string& configPath);
  // Reads the configuration again when the file changed; counters restart.
  void Refresh();
  // Counts a call of `function`, logs it and applies a configured delay or
  // exception; returns the configured fault code (0: none).
  int32_t Enter(const std::string& function);
  void Leave(const std::string& function);
  void HoldAt(const std::string& function, int32_t count, const char* point) const;

  void FillStatus(TZefStatus& status, uint32_t mask) const;
  void SaveState() const;
  void Tape(const std::string& text) const;
  // The counted fault of the current call of `function`, 0 when none.
  int32_t CountedFault(const std::string& function) const;

  // The configuration with the tax table the register was programmed with.
  Config Effective() const;

  // Appends a received fiscal document to the documents file.
  void KeepDocument(const std::string& text, const std::string& verdict) const;
  // The drawer is open for the next drawer status reads (drawer_open_reads).
  void OpenDrawer() { drawerOpenReads_ = config_.DrawerOpenReads; }
  // What ZefGetLastLogicError tells after a refused document (code 0: the
  // configured logic error).
  void SetLogicError(int32_t code, const std::string& text) {
    logicCode_ = code;
    logicText_ = text;
  }
  int32_t LogicCode() const { return logicCode_ ? logicCode_ : config_.LogicCode; }
  std::string LogicText() const { return logicCode_ ? logicText_ : config_.LogicUtf8; }
  std::string LogicAnsi() const { return logicCode_ ? logicText_ : config_.LogicAnsi; }

  const Config& Cfg() const { return config_; }
  State& St() { return state_; }
  int32_t Number() const { return number_; }

 private:
  void Load();
  // Sets the clock to the configured offset once per configuration.
  void ApplyClockOffset();
  bool clockPending_ = false;

  int32_t number_;
  std::string configPath_;
  std::string configText_;
  Config config_;
  State state_;
  std::map<std::string, int32_t> calls_;
  mutable int32_t drawerOpenReads_ = 0;
  int32_t logicCode_ = 0;
  std::string logicText_;
};

// The register of a device number, created on first use.
Register& RegisterOf(int32_t number);
// Serialises the calls into one register (the adapter may call from several threads).
std::mutex& RegisterLock(int32_t number);

}  // namespace emu
