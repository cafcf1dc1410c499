// The universal register object itself on a parameter service of the
// test's own (g_params, by index) and the emulator, each test in a folder of
// its own.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/zefor/zefor.h"
#include "platform/platform.h"
#include "standart/host_params.h"
#include "standart/tasks.h"
#include "support/params_guard.h"
#include "support/test_files.h"

namespace register_fixture {

inline std::map<int32_t, std::string> g_params;  // index -> text ("\x01" prefix: blob)
inline std::string g_blob;

inline uint8_t ZEF_STDCALL FakeParams(const uint8_t* name, int32_t number, int32_t index, uint32_t* value, uint8_t* text,
                               int32_t textSize) {
  if (!params_guard::Listed(name, number, index) || (name[0] && name[1] == '*')) return 0;
  auto it = g_params.find(index);
  if (index < 0 || it == g_params.end()) return 0;
  std::string answer = it->second;
  if (index == 1) {
    g_blob = answer;
    uint32_t length = uint32_t(g_blob.size());
    answer = std::string("\x01", 1) + std::string(reinterpret_cast<const char*>(&length), 4);
    *value = uint32_t(uintptr_t(g_blob.data()));
  } else {
    *value = uint32_t(std::atoi(answer.c_str()));
  }
  text[0] = uint8_t(std::min<size_t>(answer.size(), size_t(textSize)));
  std::memcpy(text + 1, answer.data(), text[0]);
  return 1;
}

class Register : public ::testing::Test {
 protected:
  void SetUp() override {
    InitTaskServices();
    dir_ = test_files::UniqueTempDir("zefor_register_");
    Emulator("");
    g_params = {{0, "emulator.so"}, {1, "<Params><Emulator Config=\"" + dir_ + "emulator.cfg\"/></Params>"},
                {2, "57"}, {4, dir_ + "zefor%d.log"}};
    HostParams::OverrideFunction(&FakeParams);
  }
  void TearDown() override {
    device_.reset();
    HostParams::Reset();
    test_files::RemoveTree(dir_);
  }
  void Emulator(const std::string& lines) {
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu.state\n" + lines + "\n");
  }
  TZefor& Create(uint8_t number = 20) {
    device_.reset(static_cast<TZefor*>(TZefor::Class().Create(number)));
    return *device_;
  }
  std::string dir_;
  std::unique_ptr<TZefor> device_;
};

}  // namespace register_fixture
