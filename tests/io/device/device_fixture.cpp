#include "device_fixture.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "nolvex32/nolvex32.h"
#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "support/params_guard.h"
#include "support/test_files.h"

namespace {

std::mutex g_answersLock;
std::map<uint8_t, HostAnswer> g_answers;

uint8_t ZEF_STDCALL FakeGetParamValue(const uint8_t* name, int32_t number, int32_t index, uint32_t* value,
                                      uint8_t* text, int32_t textSize) {
  if (!params_guard::Listed(name, number, index)) return 0;
  if (index != -1 || ShortStringValue(name) != HostParams::AdapterFileName()) return 0;
  std::lock_guard<std::mutex> lock(g_answersLock);
  auto it = g_answers.find(uint8_t(number));
  if (it == g_answers.end()) return 0;
  *value = it->second.Descriptor;
  StoreShortString(text, it->second.HostName, size_t(textSize));
  return 1;
}

}  // namespace

void DeviceTest::SetUp() {
  dir_ = test_files::UniqueTempDir("device_test_");
  errorLog_ = dir_ + "errors.log";
  NolvexSetLogPath(errorLog_.c_str());
  HostParams::OverrideFunction(&FakeGetParamValue);
  Configure("");
  ClearLastError();
}

void DeviceTest::TearDown() {
  {
    std::lock_guard<std::mutex> lock(g_answersLock);
    g_answers.clear();
  }
  HostParams::Reset();
  NolvexReset();
  hostConfig_.reset();
  test_files::RemoveTree(dir_);
}

void DeviceTest::AnswerHost(uint8_t number, const std::string& hostName, uint32_t descriptor) {
  std::lock_guard<std::mutex> lock(g_answersLock);
  g_answers[number] = HostAnswer{hostName, descriptor};
}

void DeviceTest::ForgetHost(uint8_t number) {
  std::lock_guard<std::mutex> lock(g_answersLock);
  g_answers.erase(number);
}

std::string DeviceTest::Host(const std::string& baseName) { return platform::LibraryFileName(baseName); }

void DeviceTest::Configure(const std::string& text) {
  std::string path = dir_ + "porthost.cfg";
  // Global lines first, then the test's own (sections may repeat: they add up).
  std::string full = "log = " + HostLog() + "\n" + text + "\n";
  for (int port = 0; port < 8; ++port)
    full += "[port " + std::to_string(port) + "]\nfile = " + PortFile(port) + "\n";
  platform::WriteWholeFile(path, full);
  if (hostConfig_)
    hostConfig_->Set(path);
  else
    hostConfig_ = std::make_unique<test_files::tEnvSetting>("PORTHOST_CONFIG", path);
}

std::string DeviceTest::PortFile(int port) const { return dir_ + "port" + std::to_string(port) + ".out"; }

std::string DeviceTest::ReadFile(const std::string& path) const {
  std::string data;
  platform::ReadWholeFile(path, data);
  return data;
}

int DeviceTest::CountInErrorLog(const std::string& text) const {
  std::string log = ErrorLog();
  int count = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

std::unique_ptr<TDevice> DeviceTest::Create(uint8_t number) {
  return std::unique_ptr<TDevice>(TDevice::Class().Create(number));
}

bool DeviceTest::HostLibraryLoaded(const std::string& baseName) {
  // Finding a library takes no reference on it: nothing to give back.
  return platform::FindLoadedLibrary(Host(baseName)) != nullptr;
}

bool DeviceTest::WaitFor(const std::function<bool()>& condition, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void DeviceTest::ClearLastError() {
  if (tNewErrorInfo* current = GetErrorInfoPtr()) {
    current->Code = 0;
    current->Text[0] = 0;
  }
}
