// The journal writer, the status and option texts and the wrappers of the
// driver binding, on a device log of their own and the emulator library.
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "io/printer/zefor/driver/zef_driver.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/zefor/status/zef_status_text.h"
#include "platform/platform.h"
#include "standart/errors.h"
#include "support/test_files.h"

namespace {

std::string Unstamped(const std::string& path) { return test_files::Unstamped(test_files::FileText(path)); }

class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_units_");
    path_ = dir_ + "journal.log";
    log_.SetFileName(path_);
    saved_ = LogLevel.load();
    LogLevel.store(1);
  }
  void TearDown() override {
    LogLevel.store(saved_);
    test_files::RemoveTree(dir_);
  }
  std::string dir_, path_;
  tDeviceLog log_;
  int32_t saved_ = 0;
};

TEST_F(JournalTest, LevelsLineBreaksAndStamps) {
  tZefJournal journal(log_);
  journal.Write(2, "printout");
  journal.Write(1, "normal");
  journal.Write(1, "\r\n");
  journal.Write(1, "\r\nafter a break");
  journal.Write(-1, "banner");
  journal.Write(0, "error");  // written at once
  EXPECT_EQ(Unstamped(path_), "normal\r\n\r\n\r\nafter a break\r\nbanner\r\nerror\r\n");
  std::string raw;
  platform::ReadWholeFile(path_, raw);
  EXPECT_TRUE(std::regex_search(raw, std::regex("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d:  normal\r\n\r\n\r\n\\d\\d:")));
  EXPECT_EQ(tZefJournal::LineLevel(true, true), 0);
  EXPECT_EQ(tZefJournal::LineLevel(false, true), 2);
  EXPECT_EQ(tZefJournal::LineLevel(false, false), 1);
  EXPECT_STREQ(tZefJournal::LevelName(1), "All except non-fiscal printouts and display");
  EXPECT_STREQ(tZefJournal::LevelName(3), "?");
}

TEST(ZefTexts, StatusGroupsOptionsAndMoments) {
  TZefStatus s{};
  s.PaperStatus = 2;
  s.ShiftState = 1;
  s.SerialNum[0] = 3;
  s.SerialNum[1] = 'A';
  s.SerialNum[2] = 'B';
  s.SerialNum[3] = 'C';
  s.LastShiftNum = 7;
  s.SaledValue = -12345678901LL;
  s.InternalDate = 46365;
  s.InternalTime = 57054000;
  uint32_t mask = ZefStatus::fnPaperStatus | ZefStatus::fnShiftState | ZefStatus::fnSerialNumber |
                  ZefStatus::fnLastShiftNum | ZefStatus::fnSaledValue | ZefStatus::fnInternalDateTime;
  EXPECT_EQ(ZefStatus::FieldNames(mask),
            "fnPaperStatus, fnShiftState, fnSerialNumber, fnLastShiftNum, fnSaledValue, fnInternalDateTime");
  EXPECT_EQ(ZefStatus::StatusText(s, mask),
            "PaperStatus = paperLow,ShiftState = ssShiftOpened,SerialNum = ABC,LastShiftNum = 7,"
            "SaledValue = -12345678901,InternalDate = 46365, InternalTime = 57054000 (2026-12-09T15:50:54)");
  EXPECT_EQ(ZefStatus::MomentText(0, 0), "1899-12-30T00:00:00");
  EXPECT_EQ(ZefOptions::Names(ZefOptions::foText | ZefOptions::foCancelBill), "foText, foCancelBill");
  EXPECT_EQ(ZefOptions::PosFlags(ZefOptions::foText | ZefOptions::foCancelBill), 0x200001u);
  uint64_t mask64 = 0;
  EXPECT_TRUE(ZefOptions::Find("foCancelOrder", mask64));
  EXPECT_EQ(mask64, uint64_t(1) << 48);
  EXPECT_FALSE(ZefOptions::Find("foNothing", mask64));
  for (int i = 0; i < ZefOptions::kOptionCount; ++i)
    EXPECT_EQ(ZefOptions::RowMask(ZefOptions::kOptionTable[i]), uint64_t(1) << i) << i;
}

class DriverTest : public JournalTest {
 protected:
  void SetUp() override {
    JournalTest::SetUp();
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu.state\ntape = emu.tape\nfault = ZefUnfiscalPrint 203 2\n");
    emulatorConfig_ = std::make_unique<test_files::tEnvSetting>("EMULATOR_CONFIG", dir_ + "emulator.cfg");
  }
  void TearDown() override {
    emulatorConfig_.reset();
    JournalTest::TearDown();
  }
  std::unique_ptr<test_files::tEnvSetting> emulatorConfig_;
  void Bind(tZefDriver& driver, const char* module) {
    driver.ModuleName = module;
    driver.AdapterDirectory = platform::DirectoryOf(platform::OwnModulePath());
    driver.AdapterFileName = "zefor.so";
    driver.AdapterMinor = 58;
    ASSERT_TRUE(driver.LoadLoDrv());
  }
};

TEST_F(DriverTest, PrintoutLinesOnlyAboveLevelOneUnlessTheyFail) {
  tZefJournal journal(log_);
  tZefDriver driver(journal, 9);
  Bind(driver, "emulator.so");
  log_.Flush();
  size_t loaded = Unstamped(path_).size();
  EXPECT_EQ(driver.UnfiscalPrint("<Unfiscal/>", 0), 0);
  EXPECT_EQ(driver.UnfiscalPrint("<Unfiscal/>", 0), 203);
  driver.FreeLoDrv();
  log_.Flush();
  std::string added = Unstamped(path_).substr(loaded);
  EXPECT_EQ(added.substr(0, added.find("==> FreeLoDrv")), "<~~ {ZefUnfiscalPrint} (ZEFOR-FINAL) = 203 ~~>\r\n\r\n");
}

TEST_F(DriverTest, MissingFunctionsAtCallTime) {
  tZefJournal journal(log_);
  tZefDriver driver(journal, 10);
  Bind(driver, "emulator_noprint.so");
  EXPECT_EQ(driver.UnfiscalPrint("<Doc/>", 0), 0) << "no option, nothing called";
  TZefStatus status{};
  int32_t filled = -1;
  EXPECT_EQ(driver.FiscalDocument("<FiscalDocument/>", status, filled), 4);
  EXPECT_EQ(filled, 0);
  char buffer[16];
  int32_t size = 16;
  EXPECT_EQ(driver.GetZReportData(buffer, size), 4);
  driver.Options = ZefOptions::foCustomerDisplay;
  try {
    driver.CustomerDisplay("<Display/>", 1);
    ADD_FAILURE() << "no error";
  } catch (const ProcessErrorException& e) {
    EXPECT_EQ(e.Code(), tZefDriver::kErrNotExportedOption);
  }
  driver.FreeLoDrv();
  tZefDriver classic(journal, 12);
  Bind(classic, "emulator_classic.so");
  std::string menu;
  EXPECT_THROW(classic.MenuOperation("<Menu/>", menu), ProcessErrorException) << "3620";
  classic.FreeLoDrv();
  log_.Flush();
  std::string journalText = Unstamped(path_);
  EXPECT_NE(journalText.find("{ZefCustomerDisplay} Not exported call ZefCustomerDisplay for a supported option "
                             "[foCustomerDisplay]\r\n"),
            std::string::npos)
      << journalText;
  EXPECT_NE(journalText.find("{ZefMenuOperation} Not exported call FZefMenuOperation\r\n"), std::string::npos);
  EXPECT_NE(journalText.find("<~~ {ZefFiscalDocument} (ZEFOR-FINAL) = 4 ~~>"), std::string::npos);
}

TEST_F(DriverTest, ParametersGetTheProtocolVersion) {
  tZefJournal journal(log_);
  tZefDriver driver(journal, 11);
  driver.AdapterMinor = 58;
  EXPECT_EQ(driver.ParamsWithProtocolVersion("<P a=\"1\" ProtocolVersion=\"3\"/>", false),
            "<P a=\"1\" ProtocolVersion=\"58\"/>");
  EXPECT_EQ(driver.ParamsWithProtocolVersion("<P/>", true).substr(0, 38), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(driver.ParamsWithProtocolVersion("<P", false), "<P") << "unchanged when it cannot be parsed";
  log_.Flush();
  EXPECT_NE(Unstamped(path_).find("Bad parameters XML: "), std::string::npos);
}

}  // namespace
