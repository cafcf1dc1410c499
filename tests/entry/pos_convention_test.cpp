// INITDLL and the device-list callback called from assembly exactly as the
// POS calls them, with the information record checked byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "adapter.h"

extern "C" uint8_t CallInitDllLikePos(void* fn, int32_t a1, int32_t a2, int32_t interfaceVersion, int32_t a4,
                                      void* info, int32_t* errorCode, int32_t* espDelta);
extern "C" void CallDevicesInfoLikePos(void* fn, char* buffer, int32_t maxLength, int32_t* espDelta);

namespace {

constexpr size_t kInfoSize = 600;

class PosConvention : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(adapter_.Load(platform::DirectoryOf(platform::OwnModulePath()) + platform::LibraryFileName("zefor"),
                              error))
        << error;
    info_.assign(kInfoSize, 0xCC);
  }
  void TearDown() override {
    adapter_.DONEDLL();
    adapter_.Unload();
  }
  void SetRevision(int32_t revision) { std::memcpy(info_.data() + 544, &revision, 4); }
  uint8_t Call(int32_t interfaceVersion, int32_t* errorCode, int32_t* delta) {
    return CallInitDllLikePos(reinterpret_cast<void*>(adapter_.INITDLL), 11, 22, interfaceVersion, 44,
                              info_.data(), errorCode, delta);
  }
  int32_t Int32At(size_t offset) {
    int32_t v;
    std::memcpy(&v, info_.data() + offset, 4);
    return v;
  }

  Adapter adapter_;
  std::vector<uint8_t> info_;
};

TEST_F(PosConvention, InitDllFillsNameVersionAndCallback) {
  platform::VersionData version;
  ASSERT_TRUE(platform::ModuleVersion(reinterpret_cast<const void*>(adapter_.INITDLL), version));
  for (int32_t interfaceVersion : {0, 2}) {
    info_.assign(kInfoSize, 0xCC);
    SetRevision(101);
    int32_t error = -7, delta = -1;
    EXPECT_EQ(Call(interfaceVersion, &error, &delta), 1);
    EXPECT_EQ(delta, 0) << "the callee must pop its three stack arguments";
    EXPECT_EQ(error, -7);
    EXPECT_EQ(Int32At(8), 2);
    uint16_t v;
    std::memcpy(&v, info_.data() + 12, 2);
    EXPECT_EQ(v, version.Release);
    EXPECT_EQ(v, 362);
    std::string name(reinterpret_cast<const char*>(info_.data() + 281), info_[280]);
    EXPECT_EQ(name, version.FileDescription);
    EXPECT_FALSE(name.empty());
    EXPECT_NE(Int32At(548), int32_t(0xCCCCCCCC));
    // Only the listed offsets change.
    for (size_t i : {0u, 7u, 14u, 100u, 279u, 281u + name.size(), 543u, 552u, 599u}) EXPECT_EQ(info_[i], 0xCC) << i;
  }
}

TEST_F(PosConvention, InitDllRefusesOtherInterfaceVersions) {
  SetRevision(101);
  int32_t error = 0, delta = -1;
  EXPECT_EQ(Call(1, &error, &delta), 0);
  EXPECT_EQ(delta, 0);
  EXPECT_EQ(error, 114);
  for (size_t i = 0; i < kInfoSize; ++i)
    if (i < 544 || i >= 548) {
      EXPECT_EQ(info_[i], 0xCC) << i;
    }
}

TEST_F(PosConvention, OlderRecordRevisionGetsNoCallback) {
  SetRevision(100);
  int32_t error = 0, delta = -1;
  EXPECT_EQ(Call(2, &error, &delta), 1);
  EXPECT_EQ(Int32At(548), int32_t(0xCCCCCCCC));
}

TEST_F(PosConvention, DevicesInfoCallbackKeepsTheStackAndCutsItsText) {
  SetRevision(101);
  int32_t error = 0, delta = -1;
  ASSERT_EQ(Call(2, &error, &delta), 1);
  void* callback = reinterpret_cast<void*>(uintptr_t(uint32_t(Int32At(548))));
  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  for (int round = 0; round < 1000; ++round) {
    CallDevicesInfoLikePos(callback, buffer, sizeof buffer, &delta);
    ASSERT_EQ(delta, 0);
  }
  EXPECT_STREQ(buffer, "");  // no devices
  CallDevicesInfoLikePos(callback, buffer, 0, &delta);
  EXPECT_EQ(delta, 0);
}

}  // namespace
