// Result codes: their texts, the driver result object, and what a failed
// call leaves in the journal and the operator dialogs.
#include "common/zef_codes.h"
#include "common/zef_result.h"
#include "zefor_fixture.h"

namespace {

TEST(ZefCodes, EveryClassHasItsTextAndOthersAreUnknown) {
  EXPECT_STREQ(ZefCodes::CodeText(0), "OK");
  EXPECT_STREQ(ZefCodes::CodeText(4), "Driver function is not supported by the fiscal register");
  EXPECT_STREQ(ZefCodes::CodeText(9), "External printing error");
  EXPECT_STREQ(ZefCodes::CodeText(101), "Device is not ready to receive command. Timeout expired");
  EXPECT_STREQ(ZefCodes::CodeText(106), "Internal error");
  EXPECT_STREQ(ZefCodes::CodeText(205), "Shift Already Opened");
  EXPECT_STREQ(ZefCodes::CodeText(303),
               "Error in the XML data (ZefFiscalDocument | ZefUnfiscalPrint | ZefCustomerDisplay)");
  EXPECT_STREQ(ZefCodes::CodeText(304), "The insufficient size of the buffer to receive data");
  for (int32_t code : {-1, 10, 100, 107, 199, 206, 300, 305, 1000})
    EXPECT_STREQ(ZefCodes::CodeText(code), "Unknown error") << code;
}

TEST(ZefGenericResult, ConnectionErrorsMapToResultCodes) {
  TZef_Generic_Result r;
  const std::pair<int32_t, int32_t> cases[] = {{-100, 102}, {-9, 102}, {-7, 102}, {-10, 4}, {-8, 105}, {-6, 105},
                                               {-5, 103},   {-4, 101}, {-3, 101}, {-2, 101}, {-1, 6}};
  for (auto [error, expected] : cases) {
    r.ConnectionError = error;
    int32_t code = -1;
    bool decided = false;
    EXPECT_EQ(r.GetResultCode(false, code, decided), expected) << error;
    EXPECT_TRUE(decided);
  }
  r.ConnectionError = -11;
  int32_t code = -1;
  bool decided = true;
  EXPECT_EQ(r.GetResultCode(false, code, decided), 0);
  EXPECT_FALSE(decided);
  EXPECT_EQ(r.GetResultCode(true, code, decided), 0);
  EXPECT_TRUE(decided) << "ignored";
}

TEST(ZefGenericResult, SetErrorFormatsTheTextOfItsKind) {
  TZef_Generic_Result r;
  int32_t result = 0;
  r.SetError(TZef_Generic_Result::ekXml, -2, "Items", result, "Price", "Item");
  EXPECT_EQ(result, 303);
  EXPECT_EQ(r.ErrorMessage, "XML: Undefined value for attribute \"Price\" of the element <Item>");
  EXPECT_EQ(r.ErrorKind(), 3);
  r.SetError(TZef_Generic_Result::ekLogic, -3, "Pay", result, 7);
  EXPECT_EQ(result, 200);
  EXPECT_EQ(r.ErrorMessage, "Incorrect code for pay type: 7");
  EXPECT_EQ(r.XmlError, 0) << "the error group is cleared first";
  r.SetError(TZef_Generic_Result::ekConnection, -55, "Port", result);
  EXPECT_EQ(r.ErrorMessage, "Undocumented error");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(r.WarningText(2), "Current change exceeds 23 hours");
  EXPECT_EQ(r.WarningText(3), "Undocumented warning");
  TZef_Generic_Result copy;
  copy.Assign(&r);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.ConnectionError, -55);
  EXPECT_EQ(copy.Context, "Port");
  int32_t out = 0;
  EXPECT_FALSE(copy.CheckCode(5, out));
  EXPECT_EQ(out, 5);
  EXPECT_THROW(r.SetError(9, -1, "x", result), std::logic_error) << "no such kind";
}

class Results : public ZeforTest {
 protected:
  // The journal lines holding `marker` written since the last look.
  Lines NewLines(const std::string& marker) {
    const Lines lines = JournalLines(marker);
    Lines added(lines.begin() + std::min(seen_, lines.size()), lines.end());
    seen_ = lines.size();
    return added;
  }
  size_t seen_ = 0;
};

TEST_F(Results, FailedCallsFillTheLastResultFieldsByClass) {
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  const std::pair<int32_t, const char*> cases[] = {
      {150, "(LastRes = 150, LastExecErrorCode = 0, LastExecErrorText = Error (150). Unknown error) = FALSE"},
      {250, "(LastRes = 0, LastExecErrorCode = 250, LastExecErrorText = Error (250). Unknown error) = FALSE"},
      {301, "(LastRes = 0, LastExecErrorCode = 301, LastExecErrorText = Error (301). The mismatch between the "
            "amount of goods and payments in check, LastError0Text = Error (301). The mismatch between the amount "
            "of goods and payments in check) = FALSE"},
      {204, "(LastRes = 0, LastExecErrorCode = 204, LastExecErrorText = Error (204). Bad device answer format) = FALSE"},
      {203, "(LastRes = 0, LastExecErrorCode = 203, LastExecErrorText = Error (203). End of paper while printing "
            "(0x0A): ) = FALSE"},
      {101, "(LastRes = 101, LastExecErrorCode = 0, LastExecErrorText = Error (101). Device is not ready to "
            "receive command. Timeout expired) = FALSE"},
  };
  const std::string marker = "{CreateResult}[ZefGetStatus] ";
  NewLines(marker);
  for (auto [code, line] : cases) {
    WriteEmulator("logic_code = 10\nfault = ZefGetStatus " + std::to_string(code));
    size_t asked = Calls("ZefGetLastLogicError").size();
    EXPECT_EQ(adapter_.FiscGetExtID(1, nullptr, nullptr), 0) << code;
    EXPECT_EQ(NewLines(marker), Lines{marker + line}) << code;
    EXPECT_EQ(Calls("ZefGetLastLogicError").size() - asked, code == 203 ? 1u : 0u) << code;
  }
  WriteEmulator("logic_code = 33\nlogic_utf8 = Бумага\nfault = ZefGetStatus 202");
  EXPECT_EQ(adapter_.FiscGetExtID(1, nullptr, nullptr), 0);
  EXPECT_EQ(NewLines(marker),
            Lines{marker + "(LastRes = 0, LastExecErrorCode = 202, LastExecErrorText = Error (202). Printing was "
                           "interrupted: device is not ready (0x21): \xC1\xF3\xEC\xE0\xE3\xE0) = FALSE"})
      << "the driver's UTF-8 text in the thread locale's code page (Windows-1251 here)";
  WriteEmulator("");
  EXPECT_EQ(adapter_.FiscGetExtID(1, nullptr, nullptr), 1) << "recovered";
}

TEST_F(Results, InitialisationErrorEndsTheCreationWhenWaiting) {
  WriteEmulator("fault = ZefInitXML 302");
  WriteParams(Device(0));
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), -1);
  const char text[] = "Initialization error: emulator.so: Error (302). Error in the XML data for initialization (ZefInit)";
  EXPECT_EQ(JournalLines("{IsInitError}"), Lines{std::string("{IsInitError} err3614 = ") + text});
  EXPECT_EQ(LinesWith(Read("requests.log"), "MESSAGE", "\n"), Lines{std::string("MESSAGE ") + text + " -> 2"});
  WriteEmulator("");
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1) << "recovers when the fault is gone";
}

TEST_F(Results, ConnectionErrorIsRetriedWhileWaitingForTheRegister) {
  WriteEmulator("fault = ZefGetStatus 103 1");
  WriteParams(Device(0));
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_EQ(Calls("ZefInitXML").size(), 2u);
  EXPECT_TRUE(Contains(Read("requests.log"), "QUESTION ")) << Read("requests.log");
  EXPECT_EQ(JournalLines("PrepareToPrint"),
            (Lines{">>> PrepareToPrint (ZEFOR-ENTRY) <<<", "<<< {PrepareToPrint} (ZEFOR-FINAL) = TRUE >>>"}))
      << "the retry is inside the one preparation";
}

TEST_F(Results, WithoutWaitingTheDeviceWorksOfflineAndRecovers) {
  WriteEmulator("fault = ZefInitXML 103");
  WriteParams(Device(0, "6 = 0"));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_TRUE(Contains(Read("requests.log"), "QUESTION ")) << Read("requests.log");
  EXPECT_EQ(JournalLines("PrepareToPrint"),
            (Lines{">>> PrepareToPrint (ZEFOR-ENTRY) <<<", "<<< {PrepareToPrint} (ZEFOR-FINAL) = FALSE >>>"}));
  EXPECT_EQ(Status(1).Offline, 1);
  EXPECT_EQ(adapter_.FiscGetExtID(1, nullptr, nullptr), 0);
  WriteEmulator("");
  EXPECT_EQ(Status(1).Offline, 0);
  EXPECT_EQ(adapter_.FiscGetExtID(1, nullptr, nullptr), 1);
}

}  // namespace
