#include "io/printer/zefor/driver/zef_journal.h"

#include "platform/platform.h"
#include "standart/format.h"

namespace {
const char kLineBreak[] = "\r\n";
}

void tZefJournal::Write(int32_t level, const std::string& text, bool flush) {
  if (level > LogLevel.load()) {
    if (flush) Flush();
    return;
  }
  std::lock_guard<std::mutex> guard(lock_);
  StoreLine(level, text);
  if (flush && level != 0) log_.Flush();
}

void tZefJournal::WriteGroup(int32_t level, const std::vector<std::string>& texts, const std::string& dump) {
  std::lock_guard<std::mutex> guard(lock_);
  if (level <= LogLevel.load()) {
    for (const std::string& text : texts) StoreLine(level, text);
    if (!dump.empty()) log_.AtLevel(level, dump);
  }
  log_.Flush();
}

void tZefJournal::StoreLine(int32_t level, const std::string& text) {
  std::string line;
  if (text.compare(0, 2, kLineBreak) != 0) {
    line = TimeStamp() + ":  " + text;
  } else {
    std::string rest = text.substr(2);
    line = rest.empty() ? std::string(kLineBreak) : kLineBreak + TimeStamp() + ":  " + rest;
  }
  // The device log ends every line with CRLF itself; a bare line break is
  // one empty line.
  if (line == kLineBreak) line.clear();
  log_.AtLevel(level < 0 ? 0 : level, line);
}

void tZefJournal::Flush() {
  std::lock_guard<std::mutex> guard(lock_);
  log_.Flush();
}

std::string tZefJournal::TimeStamp() const {
  platform::LocalTime t = platform::Now();
  return Fmt("%2.2d:%2.2d:%2.2d.%3.3d", t.Hour, t.Minute, t.Second, t.Millisecond);
}

const char* tZefJournal::LevelName(int32_t level) {
  switch (level) {
    case 0: return "Errors only";
    case 1: return "All except non-fiscal printouts and display";
    case 2: return "All";
    default: return "?";
  }
}

std::string tZefJournal::LoadEntry(const std::string& step) { return Fmt("==> %s (ZEFOR-ENTRY) <==", step); }
std::string tZefJournal::LoadFinal(const std::string& step, bool result) {
  return Fmt("<== {%s} (ZEFOR-FINAL) = %s ==>\r\n", step, Bool(result));
}
std::string tZefJournal::CallEntry(const std::string& step) { return Fmt("~~> %s (ZEFOR-ENTRY) <~~", step); }
std::string tZefJournal::CallFinal(const std::string& step, int32_t result) {
  return Fmt("<~~ {%s} (ZEFOR-FINAL) = %s ~~>\r\n", step, std::to_string(result));
}
std::string tZefJournal::CallFinal(const std::string& step) { return Fmt("<~~ {%s} (ZEFOR-FINAL) ~~>\r\n", step); }
std::string tZefJournal::OperationEntry(const std::string& step) {
  return Fmt(">>> %s (ZEFOR-ENTRY) <<<", step);
}
std::string tZefJournal::OperationFinal(const std::string& step, const std::string& result) {
  return Fmt("<<< {%s} (ZEFOR-FINAL) = %s >>>\r\n", step, result);
}
std::string tZefJournal::OperationFinal(const std::string& step) {
  return Fmt("<<< {%s} (ZEFOR-FINAL) >>>\r\n", step);
}
std::string tZefJournal::StepEntry(const std::string& step) { return Fmt("--> %s (ZEFOR-ENTRY) <--", step); }
std::string tZefJournal::StepFinal(const std::string& step, bool result) {
  return Fmt("<-- {%s} (ZEFOR-FINAL) = %s -->\r\n", step, Bool(result));
}
std::string tZefJournal::Value(const std::string& step, const std::string& label, const std::string& value) {
  return Fmt("{%s} %s = %s", step, label, value);
}
std::string tZefJournal::Message(const std::string& step, const std::string& message) {
  return Fmt("{%s} %s", step, message);
}
