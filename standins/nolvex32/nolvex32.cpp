// Stand-in of the error-and-log library: per-thread current error record,
// per-code processing and raise decisions, and a log file cut by size.
//
// Configuration (environment):
//   NOLVEX32_LOG        log file path (default: nolvex32.log next to this library)
//   NOLVEX32_LOG_LIMIT  size in bytes above which CutErrorFileIfNeed keeps the
//                       newer half of the file (default 4 MiB)
//   NOLVEX32_SILENT     comma-separated codes for which NeedProcessForCode is false
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

#include "nolvex32.h"
#include "platform/platform.h"

namespace {

std::mutex g_lock;  // guards the code sets and the log file
std::set<int32_t> g_raised;
std::set<int32_t> g_ignored;
// Codes told to be ignored during a report: that report still completes.
std::set<int32_t> g_ignoreAfterReport;
std::set<int32_t> g_silent;
std::string g_logPath;
int64_t g_logLimit = 4 << 20;
std::atomic<int32_t> g_cuts{0};
bool g_configured = false;

thread_local tNewErrorInfo t_current = [] {
  tNewErrorInfo r;
  std::memset(&r, 0, sizeof r);
  r.Size = kErrorInfoSize;
  return r;
}();
thread_local int t_protocolDepth = 0;
thread_local int t_noOSDepth = 0;

void Configure() {
  if (g_configured) return;
  g_configured = true;
  g_logPath = platform::GetEnv("NOLVEX32_LOG");
  if (g_logPath.empty())
    g_logPath = platform::DirectoryOf(platform::ModulePathOf(reinterpret_cast<const void*>(&Configure))) + "nolvex32.log";
  std::string limit = platform::GetEnv("NOLVEX32_LOG_LIMIT");
  if (!limit.empty()) g_logLimit = std::atoll(limit.c_str());
  std::stringstream silent(platform::GetEnv("NOLVEX32_SILENT"));
  for (std::string code; std::getline(silent, code, ',');)
    if (!code.empty()) g_silent.insert(std::atoi(code.c_str()));
}

std::string TimeStamp() {
  platform::LocalTime t = platform::Now();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second, t.Millisecond);
  return buf;
}

// One line per entry: time, thread, protocol depth as indentation, text.
void WriteLogLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(g_lock);
  Configure();
  std::string line = TimeStamp() + " [" + std::to_string(platform::CurrentThreadId()) + "] " +
                     std::string(size_t(t_protocolDepth) * 2, ' ') + text + "\n";
  platform::AppendToFile(g_logPath, line);
}

}  // namespace

extern "C" {

int32_t ZEF_STDCALL GetErrorInfoSize() { return kErrorInfoSize; }

tNewErrorInfo* ZEF_STDCALL GetErrorInfoPtr() { return &t_current; }

uint8_t ZEF_STDCALL NeedProcessForCode(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  Configure();
  return g_ignored.count(code) || g_silent.count(code) ? 0 : 1;
}

void ZEF_STDCALL ProcessFormatErrorRec(tNewErrorInfo* rec, uint8_t* raise, tNewErrorInfo* current,
                                       const char* formatted, int32_t argCount) {
  if (!rec) return;
  tNewErrorInfo* target = current ? current : &t_current;
  if (target != rec) std::memcpy(target, rec, sizeof(tNewErrorInfo));
  std::string text = formatted ? formatted : std::string(reinterpret_cast<const char*>(rec->Text + 1), rec->Text[0]);
  size_t n = text.size() > 255 ? 255 : text.size();
  target->Text[0] = uint8_t(n);
  std::memcpy(target->Text + 1, text.data(), n);
  bool raised;
  {
    std::lock_guard<std::mutex> lock(g_lock);
    raised = rec->Code >= 100 && g_raised.count(rec->Code);
  }
  if (raise) *raise = raised ? 1 : 0;
  if (formatted) WriteLogLine("ERR " + std::to_string(rec->Code) + ": " + text);
  std::lock_guard<std::mutex> lock(g_lock);
  if (g_ignoreAfterReport.erase(rec->Code)) g_ignored.insert(rec->Code);
}

void ZEF_STDCALL ExceptError(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_raised.insert(code);
}

void ZEF_STDCALL IgnoreError(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_ignoreAfterReport.insert(code);
}

void ZEF_STDCALL OutStringToLog(uint8_t level, const char* text) {
  WriteLogLine("LOG" + std::to_string(level) + " " + (text ? text : ""));
}

void ZEF_STDCALL CutErrorFileIfNeed() {
  std::lock_guard<std::mutex> lock(g_lock);
  Configure();
  ++g_cuts;
  int64_t size = platform::FileSize(g_logPath);
  if (size <= g_logLimit) return;
  std::string data;
  if (!platform::ReadWholeFile(g_logPath, data)) return;
  size_t from = data.size() / 2;
  size_t eol = data.find('\n', from);
  data = eol == std::string::npos ? std::string() : data.substr(eol + 1);
  platform::WriteWholeFile(g_logPath, data);
}

int32_t ZEF_STDCALL LastError() { return t_current.Code; }

void ZEF_STDCALL LastErrorMessage(char* buffer, int32_t size, int32_t number) {
  if (!buffer) return;
  size_t capacity = size < 0 ? 256 : size_t(size);
  if (capacity == 0) return;
  size_t n = t_current.Text[0];
  if (n >= capacity) n = capacity - 1;
  std::memcpy(buffer, t_current.Text + 1, n);
  buffer[n] = 0;
}

void ZEF_STDCALL ClearErrorSpecials(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  g_ignored.erase(code);
}

void ZEF_STDCALL EnterProtocolStack() { ++t_protocolDepth; }
void ZEF_STDCALL LeaveProtocolStack() {
  if (t_protocolDepth > 0) --t_protocolDepth;
}

void ZEF_STDCALL EnterNoOSMode(const char* section) { ++t_noOSDepth; }
void ZEF_STDCALL NoOSMode(int32_t value) {
  if (value == 0 && t_noOSDepth > 0) --t_noOSDepth;
}
uint8_t ZEF_STDCALL GetNoOSMode() { return t_noOSDepth > 0 ? 1 : 0; }

// ---- Test controls of the stand-in ----

int32_t ZEF_STDCALL NolvexCutCount() { return g_cuts.load(); }

void ZEF_STDCALL NolvexReset() {
  std::lock_guard<std::mutex> lock(g_lock);
  g_raised.clear();
  g_ignored.clear();
  g_ignoreAfterReport.clear();
  g_cuts = 0;
}

void ZEF_STDCALL NolvexSetSilent(int32_t code, uint8_t silent) {
  std::lock_guard<std::mutex> lock(g_lock);
  Configure();
  if (silent) g_silent.insert(code);
  else g_silent.erase(code);
}

uint8_t ZEF_STDCALL NolvexIsRaised(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_raised.count(code) ? 1 : 0;
}

uint8_t ZEF_STDCALL NolvexIsIgnored(int32_t code) {
  std::lock_guard<std::mutex> lock(g_lock);
  return g_ignored.count(code) || g_ignoreAfterReport.count(code) ? 1 : 0;
}

void ZEF_STDCALL NolvexSetLogPath(const char* path) {
  std::lock_guard<std::mutex> lock(g_lock);
  Configure();
  g_logPath = path ? path : "";
}

}  // extern "C"
