// The universal register through the real adapter library, the parameter
// service stand-in and the fiscal register emulator, each test in a folder
// of its own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "adapter.h"
#include "support/test_files.h"
#include "tarvel32/tarvel32.h"

class ZeforTest : public ::testing::Test {
 protected:
  using TLoadConfig = void(ZEF_STDCALL*)(const char*);

  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_");
    bin_ = platform::DirectoryOf(platform::OwnModulePath());
    WriteEmulator("");
    emulatorConfig_ = std::make_unique<test_files::tEnvSetting>("EMULATOR_CONFIG", dir_ + "emulator.cfg");
    task_ = AttachTask("POS test");
  }
  void TearDown() override {
    if (loaded_) {
      adapter_.DONEDLL();
      adapter_.Unload();
    }
    if (task_ > 0) DetachTask();
    paramsConfig_.reset();
    emulatorConfig_.reset();
    test_files::RemoveTree(dir_);
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
    if (!paramsConfig_) paramsConfig_ = std::make_unique<test_files::tEnvSetting>("PARAMS_CONFIG", dir_ + "params.cfg");
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
    return test_files::Unstamped(Read("zefor" + std::to_string(number + 1) + ".log"));
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
  std::unique_ptr<test_files::tEnvSetting> emulatorConfig_, paramsConfig_;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The emulator's tape of the demo guest bill (tools/possim/demo/guest_bill.prn).
inline constexpr char kGuestBillTape[] =
    "      C A F E   O R B E L O\n"
    "Guest bill          Table 12\n"
    "Guests: 2     Waiter: Anna\n"
    "--------------------------------\n"
    "Espresso      2 x 150.00  300.00\n"
    "Borscht       1 x 320.00  320.00\n"
    "Cheesecake    1 x 280.00  280.00\n"
    "--------------------------------\n"
    "TOTAL                     900.00\n"
    "\n"
    "Спасибо за визит!\n"
    "[barcode EAN-13: 460123456789]\n"
    "----------------- cut ------------------\n";
