#include "emu_config.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace emu {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Resolve(const std::string& directory, const std::string& path) {
  if (path.empty() || path[0] == '/' || (path.size() > 1 && path[1] == ':')) return path;
  return directory + path;
}

Fault ParseFault(const std::vector<std::string>& w, bool hasValue) {
  Fault f;
  if (!w.empty()) f.Function = w[0];
  size_t next = 1;
  if (hasValue && w.size() > next) f.Value = std::atoi(w[next++].c_str());
  if (w.size() > next) f.Nth = std::atoi(w[next].c_str());
  return f;
}

int32_t PaperValue(const std::string& v) {
  if (v == "ok") return 0;
  if (v == "out") return 1;
  if (v == "low") return 2;
  return std::atoi(v.c_str());
}

std::map<int32_t, int32_t> TaxTable(const std::vector<std::string>& words) {
  std::map<int32_t, int32_t> table;
  for (const std::string& w : words) {
    size_t colon = w.find(':');
    if (colon != std::string::npos) table[std::atoi(w.c_str())] = std::atoi(w.c_str() + colon + 1);
  }
  return table;
}

void Apply(Config& c, const std::string& key, const std::string& value) {
  uint8_t flag = std::atoi(value.c_str()) != 0;
  if (key == "state") c.StateFile = Resolve(c.Directory, value);
  else if (key == "tape") c.TapeFile = Resolve(c.Directory, value);
  else if (key == "calls") c.CallLog = Resolve(c.Directory, value);
  else if (key == "unload_log") c.UnloadLog = Resolve(c.Directory, value);
  else if (key == "protocol") c.Protocol = std::atoi(value.c_str());
  else if (key == "driver_name") c.DriverName = value;
  else if (key == "version_info") c.VersionInfo = value;
  else if (key == "driver_state") c.DriverState = value;
  else if (key == "options") c.Options = Words(value);
  else if (key == "rounding") c.Rounding = value;
  else if (key == "end_date") c.EndDate = value;
  else if (key == "change_from") c.ChangeFrom = value;
  else if (key == "menu") c.MenuFile = Resolve(c.Directory, value);
  else if (key == "reply") c.ReplyFile = Resolve(c.Directory, value);
  else if (key == "menu_reply") c.MenuReplyFile = Resolve(c.Directory, value);
  else if (key == "fiscal_reply") c.FiscalReplyFile = Resolve(c.Directory, value);
  else if (key == "serial") c.Serial = value;
  else if (key == "not_ready") c.NotReady = flag;
  else if (key == "busy") c.Busy = flag;
  else if (key == "cannot_print_unfiscal") c.CannotPrintUnfiscal = flag;
  else if (key == "drawer_opened") c.DrawerOpened = flag;
  else if (key == "eklz_near_end") c.EKLZNearEnd = flag;
  else if (key == "paper") c.PaperStatus = PaperValue(value);
  else if (key == "queue") c.QueueSize = std::atoi(value.c_str());
  else if (key == "width") c.Width = std::atoi(value.c_str());
  else if (key == "drawer_open_reads") c.DrawerOpenReads = std::atoi(value.c_str());
  else if (key == "logic_code") c.LogicCode = std::atoi(value.c_str());
  else if (key == "logic_ansi") c.LogicAnsi = value;
  else if (key == "logic_utf8") c.LogicUtf8 = value;
  else if (key == "fault") c.Faults.push_back(ParseFault(Words(value), true));
  else if (key == "delay") c.Delays.push_back(ParseFault(Words(value), true));
  else if (key == "throw") c.Throws.push_back(ParseFault(Words(value), false));
  else if (key == "counted_fault") c.CountedFaults.push_back(ParseFault(Words(value), true));
  else if (key == "hold") {
    const std::vector<std::string> w = Words(value);
    c.Hold = ParseFault(w, false);
    c.HoldPoint = w.size() > 2 ? w[2] : "before";
  } else if (key == "hold_file") c.HoldFile = Resolve(c.Directory, value);
  else if (key == "documents") c.DocumentsFile = Resolve(c.Directory, value);
  else if (key == "strict") c.Strict = flag;
  else if (key == "tax_check") c.ExactTaxes = value == "exact";
  else if (key == "max_pay_type") c.MaxPayType = std::atoi(value.c_str());
  else if (key == "taxes") c.Taxes = TaxTable(Words(value));
  else if (key == "zreport_reply") c.ZReply = value;
  else if (key == "zreport_file") c.ZReportFile = Resolve(c.Directory, value);
  else if (key == "on_init") c.OnInit.push_back(value);
  else if (key == "on_document") c.OnDocument.push_back(value);
  else if (key == "on_background") c.OnBackground.push_back(value);
  else if (key == "callback_threads") c.CallbackThreads = std::max(1, std::atoi(value.c_str()));
  else if (key == "background") {
    std::vector<std::string> w = Words(value);
    c.BackgroundPeriod = w.empty() ? 0 : std::atoi(w[0].c_str());
    c.BackgroundRounds = w.size() > 1 ? std::atoi(w[1].c_str()) : 0;
  }
  else if (key == "callback_log") c.CallbackLog = Resolve(c.Directory, value);
  else if (key == "record_size") {
    std::vector<std::string> w = Words(value);
    if (w.size() == 2) c.RecordSizes[std::atoi(w[0].c_str())] = std::atoi(w[1].c_str());
  }
  else if (key == "clock_offset") {
    c.HasClockOffset = true;
    c.ClockOffset = std::atoi(value.c_str());
  }
  else if (key == "cash_types") {
    c.CashTypes.clear();
    for (const std::string& w : Words(value)) c.CashTypes.push_back(std::atoi(w.c_str()));
  }
}

}  // namespace

Config ParseConfig(const std::string& text, int32_t number, const std::string& directory) {
  Config c;
  c.Directory = directory;
  std::istringstream in(text);
  bool active = true;
  for (std::string line; std::getline(in, line);) {
    size_t hash = line.find('#');
    if (hash != std::string::npos && (hash == 0 || line[hash - 1] == ' ' || line[hash - 1] == '\t'))
      line.erase(hash);
    line = Trim(line);
    if (line.empty()) continue;
    if (line[0] == '[') {
      std::vector<std::string> w = Words(line.substr(1, line.find(']') - 1));
      active = w.size() == 2 && w[0] == "device" && (w[1] == "*" || std::atoi(w[1].c_str()) == number);
      continue;
    }
    size_t eq = line.find('=');
    if (!active || eq == std::string::npos) continue;
    Apply(c, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  std::string suffix = std::to_string(number + 1);
  if (c.StateFile.empty()) c.StateFile = directory + "emulator" + suffix + ".state";
  if (c.TapeFile.empty()) c.TapeFile = directory + "emulator" + suffix + ".tape";
  if (c.CallbackLog.empty()) c.CallbackLog = directory + "emulator" + suffix + ".callbacks";
  if (c.DocumentsFile.empty()) c.DocumentsFile = directory + "emulator" + suffix + ".docs";
  return c;
}

const Fault* FindFault(const std::vector<Fault>& faults, const std::string& function, int32_t count) {
  for (const Fault& f : faults)
    if (f.Function == function && (f.Nth == 0 || f.Nth == count)) return &f;
  return nullptr;
}

}  // namespace emu
