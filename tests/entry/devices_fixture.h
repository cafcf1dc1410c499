// The adapter library loaded as the POS loads it, with universal registers on
// the emulator (numbers 0 to 11; a port host configured for them is not used)
// and three numbers whose creation fails (40 to 42), configured through the
// parameter service stand-in. The test thread is a POS task.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "adapter.h"
#include "support/test_files.h"
#include "tarvel32/tarvel32.h"

extern "C" void CallDevicesInfoLikePos(void* fn, char* buffer, int32_t maxLength, int32_t* espDelta);

class DevicesFixture : public ::testing::Test {
 protected:
  using TLoadConfig = void(ZEF_STDCALL*)(const char*);
  static constexpr int kEmulatedDevices = 12;

  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_devices_");
    std::string cfg;
    for (int n = 0; n < kEmulatedDevices; ++n)
      cfg += "[device * " + std::to_string(n) + "]\n-1 = porthost.so " + std::to_string(n) +
             "\n0 = emulator.so\n1 = @text <Params/>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n";
    cfg += "[device * 40]\n-1 = missinghost.so 1\n[device * 41]\n-1 = porthostnoinit.so 1\n";
    cfg += "[device * 42]\n-1 = \n";
    platform::WriteWholeFile(dir_ + "params.cfg", cfg);
    platform::WriteWholeFile(dir_ + "porthost.cfg", "file = " + dir_ + "port.out\n");
    SetEnv("PORTHOST_CONFIG", dir_ + "porthost.cfg");
    SetEnv("PARAMS_CONFIG", dir_ + "params.cfg");
    platform::WriteWholeFile(dir_ + "emulator.cfg", "");
    SetEnv("EMULATOR_CONFIG", dir_ + "emulator.cfg");
    std::string error;
    ASSERT_TRUE(adapter_.Load(AdapterPath(), error)) << error;
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    if (params) reinterpret_cast<TLoadConfig>(platform::FindFunction(params, "ParamsLoadConfig"))(nullptr);
    task_ = AttachTask("POS test");
  }
  void TearDown() override {
    adapter_.DONEDLL();
    adapter_.Unload();
    if (task_ > 0) DetachTask();
    env_.clear();
    if (!HasFailure()) test_files::RemoveTree(dir_);
  }
  void SetEnv(const char* name, const std::string& value) {
    env_.emplace_back(std::make_unique<test_files::tEnvSetting>(name, value));
  }
  static std::string AdapterPath() {
    return platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor");
  }
  std::string DevicesInfo() {
    std::vector<uint8_t> info(600, 0);
    int32_t revision = 101, error = 0, delta = 0;
    std::memcpy(info.data() + 544, &revision, 4);
    adapter_.INITDLL(0, 0, 2, &error, info.data(), 0);
    uint32_t callback;
    std::memcpy(&callback, info.data() + 548, 4);
    char text[8192];
    CallDevicesInfoLikePos(reinterpret_cast<void*>(uintptr_t(callback)), text, sizeof text, &delta);
    EXPECT_EQ(delta, 0);
    return text;
  }
  std::string PortBytes() {
    std::string bytes;
    platform::ReadWholeFile(dir_ + "port.out", bytes);
    return bytes;
  }

  std::vector<std::unique_ptr<test_files::tEnvSetting>> env_;
  Adapter adapter_;
  std::string dir_;
  int32_t task_ = -1;
};
