// The port device without a working port: defaults, character mapping and
// the failures of construction.
#include <gtest/gtest.h>

#include "device_fixture.h"
#include "nolvex32/nolvex32.h"
#include "platform/sync.h"
#include "standart/errors.h"
#include "standart/host_params.h"

namespace {

class TTwoWayDevice : public TDevice {
 public:
  using TDevice::TDevice;
  bool WantsTwoWay() override { return true; }
};

int g_destroyed = 0;
class TCountedDevice : public TDevice {
 public:
  using TDevice::TDevice;
  ~TCountedDevice() override { ++g_destroyed; }
};

std::string LastErrorText() {
  char buffer[256];
  LastErrorMessage(buffer, sizeof buffer, 0);
  return buffer;
}

}  // namespace

TEST_F(DeviceTest, DefaultsOfAPortDevice) {
  auto device = Create(2);
  EXPECT_EQ(device->Number, 2);
  EXPECT_EQ(device->PortParam, 4800);
  EXPECT_EQ(device->CutLineFeeds, 8);
  EXPECT_EQ(device->FontFlag, 0);
  EXPECT_EQ(device->StartSequence, "");
  EXPECT_EQ(device->Fonts[0].CodePageFlag, 1);
  EXPECT_EQ(device->Fonts[1].CodePageFlag, 0);
  EXPECT_EQ(device->CheckDSR, 1);
  EXPECT_EQ(device->CheckCTS, 0);
  EXPECT_FALSE(device->TwoWay);

  TTwoWayDevice twoWay(1);
  twoWay.Construct();
  EXPECT_EQ(twoWay.CheckDSR, 0);
}

TEST_F(DeviceTest, MapCharConvertsWindowsCyrillicToDos) {
  auto device = Create(0);
  EXPECT_EQ(device->MapChar(0xE0), 0xA0);
  EXPECT_EQ(device->MapChar(0xFF), 0xEF);
  EXPECT_EQ(device->MapChar(0xB3), 'i');
  EXPECT_EQ(device->MapChar(0xB2), 'I');
  EXPECT_EQ(device->MapChar(0x41), 0x41);
  EXPECT_EQ(device->MapChar(0xC0), 0x80);
  EXPECT_EQ(device->MapChar(0xEF), 0xAF);
  EXPECT_EQ(device->MapChar(0xF0), 0xE0);
  const uint8_t from[] = {0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB9};
  const uint8_t to[] = {0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xFC};
  for (size_t i = 0; i < sizeof from; ++i) EXPECT_EQ(device->MapChar(from[i]), to[i]) << int(from[i]);
  for (int c = 1; c < 0x80; ++c) EXPECT_EQ(device->MapChar(uint8_t(c)), c);
  EXPECT_EQ(device->MapChar(0x98), 0x98);
  EXPECT_EQ(device->MapChar(0xA0), 0xA0);
}

TEST_F(DeviceTest, MapCharThroughTheFontsCharacterMap) {
  auto device = Create(0);
  device->Fonts[0].CodePageFlag = 0;
  device->Fonts[0].Source = "ab\x01";
  device->Fonts[0].Replacement = "x\x05\x02";
  EXPECT_EQ(device->MapChar('a'), 'x');
  EXPECT_EQ(device->MapChar('b'), '_');   // above blank, replaced below blank
  EXPECT_EQ(device->MapChar(0x01), 0x02);  // control bytes keep their replacement
  EXPECT_EQ(device->MapChar('c'), 'c');
  EXPECT_EQ(device->MapChar(0x07), 0x07);
  EXPECT_EQ(device->MapChar(0xE0), 0xE0);
  // Font record 1 while the font flag is set.
  device->Fonts[1].Source = "c";
  device->Fonts[1].Replacement = "C";
  device->FontFlag = 1;
  EXPECT_EQ(device->MapChar('c'), 'C');
  EXPECT_EQ(device->MapChar('a'), 'a');
}

TEST_F(DeviceTest, UnansweredHostQuestionLeavesThePortClosed) {
  auto device = Create(4);
  EXPECT_FALSE(device->HostLoaded());
  EXPECT_EQ(device->PortHandle, -1);
  EXPECT_EQ(device->GetInfoText(), "");
  EXPECT_EQ(LastError(), 0);
  // Every port operation runs on the defaults.
  TPrinterStatus status{};
  device->FillStatus(status);
  EXPECT_EQ(status.Offline, 1);
  EXPECT_EQ(status.Busy, 0);
  EXPECT_TRUE(device->Output(reinterpret_cast<const uint8_t*>("ab"), 2));
  EXPECT_FALSE(device->HasEscapeOutput());
  EXPECT_FALSE(device->OutputEscape(reinterpret_cast<const uint8_t*>("ab"), 2, true));
  EXPECT_TRUE(device->OpenDrawer(0));
  EXPECT_FALSE(device->IsDrawerOpen(0));
  device->CancelPrint(true);
  EXPECT_EQ(CountInErrorLog("Cancel print"), 0);
}

TEST_F(DeviceTest, EmptyHostNameIsLoggedOnce) {
  AnswerHost(1, "", 0);
  auto device = Create(1);
  EXPECT_FALSE(device->HostLoaded());
  EXPECT_EQ(device->PortHandle, -1);
  EXPECT_EQ(device->GetInfoText(), "");
  EXPECT_EQ(CountInErrorLog("Printer host empty"), 1);
  EXPECT_EQ(LastError(), 51);
}

TEST_F(DeviceTest, MissingHostLibraryReports3653) {
  AnswerHost(3, "nosuchhost.so", 0);
  auto device = Create(3);
  EXPECT_FALSE(device->HostLoaded());
  EXPECT_EQ(device->PortHandle, -1);
  EXPECT_EQ(LastError(), 3653);
  EXPECT_EQ(LastErrorText(), "Host DLL nosuchhost.so loading error 126");
  EXPECT_EQ(CountInErrorLog("ERR 3653: Host DLL nosuchhost.so loading error 126"), 1);
  EXPECT_EQ(device->GetInfoText(), "");
}

TEST_F(DeviceTest, HostWithoutInitialisationFunctionOpensNothing) {
  AnswerHost(0, Host("porthostnoinit"), 0);
  {
    auto device = Create(0);
    EXPECT_TRUE(device->HostLoaded());
    EXPECT_EQ(device->PortHandle, -1);
    EXPECT_EQ(LastError(), 0);
    EXPECT_TRUE(HostLibraryLoaded("porthostnoinit"));
  }
  EXPECT_FALSE(HostLibraryLoaded("porthostnoinit"));
  EXPECT_EQ(ReadFile(HostLog()), "");
}

TEST_F(DeviceTest, OpeningFailuresReport3660And3662WithTheDeviceNumber) {
  AnswerHost(3, Host("porthost"), 0x0001);
  Configure("[port 1]\ninit = -1\n[port 2]\ninit = -2\n[port 3]\ninit = -5\n");
  auto used = Create(3);
  EXPECT_EQ(used->PortHandle, -1);
  EXPECT_EQ(LastError(), 3660);
  EXPECT_EQ(LastErrorText(), "Can not open port " + Host("porthost") + " for " + HostParams::AdapterFileName() +
                                 "#3, base port is already used");
  // Other negative answers are not reported.
  ClearLastError();
  AnswerHost(4, Host("porthost"), 0x0003);
  EXPECT_EQ(Create(4)->PortHandle, -5);
  EXPECT_EQ(LastError(), 0);

  AnswerHost(7, Host("porthost"), 0x0002);
  auto device = Create(7);
  EXPECT_EQ(device->PortHandle, -2);
  EXPECT_EQ(LastError(), 3662);
  EXPECT_EQ(LastErrorText(),
            "Can not open port " + Host("porthost") + " for " + HostParams::AdapterFileName() + "#7, illegal OS");
  EXPECT_NE(ReadFile(HostLog()).find("InitPrinter 2 4800 -> -2\n"), std::string::npos);
}

TEST_F(DeviceTest, RaisedOpeningErrorReleasesTheHost) {
  AnswerHost(0, Host("porthostplain"), 0);
  Configure("init = -2\n");
  ExceptError(3662);
  g_destroyed = 0;
  static const TDeviceClass counted = DeviceClassOf<TCountedDevice>("TCountedDevice");
  EXPECT_THROW(counted.Create(0), ProcessErrorException);
  EXPECT_EQ(g_destroyed, 1);
  EXPECT_FALSE(HostLibraryLoaded("porthostplain"));
}

TEST_F(DeviceTest, SecondDeviceOnTheSamePortIsRefused) {
  AnswerHost(0, Host("porthost"), 0x0003);
  AnswerHost(1, Host("porthost"), 0x0003);
  auto first = Create(0);
  EXPECT_GE(first->PortHandle, 0);
  auto second = Create(1);
  EXPECT_EQ(second->PortHandle, -1);
  EXPECT_EQ(LastError(), 3660);
}

TEST_F(DeviceTest, DeviceLockTakenOutsideTasksGoesWithTheDevice) {
  auto device = Create(0);
  ASSERT_TRUE(EnterTaskSection(device->DeviceLock, 0, false, false));
  platform::SyncHandle mutex = device->DeviceLock.Mutex.load();
  EXPECT_NE(mutex, platform::SyncHandle(0));
  LeaveTaskSection(device->DeviceLock);
  device.reset();
  EXPECT_FALSE(platform::CloseHandle(mutex));  // already closed
}
