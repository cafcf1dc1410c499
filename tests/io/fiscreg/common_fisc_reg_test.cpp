// The common fiscal register through the real exports and the parameter
// service stand-in: construction and the start banner, initialisation,
// operator questions and their records, error reports and texts.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "entry/exports.h"
#include "fiscreg_fixture.h"
#include "io/printer/fiscreg/operator_message.h"
#include "platform/platform.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "support/params_guard.h"
#include "xml/xmlexception.h"

namespace {

// A parameter service that keeps a copy of each operator message record and
// answers from a list.
struct CapturedRequest {
  int32_t Index;
  tOperatorMessageRecord Record;
  uint32_t CellIn;
};
std::vector<CapturedRequest> g_captured;
std::vector<int32_t> g_answers;
bool g_answerRecord = true;

uint8_t ZEF_STDCALL CapturingParams(const uint8_t* name, int32_t number, int32_t index, uint32_t* value,
                                    uint8_t* text, int32_t textSize) {
  if (!params_guard::Listed(name, number, index) || (index != -12 && index != -2 && index != -3)) return 0;
  CapturedRequest request{index, {}, *value};
  if (index == -12) std::memcpy(&request.Record, reinterpret_cast<void*>(uintptr_t(*value)), sizeof request.Record);
  g_captured.push_back(request);
  if (g_answers.empty()) return 0;
  int32_t answer = g_answers.front();
  if (index == -12) {
    if (!g_answerRecord) return 0;
    reinterpret_cast<tOperatorMessageRecord*>(uintptr_t(*value))->Answer = answer;
  } else {
    *value = uint32_t(answer);
  }
  g_answers.erase(g_answers.begin());
  return 1;
}

class CommonFiscRegTest : public FiscRegTest {
 protected:
  void Capture(std::vector<int32_t> answers, bool answerRecord = true) {
    g_captured.clear();
    g_answers = std::move(answers);
    g_answerRecord = answerRecord;
    HostParams::OverrideFunction(&CapturingParams);
  }
};

TEST_F(CommonFiscRegTest, ARotatedLogStartsWithTheBanner) {
  std::string old(tDeviceLog::kMaxFileSize, 'L');
  platform::WriteWholeFile(DeviceLogPath(1), old);
  for (int i = 1; i <= 7; ++i) platform::WriteWholeFile(dir_ + "dev2.tx" + std::to_string(i), "old " + std::to_string(i));
  int32_t handle = NewDevice(1);
  ASSERT_GT(handle, 0);
  Done(handle);  // flushes the log
  std::string tx1 = Read(dir_ + "dev2.tx1");
  EXPECT_EQ(tx1.substr(0, old.size()), old);
  EXPECT_NE(tx1.find("Initializing 17: \r\nInitialization successfully finished."), std::string::npos);
  for (int i = 2; i <= 7; ++i) EXPECT_EQ(Read(dir_ + "dev2.tx" + std::to_string(i)), "old " + std::to_string(i - 1));
  std::string log = Read(DeviceLogPath(1));
  EXPECT_TRUE(std::regex_match(
      log, std::regex("\r\nInitialized Scripted fiscal register #2 ver 17 \\d\\d\\.\\d\\d\\.\\d{4} "
                      "\\d\\d:\\d\\d:\\d\\d\r\n\r\n")))
      << log;
}

TEST_F(CommonFiscRegTest, AFailedInitialisationIsTriedAgainByTheNextExport) {
  tScriptedFiscReg::Script(0).PrepareFailures = 1;
  int32_t handle = NewDevice(0);
  ASSERT_GT(handle, 0) << "a register that is not initialised still gets its handle";
  EXPECT_FALSE(Reg(handle).IsInitialized());
  EXPECT_TRUE(tCommonFiscReg::AskOffline);
  EXPECT_EQ(Reg(handle).Calls, std::vector<std::string>{"PrepareToPrint"});
  EXPECT_EQ(NewGetFlags(handle), tScriptedFiscReg::kOptions);
  EXPECT_TRUE(Reg(handle).IsInitialized());
  EXPECT_EQ(Reg(handle).Calls.size(), 2u);
  EXPECT_EQ(NewGetFlags(handle), tScriptedFiscReg::kOptions);
  EXPECT_EQ(Reg(handle).Calls.size(), 2u) << "initialised once for the device's life";
}

TEST_F(CommonFiscRegTest, WaitingForTheRegisterRepeatsWithoutOfflineOffer) {
  tRegisterScript& script = tScriptedFiscReg::Script(0);
  script.WaitForFiscalRegister = true;
  script.PrepareFailures = 2;
  int32_t handle = NewDevice(0);
  EXPECT_TRUE(Reg(handle).IsInitialized());
  EXPECT_EQ(Reg(handle).Calls.size(), 3u);
  EXPECT_TRUE(tCommonFiscReg::AskOffline) << "restored after the initialisation";
  EXPECT_NE(DeviceLog(handle).find("Initialization successfully finished."), std::string::npos);
}

TEST_F(CommonFiscRegTest, AnsweredAbortOnAnInitialisedDeviceMeansNoRetry) {
  Params("[answers * 0]\nquestion = 3\n");
  LogLevel = 1;
  int32_t handle = NewDevice(0);
  tScriptedFiscReg& reg = Reg(handle);
  EXPECT_FALSE(reg.OfflineQuestion(true, "Paper jam"));
  std::string log = DeviceLog(handle);
  EXPECT_NE(log.find("err3651: Paper jam\r\n"), std::string::npos);
  EXPECT_NE(log.find("Show message to user, buttons: \"Retry\", \"Abort\"\r\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(log, std::regex("\\d\\d:\\d\\d:\\d\\d User choice: Abort\r\n"))) << log;
  EXPECT_NE(RequestLog().find("QUESTION Paper jam -> 3"), std::string::npos) << RequestLog();
  EXPECT_NE(ErrorLog().find("ERR 3651: Paper jam"), std::string::npos);
}

TEST_F(CommonFiscRegTest, RetryAndTheOtherAnswersOfAnInitialisedDevice) {
  Params("[answers * 0]\nquestion = 4 2 9\n");
  LogLevel = 1;
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  EXPECT_TRUE(reg.OfflineQuestion(true, "one"));
  EXPECT_FALSE(reg.OfflineQuestion(true, "two"));
  EXPECT_FALSE(reg.OfflineQuestion(true, "three"));
  std::string log = DeviceLog(1);
  EXPECT_NE(log.find(" User choice: Retry\r\n"), std::string::npos);
  EXPECT_NE(log.find(" User choice: Cancel (close form)\r\n"), std::string::npos);
  EXPECT_NE(log.find(" User choice: result=9\r\n"), std::string::npos);
}

TEST_F(CommonFiscRegTest, QuestionsCarryTheirButtonCodesInTheRecord) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  Capture({4, 4, 4, 4});
  EXPECT_FALSE(reg.OfflineQuestion(false, "only a message"));  // no retry without asking
  tCommonFiscReg::AskOffline = false;
  EXPECT_TRUE(reg.OfflineQuestion(true, "waiting"));
  tCommonFiscReg::AskOffline = true;
  EXPECT_TRUE(reg.OfflineQuestion(true, "online"));
  reg.ForgetInitialization();
  EXPECT_TRUE(reg.OfflineQuestion(true, "not yet"));
  ASSERT_EQ(g_captured.size(), 4u);
  const uint16_t expected[] = {4, 0x20, 0x30, 0x21};
  for (size_t i = 0; i < 4; ++i) {
    const tOperatorMessageRecord& r = g_captured[i].Record;
    EXPECT_EQ(g_captured[i].Index, -12);
    EXPECT_EQ(+r.Size, 791);
    EXPECT_EQ(+r.Kind, 1) << "shown as questions";
    EXPECT_EQ(+r.ButtonCode, expected[i]) << i;
    EXPECT_EQ(ShortStringValue(r.Caption), "%s#%d:");
    EXPECT_EQ(r.SecondText[0], 0);
    EXPECT_EQ(+r.One, 1);
    EXPECT_EQ(+r.MinusOne, -1);
    EXPECT_EQ(+r.Zero, 0);
  }
  EXPECT_EQ(ShortStringValue(g_captured[0].Record.Text), "only a message");
  EXPECT_EQ(ShortStringValue(g_captured[3].Record.Text), "not yet\r\nContinue work without fiscal register?");
}

TEST_F(CommonFiscRegTest, TheOlderRequestAnswersWhenTheRecordIsNotTaken) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  Capture({4}, false);
  EXPECT_TRUE(reg.OfflineQuestion(true, "legacy"));
  ASSERT_EQ(g_captured.size(), 2u);
  EXPECT_EQ(g_captured[1].Index, -3);
  EXPECT_EQ(g_captured[1].CellIn, (1u << 11) + 0x30);
  // Unanswered everywhere: 255, no retry.
  Capture({}, false);
  EXPECT_FALSE(reg.OfflineQuestion(true, "nobody"));
  EXPECT_EQ(g_captured.size(), 2u);
}

TEST_F(CommonFiscRegTest, TheStandInsOlderFormAndAMissingServiceAnswerToo) {
  Params("[answers * 0]\nform = legacy\nquestion = 4\n");
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  EXPECT_TRUE(reg.OfflineQuestion(true, "legacy form"));
  EXPECT_NE(RequestLog().find("QUESTION(legacy) -> 4"), std::string::npos) << RequestLog();
  HostParams::OverrideFunction(nullptr);
  EXPECT_FALSE(reg.OfflineQuestion(true, "no service"));
  EXPECT_EQ(OperatorMessage::Show(0, OperatorMessage::kMessage, "m", 4), 2);
  EXPECT_EQ(OperatorMessage::Show(0, OperatorMessage::kQuestion, "q", 4), 255);
}

TEST_F(CommonFiscRegTest, AnOfflineAnswerOfANewDeviceOffersWorkWithoutTheRegister) {
  Params("[answers * 0]\nquestion = 3\n");
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  reg.ForgetInitialization();
  EXPECT_FALSE(reg.OfflineQuestion(true, "No link"));
  EXPECT_NE(RequestLog().find("QUESTION No link\r\nContinue work without fiscal register? -> 3"), std::string::npos)
      << RequestLog();
}

TEST_F(CommonFiscRegTest, DeviceErrorReportsPickTheirCodeFromTheLastResult) {
  LogLevel = 0;
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  size_t mark = ErrorLogMark();
  reg.ReportDeviceError("plain", false, true);
  reg.LastRes = 7;
  reg.ReportDeviceError("device", false, false);
  reg.LastRes = 0;
  EXPECT_THROW(reg.ReportDeviceError("raised", true, false), ProcessErrorException);
  std::string errors = ErrorLogSince(mark);
  EXPECT_NE(errors.find("ERR 3663: Fiscal register " + HostParams::AdapterFileName() + " # 1: plain"),
            std::string::npos)
      << errors;
  EXPECT_NE(errors.find("ERR 3664: device"), std::string::npos);
  EXPECT_NE(errors.find("ERR 3651: raised"), std::string::npos);
  std::string log = DeviceLog(1);
  EXPECT_TRUE(std::regex_search(log, std::regex(" #1 err3663: plain\r\n")));
  EXPECT_TRUE(std::regex_search(log, std::regex(" #1 err3664: device\r\n")));
}

TEST_F(CommonFiscRegTest, ErrorTextsByCode) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  reg.LastError0Text = "all fine";
  EXPECT_EQ(reg.GetErrorText(0, 0), "all fine");
  EXPECT_EQ(reg.GetErrorText(-127, 5), "Command execution error 5");
  EXPECT_EQ(reg.GetErrorText(-127, 0), "Unknown command execution error");
  EXPECT_EQ(reg.GetErrorText(3, 5), "Connection error 3");
  reg.LastExecErrorText = "exec";
  EXPECT_EQ(reg.CurrentErrorText(), "all fine");
  reg.LastExecErrorCode = 1;
  EXPECT_EQ(reg.CurrentErrorText(), "exec");
}

TEST_F(CommonFiscRegTest, CheckAfterErrorKeepsSuccessAndStopsOnAnotherRegister) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  bool ok = true, handled = false;
  reg.CheckAfterError(ok, handled, "fine", 11, true);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(handled);
  EXPECT_EQ(reg.LastExecErrorCode, 0);

  ok = false;
  handled = false;
  reg.CheckAfterError(ok, handled, "quiet failure", 12, false);
  EXPECT_FALSE(handled) << "not asked: the caller decides";
  EXPECT_EQ(reg.LastExecErrorCode, 12);
  EXPECT_EQ(reg.LastExecErrorText, "quiet failure");

  // The operator wants a retry, but the register now has another identifier.
  Capture({4});
  reg.LastStateInfo.ExtID = "FR-OLD";
  size_t mark = ErrorLogMark();
  ok = false;
  handled = false;
  reg.CheckAfterError(ok, handled, "swapped", 13, true);
  EXPECT_TRUE(handled);
  EXPECT_FALSE(ok);
  EXPECT_NE(ErrorLogSince(mark).find("ERR 3655: Illegal fiscal external identifier \"FR-0001\" instead of \"FR-OLD\""),
            std::string::npos)
      << ErrorLogSince(mark);

  // Same register: the retry goes ahead.
  Capture({4});
  reg.LastStateInfo.ExtID = "FR-0001";
  ok = false;
  handled = false;
  reg.CheckAfterError(ok, handled, "retry", 14, true);
  EXPECT_FALSE(handled);
}

TEST_F(CommonFiscRegTest, ExtPrintDataRejectsMalformedXml) {
  int32_t handle = NewDevice(0);
  size_t mark = ErrorLogMark();
  EXPECT_EQ(ExtPrintData(handle, "<broken"), 0);
  EXPECT_NE(ErrorLogSince(mark).find("ExtPrinting: error parsing XML"), std::string::npos);
  EXPECT_EQ(ExtPrintData(handle, "<Doc/>"), 1) << "nothing asked to print";
  EXPECT_EQ(ExtPrintData(handle, "<Doc ToPrint=\"true\"><DataToPrint>Hello</DataToPrint></Doc>"), 1);
  EXPECT_NE(DeviceLog(handle).find("Printed 5 bytes"), std::string::npos);
}

TEST_F(CommonFiscRegTest, PrintPipelineLogsItsBytes) {
  int32_t handle = NewDevice(0);
  const uint8_t text[] = "Line one\r\n";
  size_t mark = ErrorLogMark();
  EXPECT_EQ(PrintingWithRes(handle, text, 10), 1);
  EXPECT_NE(ErrorLogSince(mark).find("ERR 51: Prn 0. EnterPrintMode started"), std::string::npos);
  EXPECT_NE(ErrorLogSince(mark).find("ERR 51: Prn 0. EnterPrintMode result=1"), std::string::npos);
  std::string log = DeviceLog(handle);
  EXPECT_TRUE(std::regex_search(log, std::regex("Printed \\d+ bytes\r\nPrinted \\d+ bytes, \\d+ ms\r\n"))) << log;
}

TEST_F(CommonFiscRegTest, StatusOfARegisterThatCannotInitialise) {
  tScriptedFiscReg::Script(0).PrepareFailures = 100;
  int32_t handle = NewDevice(0);
  TPrinterStatus status{};
  status.Size = kPrinterStatusSize;
  size_t mark = ErrorLogMark();
  GetStatus(handle, &status);
  EXPECT_EQ(status.Offline, 1);
  EXPECT_NE(ErrorLogSince(mark).find("Prn 0. Not initialized, offline."), std::string::npos);
}

TEST_F(CommonFiscRegTest, OnlineCheckTakesTheIdentifierRead) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  TPrinterStatus status{};
  reg.CheckOnline(status);
  EXPECT_EQ(status.Offline, 0);
  EXPECT_EQ(status.NotReady, 0);
  tScriptedFiscReg::Script(0).ExtIDFails = true;
  reg.CheckOnline(status);
  EXPECT_EQ(status.Offline, 1);
  EXPECT_EQ(status.CannotPrintUnfiscal, 1);
  EXPECT_EQ(status.NotReady, 1);
  EXPECT_NE(DeviceLog(1).find("Offline: Error in FiscGetExtID: no answer"), std::string::npos);
}

TEST_F(CommonFiscRegTest, OffOnAsksWithTheRussianText) {
  tScriptedFiscReg& reg = Reg(NewDevice(0));
  Capture({2});
  reg.DoOffOn();
  ASSERT_EQ(g_captured.size(), 1u);
  EXPECT_EQ(+g_captured[0].Record.Kind, 1);
  EXPECT_EQ(+g_captured[0].Record.ButtonCode, 4);
  EXPECT_EQ(ShortStringValue(g_captured[0].Record.Text),
            RussianText("Принтер не готов к печати. Выключите и \r\nвключите фискальный регистратор"));
}

TEST_F(CommonFiscRegTest, ExtIDExportKeepsTheLastSuccessfulAnswer) {
  int32_t handle = NewDevice(0);
  char id[256];
  uint8_t opened = 9;
  EXPECT_EQ(FiscGetExtID(handle, id, &opened), 1);
  EXPECT_STREQ(id, "FR-0001");
  EXPECT_EQ(opened, 1);
  tScriptedFiscReg::Script(0).ExtIDFails = true;
  EXPECT_EQ(FiscGetExtID(handle, id, &opened), 0);
  EXPECT_STREQ(id, "FR-0001");
}

}  // namespace

namespace {

TEST_F(CommonFiscRegTest, ZReportDataExportCopiesTheDocumentText) {
  int32_t handle = NewDevice(0);
  tScriptedFiscReg::Script(0).ZReportXml = "<ZReport Shift=\"4\"/>";
  char text[64];
  char* buffer = text;
  int32_t size = 5;
  EXPECT_EQ(GetZReportData(handle, &buffer, &size), 1);
  EXPECT_EQ(std::strlen(text), 5u) << "Size characters and a zero byte";
  ASSERT_GT(size, 5);
  EXPECT_EQ(GetZReportData(handle, &buffer, &size), 1);
  EXPECT_NE(std::string(text).find("<ZReport Shift=\"4\"/>"), std::string::npos) << text;

  tScriptedFiscReg::Script(0).ZReportThrows = true;
  size = 63;
  EXPECT_EQ(GetZReportData(handle, &buffer, &size), 0);
  EXPECT_EQ(size, 0);
  EXPECT_NE(DeviceLog(handle).find("GetZReportData exception\r\n"), std::string::npos);
}

}  // namespace
