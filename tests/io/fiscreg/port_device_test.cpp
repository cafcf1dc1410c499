// A fiscal register on a port host (the port host stand-in): the port
// checks of the initialisation, the information text, the print pipeline
// and commands with their completion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <regex>

#include "entry/exports.h"
#include "fiscreg_fixture.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace {

class PortRegisterTest : public FiscRegTest {
 protected:
  void SetUp() override {
    FiscRegTest::SetUp();
    tScriptedFiscReg::Script(2).KeepPort = true;
    Params("[device * 2]\n-1 = porthost.so 0x0002\n[answers * 2]\nmessage = 2\n");
  }
  void Host(const std::string& lines) {
    std::string path = dir_ + "porthost.cfg";
    platform::WriteWholeFile(path, "[port 2]\nfile = " + PortFile() + "\n" + lines + "\n");
    if (hostConfig_)
      hostConfig_->Set(path);
    else
      hostConfig_ = std::make_unique<test_files::tEnvSetting>("PORTHOST_CONFIG", path);
  }
  void TearDown() override {
    FiscRegTest::TearDown();
    hostConfig_.reset();
  }
  std::unique_ptr<test_files::tEnvSetting> hostConfig_;
  std::string PortFile() const { return dir_ + "port2.out"; }
};

TEST_F(PortRegisterTest, PrintsThroughTheHostAndNamesItInTheBanner) {
  Host("handle_string = COM3 at 9600");
  int32_t handle = NewDevice(2);
  ASSERT_GT(handle, 0);
  tScriptedFiscReg& reg = Reg(handle);
  EXPECT_TRUE(reg.IsInitialized());
  EXPECT_TRUE(reg.TwoWay);
  EXPECT_EQ(reg.GetInfoText(), "Host:porthost.so#3 COM3 at 9600, ExtID=, ShiftNum=0");
  const uint8_t text[] = "Receipt\r\n";
  EXPECT_EQ(PrintingWithRes(handle, text, 9), 1);
  EXPECT_NE(Read(PortFile()).find("Receipt"), std::string::npos);
  std::string log = DeviceLog(handle);
  EXPECT_NE(log.find(", ExtID=, ShiftNum=0\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Initializing 17: Host porthost.so:3"), std::string::npos) << log;
  EXPECT_TRUE(std::regex_search(log, std::regex("Printed \\d+ bytes, \\d+ ms\r\n"))) << log;
}

TEST_F(PortRegisterTest, ACommandReportsItsCompletion) {
  Host("");
  tScriptedFiscReg& reg = Reg(NewDevice(2));
  const uint8_t command[] = {0x1B, 'p', 0};
  EXPECT_TRUE(reg.SendCommand(command, 3));
  EXPECT_EQ(reg.CommandsSent, 1);
}

TEST_F(PortRegisterTest, APrinterThatTimesOutFailsTheBlock) {
  Host("timeout = 1\ndrain = stop");
  int32_t handle = NewDevice(2);
  const uint8_t text[] = "Lost\r\n";
  EXPECT_EQ(PrintingWithRes(handle, text, 6), 0);
  EXPECT_NE(DeviceLog(handle).find("Print Err. Printer not ready.\r\n"), std::string::npos);
}

TEST_F(PortRegisterTest, APortThatCannotOpenIsReportedToTheOperator) {
  Host("init = -1");
  EXPECT_EQ(NewDevice(2), -1);
  EXPECT_NE(RequestLog().find("MESSAGE Error initializing COM port. Change drivers configuration and restart. -> 2"),
            std::string::npos)
      << RequestLog();
}

}  // namespace
