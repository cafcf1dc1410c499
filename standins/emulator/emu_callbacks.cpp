#include "emu_callbacks.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/platform.h"

namespace emu {

namespace {

// The record layouts as the driver side writes them, by byte offset.
class Record {
 public:
  explicit Record(size_t size) : bytes_(size, 0) { Int(0, int32_t(size)); }
  void Int(size_t offset, int32_t value) { std::memcpy(&bytes_[offset], &value, 4); }
  void Address(size_t offset, const void* address) { Int(offset, int32_t(uintptr_t(address))); }
  void Byte(size_t offset, uint8_t value) { bytes_[offset] = value; }
  void Short(size_t offset, const std::string& text) {
    size_t n = std::min<size_t>(text.size(), 255);
    bytes_[offset] = uint8_t(n);
    std::memcpy(&bytes_[offset + 1], text.data(), n);
  }
  int32_t IntAt(size_t offset) const {
    int32_t v;
    std::memcpy(&v, &bytes_[offset], 4);
    return v;
  }
  std::string ShortAt(size_t offset) const { return std::string(&bytes_[offset + 1], uint8_t(bytes_[offset])); }
  void* Data() { return bytes_.data(); }

 private:
  std::vector<char> bytes_;
};

struct Entry {
  LoDrv::TInterfaceCallback Interface = nullptr;
  LoDrv::TPropCallback Prop = nullptr;
};

std::mutex g_lock;
std::map<int32_t, Entry> g_entries;
std::mutex g_logLock;
// Menu records stay for the process: the POS keeps their addresses.
std::deque<Record> g_menuRecords;

Entry EntryOf(int32_t number) {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_entries[number];
}

std::vector<std::string> Words(const std::string& s) {
  std::istringstream in(s);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The text after the first `n` words.
std::string Rest(const std::string& line, size_t n) {
  size_t at = 0;
  for (size_t i = 0; i < n; ++i) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string::npos) return std::string();
    at = line.find_first_of(" \t", at);
    if (at == std::string::npos) return std::string();
  }
  at = line.find_first_not_of(" \t", at);
  return at == std::string::npos ? std::string() : line.substr(at);
}

int32_t IntWord(const std::vector<std::string>& w, size_t i) { return i < w.size() ? std::atoi(w[i].c_str()) : 0; }

std::string Bytes(const std::string& hex) {
  std::string bytes;
  if (hex == "-") return bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  return bytes;
}

void Log(const Config& c, const std::string& line) {
  std::lock_guard<std::mutex> guard(g_logLock);
  platform::AppendToFile(c.CallbackLog, line + "\n");
}

std::string Resolve(const Config& c, const std::string& path) {
  return path.empty() || path[0] == '/' || (path.size() > 1 && path[1] == ':') ? path : c.Directory + path;
}

void Interface(const Entry& e, int32_t number, int32_t kind, Record& record) {
  if (e.Interface) e.Interface(0, number, kind, 0, record.Data());
}

// One configured call: its words, the rest of its line, where it goes.
struct Request {
  int32_t Number;
  const Config& C;
  const std::string& Line;
  std::vector<std::string> W;
  Entry E;
  int32_t Int(size_t i) const { return IntWord(W, i); }
  std::string Word(size_t i) const { return i < W.size() ? W[i] : std::string(); }
  std::string After(size_t n) const { return Rest(Line, n); }
  void Send(int32_t kind, Record& r) const {
    auto size = C.RecordSizes.find(kind);
    if (size != C.RecordSizes.end()) r.Int(0, size->second);
    Interface(E, Number, kind, r);
  }
};

std::string Message(const Request& q) {  // message VARIANT BUTTONS WAIT TEXT
  Record r(528);
  r.Short(4, q.After(4));
  r.Byte(516, 2);
  r.Byte(517, uint8_t(q.Int(1)));
  r.Byte(518, uint8_t(q.Int(2)));
  r.Int(520, -7);
  r.Int(524, q.Int(3));
  q.Send(1, r);
  return "message -> " + std::to_string(r.IntAt(520));
}

std::string Progress(const Request& q) {  // progress TOTAL POSITION TEXT
  Record r(268);
  r.Short(4, q.After(3));
  r.Int(260, q.Int(1));
  r.Int(264, q.Int(2));
  q.Send(2, r);
  return "progress";
}

std::string Input(const Request& q) {  // input NUMERIC LIMIT PROMPT
  Record r(1290);
  r.Short(4, q.After(3));
  r.Byte(1028, q.Int(1) ? 0 : 1);
  r.Byte(1029, 255);  // the driver's mark for "not answered": the adapter writes OK only when answered
  r.Int(1286, q.Int(2));
  q.Send(3, r);
  return "input OK=" + std::to_string(uint8_t(static_cast<char*>(r.Data())[1029])) + " text=" + r.ShortAt(1030);
}

std::string Menu(const Request& q) {  // menu CAPTION
  Record* r;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    g_menuRecords.emplace_back(376);
    r = &g_menuRecords.back();
  }
  r->Short(24, q.After(1));
  q.Send(4, *r);
  return "menu handle=" + std::to_string(r->IntAt(4)) + " module=" + (r->IntAt(368) ? "set" : "0");
}

std::string LogEvent(const Request& q) {  // log KIND HEX|- TEXT
  const std::string text = q.After(3), data = Bytes(q.W.size() > 2 ? q.W[2] : "-");
  Record r(20);
  r.Int(4, q.Int(1));
  r.Address(8, text.empty() ? nullptr : text.c_str());
  r.Int(12, int32_t(data.size()));
  r.Address(16, data.empty() ? nullptr : data.data());
  q.Send(5, r);
  return "log";
}

std::string Print(const Request& q) {  // print PRINTER FLAG VALUE MARKUP-FILE
  std::string markup;
  platform::ReadWholeFile(Resolve(q.C, q.After(4)), markup);
  Record r(526);
  r.Short(4, q.Word(1));
  r.Address(260, markup.c_str());
  r.Byte(521, uint8_t(q.Int(2)));
  r.Int(522, q.Int(3));
  q.Send(7, r);
  return "print";
}

std::string Signal(const Request& q) {  // signal KIND PARAMETER TEXT
  Record r(268);
  r.Int(4, q.Int(1));
  r.Int(8, q.Int(2));
  r.Short(12, q.After(3));
  q.Send(8, r);
  return "signal";
}

std::string Perform(const Request& q) {  // perform A B C
  Record r(20);
  for (size_t i = 0; i < 3; ++i) r.Int(4 + 4 * i, q.Int(i + 1));
  q.Send(9, r);
  return "perform";
}

std::string Text(const std::vector<char>& buffer) {
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

std::string Xml(const Request& q) {  // xml SIZE REQUEST
  const std::string request = q.After(2);
  std::vector<char> answer(size_t(std::max(q.Int(1), 1)), 'x');
  Record r(16);
  r.Address(4, request.c_str());
  r.Address(8, answer.data());
  r.Int(12, q.Int(1));
  q.Send(10, r);
  return "xml -> " + Text(answer);
}

std::string Prop(const Request& q) {  // prop OBJECT PROPERTY ID SIZE
  std::vector<char> answer(size_t(std::max(q.Int(4), 1)), 'x');
  if (q.E.Prop) q.E.Prop(q.Word(1).c_str(), q.Word(2).c_str(), q.Int(3), answer.data(), q.Int(4));
  return "prop " + q.Word(1) + "." + q.Word(2) + "#" + std::to_string(q.Int(3)) + " -> " + Text(answer);
}

// One call; returns what the callback gave back, as logged.
std::string Call(int32_t number, const Config& c, const std::string& line) {
  using TCall = std::string (*)(const Request&);
  static const std::map<std::string, TCall> kCalls = {
      {"message", Message}, {"progress", Progress}, {"input", Input},     {"menu", Menu}, {"log", LogEvent},
      {"print", Print},     {"signal", Signal},     {"perform", Perform}, {"xml", Xml},   {"prop", Prop}};
  const Request q{number, c, line, Words(line), EntryOf(number)};
  auto it = kCalls.find(q.Word(0));
  return it == kCalls.end() ? "unknown " + q.Word(0) : it->second(q);
}

// ---- background threads -------------------------------------------------------------------

struct Background {
  std::atomic<bool> Stop{false};
  std::vector<std::thread> Threads;
};
std::mutex g_backgroundLock;
std::map<int32_t, std::unique_ptr<Background>> g_backgrounds;

}  // namespace

void SetCallbacks(int32_t number, LoDrv::TInterfaceCallback interfaceCallback, LoDrv::TPropCallback propCallback) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_entries[number] = Entry{interfaceCallback, propCallback};
}

void GetCallbacks(int32_t number, LoDrv::TInterfaceCallback& interfaceCallback, LoDrv::TPropCallback& propCallback) {
  const Entry e = EntryOf(number);
  interfaceCallback = e.Interface;
  propCallback = e.Prop;
}

void RunCallbacks(int32_t number, const Config& c, const std::vector<std::string>& lines, const std::string& when) {
  for (const std::string& line : lines) Log(c, when + ": " + Call(number, c, line));
}

void RunCallbacksInThreads(int32_t number, const Config& c, const std::vector<std::string>& lines,
                           const std::string& when) {
  if (lines.empty()) return;
  std::vector<std::thread> threads;
  for (int32_t i = 0; i < c.CallbackThreads; ++i)
    threads.emplace_back([number, &c, &lines, &when] { RunCallbacks(number, c, lines, when); });
  for (std::thread& t : threads) t.join();
}

void StartBackground(int32_t number, const Config& c) {
  if (c.BackgroundPeriod <= 0 || c.OnBackground.empty()) return;
  StopBackground(number);
  auto background = std::make_unique<Background>();
  Background* b = background.get();
  for (int32_t i = 0; i < c.CallbackThreads; ++i)
    b->Threads.emplace_back([number, c, b] {
      for (int32_t round = 0; !b->Stop && (c.BackgroundRounds == 0 || round < c.BackgroundRounds); ++round) {
        RunCallbacks(number, c, c.OnBackground, "background");
        for (int32_t waited = 0; waited < c.BackgroundPeriod && !b->Stop; waited += 5) platform::Sleep(5);
      }
    });
  std::lock_guard<std::mutex> guard(g_backgroundLock);
  g_backgrounds[number] = std::move(background);
}

void StopBackground(int32_t number) {
  std::unique_ptr<Background> background;
  {
    std::lock_guard<std::mutex> guard(g_backgroundLock);
    auto it = g_backgrounds.find(number);
    if (it == g_backgrounds.end()) return;
    background = std::move(it->second);
    g_backgrounds.erase(it);
  }
  background->Stop = true;
  for (std::thread& t : background->Threads) t.join();
}

}  // namespace emu
