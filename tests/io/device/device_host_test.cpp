// Port devices printing through the port host stand-ins.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "device_fixture.h"
#include "standart/errors.h"

namespace {

const std::string E = "\x1b";

// "Hello" in Windows Cyrillic, a feed, raw bytes and a cut.
const std::string kJob = E + "1" + "Hi \xCF\xF0\xE8\xE2\xE5\xF2\r\n" + E + "3" + E + "P2" + E + ";" + E +
                         "T1B,40" + E + ";" + E + "7";
const std::string kJobBytes = std::string("Hi \x8F\xE0\xA8\xA2\xA5\xE2\r\n") + "\r\n\r\n" + "\x1b\x40" +
                              "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";

bool Print(TDevice& device, const std::string& prn) {
  return device.Print(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()));
}

class TInputDevice : public TDevice {
 public:
  using TDevice::TDevice;
  bool WantsTwoWay() override { return true; }
  void InputReceived(int32_t value) override {
    std::lock_guard<std::mutex> lock(mutex);
    values.push_back(value);
    inSection.push_back(GetNoOSMode() != 0);
    if (value == ThrowOn) throw std::runtime_error("input rejected");
  }
  std::vector<int32_t> Values() {
    std::lock_guard<std::mutex> lock(mutex);
    return values;
  }
  static const TDeviceClass& Class() {
    static const TDeviceClass c = DeviceClassOf<TInputDevice>("TInputDevice");
    return c;
  }
  std::mutex mutex;
  std::vector<int32_t> values;
  std::vector<bool> inSection;
  int32_t ThrowOn = -1;
};

}  // namespace

TEST_F(DeviceTest, PrnJobArrivesAtThePortAsPrinterBytes) {
  AnswerHost(0, Host("porthostplain"), 0x0001);
  {
    auto device = Create(0);
    ASSERT_GE(device->PortHandle, 0);
    EXPECT_FALSE(device->HasEscapeOutput());
    EXPECT_TRUE(Print(*device, kJob));
    EXPECT_EQ(ReadFile(PortFile(1)), kJobBytes);
  }
  std::string log = ReadFile(HostLog());
  EXPECT_EQ(log, "InitPrinter 1 4800 -> 0\nSetCheckDSR 1\nSetCheckCTS 0\nPrint " +
                     std::to_string(kJobBytes.size()) + "\nClose 0\n");
}

TEST_F(DeviceTest, EscapeHostGetsCommandBytesAsEscapeSequences) {
  AnswerHost(0, Host("porthost"), 0x0002);
  {
    auto device = Create(0);
    ASSERT_GE(device->PortHandle, 0);
    EXPECT_TRUE(device->HasEscapeOutput());
    EXPECT_TRUE(Print(*device, kJob));
    EXPECT_EQ(ReadFile(PortFile(2)), kJobBytes);
  }
  std::string log = ReadFile(HostLog());
  EXPECT_NE(log.find("SetCheckCTS 0\nPrint 11\nPrintEscapeSeq 22\nClose"), std::string::npos) << log;
}

TEST_F(DeviceTest, FailingPortReports3658) {
  AnswerHost(0, Host("porthostplain"), 0x0001);
  AnswerHost(1, Host("porthostplain"), 0x0002);
  Configure("[port 1]\nfail_print = 1\n");
  auto failing = Create(0);
  auto healthy = Create(1);
  EXPECT_FALSE(Print(*failing, "ab" + E + "W1000" + E + ";cd"));
  EXPECT_EQ(LastError(), 3658);
  EXPECT_EQ(ReadFile(PortFile(1)), "");
  // A later output that reports nothing succeeds, and leaves the old error alone.
  EXPECT_TRUE(Print(*healthy, "ok"));
  EXPECT_EQ(ReadFile(PortFile(2)), "ok");
  EXPECT_EQ(LastError(), 3658);
  EXPECT_EQ(CountInErrorLog("ERR 3658: Port 2 output error"), 1);
  // Escape sequences fail the same way.
  AnswerHost(2, Host("porthost"), 0x0001);
  auto escaping = Create(2);
  EXPECT_FALSE(escaping->SendBytes(reinterpret_cast<const uint8_t*>("\x1b@"), 2));
  EXPECT_NE(ReadFile(HostLog()).find("PrintEscapeSeq 2\n"), std::string::npos);
}

TEST_F(DeviceTest, StatusFollowsTheHostsBuffer) {
  AnswerHost(0, Host("porthost"), 0x0000);
  AnswerHost(1, Host("porthost"), 0x0001);
  AnswerHost(2, Host("porthost"), 0x0002);
  Configure("[port 0]\nready = 0\n[port 1]\ndrain = stop\ntimeout = 1\n[port 2]\ndrain = 400\n");
  auto idle = Create(0);
  auto stuck = Create(1);
  auto slow = Create(2);
  TPrinterStatus status{};
  idle->FillStatus(status);
  EXPECT_EQ(status.Offline, 1);
  EXPECT_EQ(status.Busy, 0);

  TPrinterStatus stuckStatus{};
  EXPECT_TRUE(Print(*stuck, "abc"));
  stuck->FillStatus(stuckStatus);
  EXPECT_EQ(stuckStatus.Offline, 0);
  EXPECT_EQ(stuckStatus.Busy, 1);
  EXPECT_EQ(stuckStatus.NotReady, 1);

  EXPECT_TRUE(Print(*slow, std::string(40, 'x')));
  TPrinterStatus draining{};
  slow->FillStatus(draining);
  EXPECT_EQ(draining.Busy, 1);
  EXPECT_EQ(draining.NotReady, 0);
  EXPECT_TRUE(WaitFor([&] { return slow->HostOutputBufferCount() == 0; }));
  EXPECT_EQ(ReadFile(PortFile(2)), std::string(40, 'x'));
}

TEST_F(DeviceTest, CancelPrintClearsPendingOutput) {
  AnswerHost(0, Host("porthost"), 0);
  Configure("drain = stop\n");
  {
    auto device = Create(0);
    EXPECT_TRUE(Print(*device, "pending"));
    EXPECT_EQ(device->HostOutputBufferCount(), 7);
    device->CancelPrint(true);
    EXPECT_EQ(device->HostOutputBufferCount(), 0);
    EXPECT_EQ(CountInErrorLog("ERR 51: Prn " + std::to_string(device->PortHandle) + ". Cancel print."), 1);
    device->CancelPrint(false);  // nothing pending: no second line
    EXPECT_EQ(CountInErrorLog("Cancel print."), 1);
  }
  EXPECT_EQ(ReadFile(PortFile(0)), "");
  EXPECT_NE(ReadFile(HostLog()).find("OutputBufferClear 7\n"), std::string::npos);
}

TEST_F(DeviceTest, InfoTextShowsPortAndSubPort) {
  AnswerHost(0, Host("porthostplain"), 0x0301);
  AnswerHost(1, Host("porthostplain"), 0x0002);
  auto withSubPort = Create(0);
  auto plain = Create(1);
  EXPECT_EQ(withSubPort->GetInfoText(), "Host " + Host("porthostplain") + ":2:3, Ready 1 BufNotEmpty 0, OutStopped 0");
  EXPECT_EQ(plain->GetInfoText(), "Host " + Host("porthostplain") + ":3, Ready 1 BufNotEmpty 0, OutStopped 0");
  // The service is asked again each time.
  ForgetHost(1);
  EXPECT_EQ(plain->GetInfoText(), "");
}

TEST_F(DeviceTest, InfoTextUsesTheHostsHandleString) {
  AnswerHost(0, Host("porthost"), 0x0001);
  AnswerHost(1, Host("porthost"), 0x0002);
  Configure("[port 1]\nhandle_string = COM2 9600,8N1\n[port 2]\nready = 0\ntimeout = 1\ndrain = stop\n");
  auto described = Create(0);
  auto undescribed = Create(1);
  EXPECT_EQ(described->GetInfoText(), "Host " + Host("porthost") + ":2, Ready 1 COM2 9600,8N1");
  EXPECT_TRUE(Print(*undescribed, "abc"));
  EXPECT_EQ(undescribed->GetInfoText(), "Host " + Host("porthost") + ":3, Ready 0 BufNotEmpty 3, OutStopped 1");
}

TEST_F(DeviceTest, TwoWayPortDeliversInputInTheRegisterConvention) {
  AnswerHost(5, Host("porthost"), 0x0004);
  Configure("input = 65, 66, 1000000, -7\n");
  std::unique_ptr<TDevice> device(TInputDevice::Class().Create(5));
  auto* input = static_cast<TInputDevice*>(device.get());
  EXPECT_TRUE(device->TwoWay);
  EXPECT_EQ(device->CheckDSR, 0);
  ASSERT_TRUE(WaitFor([&] { return input->Values().size() == 4; }));
  EXPECT_EQ(input->Values(), (std::vector<int32_t>{65, 66, 1000000, -7}));
  EXPECT_EQ(input->inSection, (std::vector<bool>{true, true, true, true}));
  device.reset();
  EXPECT_EQ(ReadFile(HostLog()),
            "InitTwoWay 4 4800 -> 0\nSetInputCallBack 0\nSetCheckDSR 0\nSetCheckCTS 0\nClose 0\n");
}

TEST_F(DeviceTest, ExceptionInInputHandlingStaysInTheDevice) {
  AnswerHost(5, Host("porthost"), 0x0004);
  Configure("input = 1, 2, 3\n");
  // The input thread starts at registration: make the device throw before.
  class TThrowing : public TInputDevice {
   public:
    using TInputDevice::TInputDevice;
    void Construct() override {
      ThrowOn = 2;
      TInputDevice::Construct();
    }
  };
  static const TDeviceClass throwing = DeviceClassOf<TThrowing>("TThrowing");
  std::unique_ptr<TDevice> device(throwing.Create(5));
  auto* input = static_cast<TInputDevice*>(device.get());
  ASSERT_TRUE(WaitFor([&] { return input->Values().size() == 3; }));
  EXPECT_EQ(input->Values(), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(DeviceTest, TwoWayDeviceOnAOneWayHost) {
  AnswerHost(2, Host("porthost1w"), 0x0001);
  Configure("input = 1\n");
  std::unique_ptr<TDevice> device(TInputDevice::Class().Create(2));
  EXPECT_GE(device->PortHandle, 0);
  EXPECT_FALSE(device->TwoWay);
  device.reset();
  EXPECT_EQ(ReadFile(HostLog()), "InitPrinter 1 4800 -> 0\nSetCheckDSR 0\nSetCheckCTS 0\nClose 0\n");
}

TEST_F(DeviceTest, DevicesReleaseTheirHost) {
  AnswerHost(0, Host("porthostplain"), 0x0001);
  AnswerHost(1, Host("porthostplain"), 0x0002);
  auto first = Create(0);
  auto second = Create(1);
  first.reset();
  EXPECT_TRUE(HostLibraryLoaded("porthostplain"));
  EXPECT_TRUE(Print(*second, "still open"));
  second.reset();
  EXPECT_FALSE(HostLibraryLoaded("porthostplain"));
}

TEST_F(DeviceTest, OutputBlockCompletesThroughTheCallback) {
  AnswerHost(0, Host("porthost"), 0);
  auto device = Create(0);
  static std::atomic<void*> completed{nullptr};
  struct Completion {
    static void ZEF_REGCALL Done(void* context) { completed = context; }
  };
  int marker = 0;
  device->HostOutputBlock(reinterpret_cast<const uint8_t*>("blk"), 3, &Completion::Done, &marker);
  EXPECT_TRUE(WaitFor([&] { return completed.load() == &marker; }));
  EXPECT_EQ(ReadFile(PortFile(0)), "blk");
}
