// Stand-in of a printer port host: a library that "opens a port" whose bytes
// go to a file, with behaviour configured per port for tests (README.md).
// Which optional functions exist is chosen at build time:
//   PORTHOST_TWO_WAY       exports InitTwoWay
//   PORTHOST_INIT          exports InitPrinter
//   PORTHOST_ESCAPES       exports PrintEscapeSeq
//   PORTHOST_HANDLE_STRING exports GetHandleString
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/abi.h"
#include "standart/nolvex_api.h"

namespace {

constexpr int32_t kOutputError = 3658;
constexpr int32_t kPortUsed = -1;
constexpr int64_t kDrainInstant = 0;
constexpr int64_t kDrainNever = -1;

struct PortConfig {
  std::string File;
  std::string Log;
  bool HasInitResult = false;
  int32_t InitResult = 0;
  bool Ready = true;
  bool Timeout = false;
  bool FailPrint = false;
  int64_t Drain = kDrainInstant;  // bytes per second
  std::vector<int32_t> Input;
  int32_t InputDelay = 0;        // ms before the input is sent
  bool HasHandleString = false;
  std::string HandleString;
};

struct Port {
  uint32_t Descriptor = 0;
  PortConfig Config;
  std::string Queue;
  std::chrono::steady_clock::time_point LastDrain;
  void* Completion = nullptr;
  void* CompletionContext = nullptr;
  void* InputCallBack = nullptr;
  void* InputContext = nullptr;
  std::thread InputThread;
  std::atomic<bool> Closing{false};
  bool Open = true;

  ~Port() {
    // A port never closed (the library is unloaded first) must not end the process.
    Closing = true;
    if (InputThread.joinable()) InputThread.detach();
  }
};

std::recursive_mutex g_lock;
std::vector<std::unique_ptr<Port>> g_ports;  // index = port handle

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<int32_t> IntList(const std::string& text) {
  std::vector<int32_t> values;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');)
    if (!Trim(item).empty()) values.push_back(int32_t(std::strtol(Trim(item).c_str(), nullptr, 0)));
  return values;
}

void ApplySetting(PortConfig& c, const std::string& key, const std::string& value) {
  if (key == "file") c.File = value;
  else if (key == "log") c.Log = value;
  else if (key == "init") {
    c.HasInitResult = true;
    c.InitResult = int32_t(std::strtol(value.c_str(), nullptr, 0));
  } else if (key == "ready") c.Ready = value != "0";
  else if (key == "timeout") c.Timeout = value != "0";
  else if (key == "fail_print") c.FailPrint = value != "0";
  else if (key == "drain") c.Drain = value == "stop" ? kDrainNever : std::strtoll(value.c_str(), nullptr, 10);
  else if (key == "input") c.Input = IntList(value);
  else if (key == "input_delay") c.InputDelay = int32_t(std::strtol(value.c_str(), nullptr, 10));
  else if (key == "handle_string") {
    c.HasHandleString = true;
    c.HandleString = value;
  }
}

// Reads the section "[port N]" (N: the port index, the descriptor's low
// byte) of the file named by PORTHOST_CONFIG; lines before any section apply
// to every port.
PortConfig ReadConfig(uint32_t descriptor) {
  PortConfig config;
  config.File = "porthost_port" + std::to_string(descriptor & 0xFF) + ".out";
  const char* path = std::getenv("PORTHOST_CONFIG");
  if (!path) return config;
  std::ifstream in(path);
  std::string wanted = "port " + std::to_string(descriptor & 0xFF);
  bool applies = true;
  for (std::string line; std::getline(in, line);) {
    line = Trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      applies = Trim(line.substr(1, line.size() - 2)) == wanted;
      continue;
    }
    size_t eq = line.find('=');
    if (!applies || eq == std::string::npos) continue;
    ApplySetting(config, Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
  }
  return config;
}

void LogCall(const PortConfig& config, const std::string& text) {
  if (config.Log.empty()) return;
  std::ofstream(config.Log, std::ios::app) << text << "\n";
}

void WriteToPort(Port& port, size_t count) {
  if (count == 0) return;
  std::ofstream(port.Config.File, std::ios::app | std::ios::binary).write(port.Queue.data(), std::streamsize(count));
  port.Queue.erase(0, count);
}

void CallCompletion(Port& port);

// Moves the bytes that the "line" has taken meanwhile from the queue to the file.
void Drain(Port& port) {
  auto now = std::chrono::steady_clock::now();
  if (port.Config.Drain == kDrainInstant) {
    WriteToPort(port, port.Queue.size());
  } else if (port.Config.Drain > 0) {
    int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - port.LastDrain).count();
    int64_t bytes = ms * port.Config.Drain / 1000;
    if (bytes > 0) {
      WriteToPort(port, size_t(std::min<int64_t>(bytes, int64_t(port.Queue.size()))));
      port.LastDrain = now;
    }
  }
  if (port.Queue.empty()) {
    port.LastDrain = now;
    CallCompletion(port);
  }
}

// Callbacks into the device use the POS's register convention: the first
// value in EAX, the second in EDX, nothing on the stack.
void CallRegister(void* function, void* first, int32_t second) {
#if defined(__i386__)
  asm volatile("call *%2" : "+a"(first), "+d"(second) : "r"(function) : "ecx", "memory", "cc");
#else
  reinterpret_cast<void (*)(void*, int32_t)>(function)(first, second);
#endif
}

void CallCompletion(Port& port) {
  void* completion = port.Completion;
  if (!completion) return;
  port.Completion = nullptr;
  CallRegister(completion, port.CompletionContext, 0);
}

Port* Find(int32_t handle) {
  if (handle < 0 || size_t(handle) >= g_ports.size()) return nullptr;
  Port* port = g_ports[size_t(handle)].get();
  return port && port->Open ? port : nullptr;
}

// Reports an output failure through the shared error service, as the
// adapter's own modules do: the code becomes the thread's last error.
void ReportOutputError(uint32_t descriptor) {
  tNewErrorInfo rec;
  std::memset(&rec, 0, sizeof rec);
  rec.Size = kErrorInfoSize;
  rec.Code = kOutputError;
  rec.Kind = 3;
  rec.ExceptionAddress = 1;
  std::string text = "Port " + std::to_string((descriptor & 0xFF) + 1) + " output error";
  rec.Text[0] = uint8_t(text.size());
  std::memcpy(rec.Text + 1, text.data(), text.size());
  uint8_t raise = 0;
  bool process = NeedProcessForCode(kOutputError) != 0;
  ProcessFormatErrorRec(&rec, &raise, nullptr, process ? text.c_str() : nullptr, -1);
}

[[maybe_unused]] int32_t Open(uint32_t descriptor, int32_t parameter, const char* how) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  PortConfig config = ReadConfig(descriptor);
  int32_t result;
  if (config.HasInitResult && config.InitResult < 0) {
    result = config.InitResult;
  } else {
    result = int32_t(g_ports.size());
    for (auto& p : g_ports)
      if (p && p->Open && p->Descriptor == descriptor) result = kPortUsed;
  }
  if (result >= 0) {
    auto port = std::make_unique<Port>();
    port->Descriptor = descriptor;
    port->Config = config;
    port->LastDrain = std::chrono::steady_clock::now();
    g_ports.push_back(std::move(port));
  }
  LogCall(config, std::string(how) + " " + std::to_string(descriptor) + " " + std::to_string(parameter) +
                      " -> " + std::to_string(result));
  return result;
}

void SendInput(Port* port, std::vector<int32_t> values, int32_t delay) {
  if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  for (int32_t value : values) {
    if (port->Closing) return;
    CallRegister(port->InputCallBack, port->InputContext, value);
  }
}

void Output(int32_t handle, const uint8_t* data, int32_t count, const char* how) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port) return;
  LogCall(port->Config, std::string(how) + " " + std::to_string(count));
  if (port->Config.FailPrint) {
    ReportOutputError(port->Descriptor);
    return;
  }
  Drain(*port);
  if (data && count > 0) port->Queue.append(reinterpret_cast<const char*>(data), size_t(count));
  Drain(*port);
}

}  // namespace

ZEF_EXPORT uint8_t ZEF_STDCALL ReadyForOutput(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  return port && port->Config.Ready ? 1 : 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL OutputBufferCount(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port) return 0;
  Drain(*port);
  return int32_t(port->Queue.size());
}

ZEF_EXPORT uint8_t ZEF_STDCALL OutputTimeoutHappened(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  return port && port->Config.Timeout ? 1 : 0;
}

ZEF_EXPORT void ZEF_STDCALL OutputBufferClear(int32_t handle) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port) return;
  LogCall(port->Config, "OutputBufferClear " + std::to_string(port->Queue.size()));
  port->Queue.clear();
}

ZEF_EXPORT void ZEF_STDCALL Print(int32_t handle, const uint8_t* data, int32_t count) {
  Output(handle, data, count, "Print");
}

#ifdef PORTHOST_ESCAPES
ZEF_EXPORT void ZEF_STDCALL PrintEscapeSeq(int32_t handle, const uint8_t* data, int32_t count) {
  Output(handle, data, count, "PrintEscapeSeq");
}
#endif

ZEF_EXPORT void ZEF_STDCALL OutputBlock(int32_t handle, const uint8_t* data, int32_t count, void* completion,
                                        void* context, int32_t last) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port) return;
  port->Completion = completion;
  port->CompletionContext = context;
  Output(handle, data, count, "OutputBlock");
}

ZEF_EXPORT void ZEF_STDCALL Close(int32_t handle) {
  std::thread input;
  {
    std::lock_guard<std::recursive_mutex> lock(g_lock);
    Port* port = Find(handle);
    if (!port) return;
    LogCall(port->Config, "Close " + std::to_string(handle));
    if (port->Config.Drain != kDrainNever) WriteToPort(*port, port->Queue.size());
    port->Open = false;
    port->Closing = true;
    input = std::move(port->InputThread);
  }
  if (input.joinable()) input.join();
}

#ifdef PORTHOST_HANDLE_STRING
ZEF_EXPORT uint8_t ZEF_STDCALL GetHandleString(int32_t handle, uint8_t* text, int32_t size) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port || !port->Config.HasHandleString || !text || size <= 0) return 0;
  size_t n = std::min<size_t>(port->Config.HandleString.size(), size_t(std::min(size, 255)));
  text[0] = uint8_t(n);
  std::memcpy(text + 1, port->Config.HandleString.data(), n);
  return 1;
}
#endif

ZEF_EXPORT void ZEF_STDCALL SetCheckDSR(int32_t handle, uint8_t flag) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (Port* port = Find(handle)) LogCall(port->Config, "SetCheckDSR " + std::to_string(flag));
}

ZEF_EXPORT void ZEF_STDCALL SetCheckCTS(int32_t handle, uint8_t flag) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (Port* port = Find(handle)) LogCall(port->Config, "SetCheckCTS " + std::to_string(flag));
}

ZEF_EXPORT void ZEF_STDCALL SetInputCallBack(int32_t handle, void* callback, void* context) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  Port* port = Find(handle);
  if (!port) return;
  LogCall(port->Config, "SetInputCallBack " + std::to_string(handle));
  port->InputCallBack = callback;
  port->InputContext = context;
  if (callback && !port->Config.Input.empty() && !port->InputThread.joinable())
    port->InputThread = std::thread(SendInput, port, port->Config.Input, port->Config.InputDelay);
}

#ifdef PORTHOST_TWO_WAY
ZEF_EXPORT int32_t ZEF_STDCALL InitTwoWay(int32_t descriptor, int32_t parameter) {
  return Open(uint32_t(descriptor), parameter, "InitTwoWay");
}
#endif

#ifdef PORTHOST_INIT
ZEF_EXPORT int32_t ZEF_STDCALL InitPrinter(int32_t descriptor, int32_t parameter) {
  return Open(uint32_t(descriptor), parameter, "InitPrinter");
}
#endif
