// The device table through the real exports, with universal registers on the
// emulator (a port host configured for them is not used) configured through
// the parameter service stand-in.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "adapter.h"
#include "support/test_files.h"
#include "tarvel32/tarvel32.h"

extern "C" void CallDevicesInfoLikePos(void* fn, char* buffer, int32_t maxLength, int32_t* espDelta);

namespace {

using TLoadConfig = void(ZEF_STDCALL*)(const char*);

class Devices : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_devices_");
    std::string cfg;
    // Universal registers on the emulator; the port host configured for
    // them is not used by this device class.
    for (int n = 0; n < 12; ++n)
      cfg += "[device * " + std::to_string(n) + "]\n-1 = porthost.so " + std::to_string(n) +
             "\n0 = emulator.so\n1 = @text <Params/>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n";
    cfg += "[device * 40]\n-1 = missinghost.so 1\n[device * 41]\n-1 = porthostnoinit.so 1\n";
    cfg += "[device * 42]\n-1 = \n";
    platform::WriteWholeFile(dir_ + "params.cfg", cfg);
    platform::WriteWholeFile(dir_ + "porthost.cfg", "file = " + dir_ + "port.out\n");
    env_.emplace_back(std::make_unique<test_files::tEnvSetting>("PORTHOST_CONFIG", dir_ + "porthost.cfg"));
    env_.emplace_back(std::make_unique<test_files::tEnvSetting>("PARAMS_CONFIG", dir_ + "params.cfg"));
    platform::WriteWholeFile(dir_ + "emulator.cfg", "");
    env_.emplace_back(std::make_unique<test_files::tEnvSetting>("EMULATOR_CONFIG", dir_ + "emulator.cfg"));
    std::string error;
    ASSERT_TRUE(adapter_.Load(platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor"),
                              error))
        << error;
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    if (params) reinterpret_cast<TLoadConfig>(platform::FindFunction(params, "ParamsLoadConfig"))(nullptr);
    task_ = AttachTask("POS test");
  }
  void TearDown() override {
    adapter_.DONEDLL();
    adapter_.Unload();
    if (task_ > 0) DetachTask();
    env_.clear();
    test_files::RemoveTree(dir_);
  }
  std::vector<std::unique_ptr<test_files::tEnvSetting>> env_;
  static void mkdir(const std::string& d) { platform::MakeDirectory(d); }
  std::string DevicesInfo() {
    std::vector<uint8_t> info(600, 0);
    int32_t revision = 101, error = 0, delta = 0;
    std::memcpy(info.data() + 544, &revision, 4);
    adapter_.INITDLL(0, 0, 2, &error, info.data(), 0);
    uint32_t callback;
    std::memcpy(&callback, info.data() + 548, 4);
    char text[2048];
    CallDevicesInfoLikePos(reinterpret_cast<void*>(uintptr_t(callback)), text, sizeof text, &delta);
    EXPECT_EQ(delta, 0);
    return text;
  }
  std::string PortBytes() {
    std::string bytes;
    platform::ReadWholeFile(dir_ + "port.out", bytes);
    return bytes;
  }

  Adapter adapter_;
  std::string dir_;
  int32_t task_ = -1;
};

TEST_F(Devices, HandlesAreLowestFreeAndReused) {
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1) << "one device per number";
  EXPECT_EQ(adapter_.InitDevice(256, 0), 1) << "only the low byte counts";
  EXPECT_EQ(adapter_.InitDevice(1, 0), 2);
  adapter_.Done(1);
  EXPECT_EQ(adapter_.InitDevice(2, 0), 1) << "a freed slot is reused";
  for (int32_t n = 3; n < 11; ++n) EXPECT_EQ(adapter_.InitDevice(n, 0), n) << n;
  EXPECT_EQ(DevicesInfo().substr(0, 46), "#3: Driver Name = Fiscal register emulator\r\nVe");
}

TEST_F(Devices, FailedCreationFreesTheDevice) {
  EXPECT_EQ(adapter_.InitDevice(40, 0), -1);
  EXPECT_EQ(adapter_.InitDevice(41, 0), -1);
  EXPECT_EQ(adapter_.InitDevice(42, 0), -1);
  EXPECT_EQ(adapter_.InitCustDispPort(40, 0), 999);
  EXPECT_EQ(DevicesInfo(), "");
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1) << "the failed creations left no slot behind";
}

TEST_F(Devices, PrintStatusAndDrawerReachTheDevice) {
  int32_t h = adapter_.InitDevice(5, 0);
  ASSERT_EQ(h, 1);
  const char prn[] = "ab\x1bP2\x1b;c";
  EXPECT_EQ(adapter_.PrintingWithRes(h, reinterpret_cast<const uint8_t*>(prn), int32_t(sizeof prn - 1)), 1);
  adapter_.Done(h);
  EXPECT_EQ(PortBytes(), "") << "a universal register prints through its driver, never the port";

  h = adapter_.InitDevice(5, 0);
  std::vector<uint8_t> record(kPrinterStatusSize, 0xAB);
  auto* status = reinterpret_cast<TPrinterStatus*>(record.data());
  status->Size = 8;
  adapter_.GetStatus(h, status);
  EXPECT_EQ(status->Offline, 0);
  EXPECT_EQ(status->Busy, 0);
  EXPECT_EQ(record[8], 0xAB) << "nothing beyond Size";
  EXPECT_EQ(adapter_.IsDrawerNumOpen(h, 0), 0);
  adapter_.OpenDrawer(h);
  adapter_.CancelPrint(h);
  EXPECT_EQ(adapter_.FiscGetExtID(h, nullptr, nullptr), 1) << "the emulator answers";
  EXPECT_EQ(adapter_.NewGetFlags(h), 0x82u) << "ZefFiscalDocument, no options";
  uint8_t doc[596] = {};
  int32_t size = 596;
  std::memcpy(doc, &size, 4);
  EXPECT_EQ(adapter_.FiscDocument(h, doc), 0);
}

TEST_F(Devices, DisplayHandlesShareTheDevice) {
  int32_t display = adapter_.InitCustDispPort(7, 1234);
  EXPECT_EQ(display, 1001);
  EXPECT_EQ(adapter_.InitDevice(7, 0), 1);
  const uint8_t text[] = "hello";
  adapter_.Print(display, text, 5);  // a port device has no display output
  adapter_.Print(1000, text, 5);
}

}  // namespace
