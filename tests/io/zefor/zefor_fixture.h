// The universal register through the real adapter library, the parameter
// service stand-in and the fiscal register emulator, each test in a folder
// of its own.
#pragma once
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "adapter.h"
#include "tarvel32/tarvel32.h"

class ZeforTest : public ::testing::Test {
 protected:
  using TLoadConfig = void(ZEF_STDCALL*)(const char*);

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = platform::TempDirectory() + "zefor_" + info->test_suite_name() + "_" + info->name() + "/";
    platform::MakeDirectory(dir_);
    for (const char* f : {"zefor1.log", "zefor2.log", "requests.log", "calls.log", "emu1.state", "emu2.state",
                          "emu1.tape", "state.xml"})
      platform::RemoveFile(dir_ + f);
    bin_ = platform::DirectoryOf(platform::OwnModulePath());
    WriteEmulator("");
    platform::SetEnv("EMULATOR_CONFIG", dir_ + "emulator.cfg");
    task_ = AttachTask("POS test");
  }
  void TearDown() override {
    if (loaded_) {
      adapter_.DONEDLL();
      adapter_.Unload();
    }
    if (task_ > 0) DetachTask();
  }

  // The device section of a register on the emulator; `extra` adds or
  // replaces parameter lines.
  std::string Device(int number, const std::string& extra = "", const std::string& module = "emulator.so") {
    std::string n = std::to_string(number);
    return "[device * " + n + "]\n0 = " + module + "\n1 = @text <Params><Emulator Config=\"" + dir_ +
           "emulator.cfg\"/></Params>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n5 = 1\n" + extra + "\n[answers * " +
           n + "]\nmessage = 2\nquestion = 3\n";
  }
  void WriteParams(const std::string& devices) {
    platform::WriteWholeFile(dir_ + "params.cfg", devices + "[service]\nlog = " + dir_ + "requests.log\n");
    platform::SetEnv("PARAMS_CONFIG", dir_ + "params.cfg");
  }
  void WriteEmulator(const std::string& lines) {
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu1.state\ntape = emu1.tape\ncalls = calls.log\n"
                                                    "[device 1]\nstate = emu2.state\n[device *]\n" + lines + "\n");
  }
  void Load() {
    std::string error;
    ASSERT_TRUE(adapter_.Load(bin_ + platform::LibraryFileName("zefor"), error)) << error;
    loaded_ = true;
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    if (params) reinterpret_cast<TLoadConfig>(platform::FindFunction(params, "ParamsLoadConfig"))(nullptr);
  }
  std::string Read(const std::string& name) const {
    std::string text;
    platform::ReadWholeFile(dir_ + name, text);
    return text;
  }
  // The journal of device n + 1 with the time stamps removed.
  std::string Journal(int number = 0) const {
    static const std::regex stamp("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d:  ");
    return std::regex_replace(Read("zefor" + std::to_string(number + 1) + ".log"), stamp, "$1");
  }
  // Lines of the emulator's call log that name `function`.
  std::vector<std::string> Calls(const std::string& function) const {
    std::vector<std::string> lines;
    std::istringstream in(Read("calls.log"));
    for (std::string line; std::getline(in, line);)
      if (line.find("enter " + function + " ") == 0) lines.push_back(line);
    return lines;
  }
  static std::string Field(const std::string& line, const std::string& key) {
    size_t at = line.find(key + "=");
    if (at == std::string::npos) return std::string();
    at += key.size() + 1;
    return line.substr(at, line.find(' ', at) - at);
  }
  TPrinterStatus Status(int32_t handle) {
    TPrinterStatus status{};
    status.Size = kPrinterStatusSize;
    adapter_.GetStatus(handle, &status);
    return status;
  }

  Adapter adapter_;
  bool loaded_ = false;
  std::string dir_, bin_;
  int32_t task_ = -1;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
