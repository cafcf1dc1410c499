// The device table through the real exports, with universal registers on the
// emulator (a port host configured for them is not used) configured through
// the parameter service stand-in.
#include "devices_fixture.h"

namespace {

using Devices = DevicesFixture;

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
  EXPECT_EQ(adapter_.PrintingWithRes(h, reinterpret_cast<const uint8_t*>(prn), int32_t(sizeof prn - 1)), 0)
      << "the emulator announces no non-fiscal printing (foText)";
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
