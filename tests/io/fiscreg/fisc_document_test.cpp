// The fiscal document call through the real FiscDocument export: the
// record copied in and out, the routing of every kind, the counters, the
// debug lines, the saved input data and bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "entry/exports.h"
#include "fiscreg_fixture.h"
#include "io/printer/fiscreg/fisc_document.h"
#include "platform/platform.h"
#include "posdata/pdsource.h"
#include "xml/base64.h"
#include "xml/xmlexception.h"

namespace {

class FiscDocumentTest : public FiscRegTest {
 protected:
  void SetUp() override {
    FiscRegTest::SetUp();
    handle_ = NewDevice(0);
    ASSERT_EQ(handle_, 1);
    reg_ = &Reg(handle_);
    reg_->Calls.clear();
  }
  tRegisterScript& Script() { return tScriptedFiscReg::Script(0); }
  // The calls of the register that are documents (not the counter reads).
  std::vector<std::string> DocumentCalls() const {
    std::vector<std::string> calls;
    for (const std::string& c : reg_->Calls)
      if (c != "FiscGetExtID" && c != "CheckFillState") calls.push_back(c);
    return calls;
  }
  bool LeftNoState() const {
    return reg_->DeviceLock.EntryCount.load() == 0 && (!reg_->HasPosData() || reg_->PosData().DataSets.empty());
  }
  // A register that knows its open shift, identifier and counters.
  void KnownOpenShift() {
    reg_->LastStateInfo.FiscShift = 12;
    reg_->LastStateInfo.ShiftOpened = true;
    reg_->LastStateInfo.ExtID = "FR-0001";
  }

  int32_t handle_ = 0;
  tScriptedFiscReg* reg_ = nullptr;
};

TEST_F(FiscDocumentTest, ARecordOf300BytesGetsExactly296BytesBack) {
  // The same document on a second register with the same state and a full
  // record tells what the short one must hold.
  KnownOpenShift();
  tScriptedFiscReg::Script(1) = Script();
  int32_t twin = NewDevice(1);
  Reg(twin).LastStateInfo = reg_->LastStateInfo;
  DocRecord full(fdXReport);
  ASSERT_EQ(full.Call(twin), 1);
  DocRecord shortRecord(fdXReport, 300, 0xAB);
  ASSERT_EQ(shortRecord.Call(handle_), 1);
  int32_t size;
  std::memcpy(&size, shortRecord.bytes.data(), 4);
  EXPECT_EQ(size, 300);
  EXPECT_EQ(std::vector<uint8_t>(shortRecord.bytes.begin() + 4, shortRecord.bytes.begin() + 300),
            std::vector<uint8_t>(full.bytes.begin() + 4, full.bytes.begin() + 300));
  for (size_t i = 300; i < shortRecord.bytes.size(); ++i) ASSERT_EQ(shortRecord.bytes[i], 0xAB) << "byte " << i;
  EXPECT_EQ(shortRecord.PrinterID(), "FR-0001");
  EXPECT_EQ(+shortRecord.Info().FiscShiftNum, 12);
}

TEST_F(FiscDocumentTest, ARecordClaiming1000BytesGets592BytesBack) {
  DocRecord record(fdXReport, 1000, 0xCD);
  std::memset(record.bytes.data() + kFiscDocInfoSize, 0xCD, record.bytes.size() - kFiscDocInfoSize);
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_EQ(+record.Info().Size, 1000);
  EXPECT_EQ(+record.Info().FiscShiftNum, 12);
  EXPECT_EQ(+record.Info().OFDOldestUnsent, 0) << "only receipts return the OFD counters";
  for (size_t i = kFiscDocInfoSize; i < record.bytes.size(); ++i) ASSERT_EQ(record.bytes[i], 0xCD) << "byte " << i;
}

TEST_F(FiscDocumentTest, TinyAndNegativeSizesWriteNothingBeyondTheSize) {
  DocRecord tiny(fdXReport, 4, 0xEE);
  std::vector<uint8_t> before = tiny.bytes;
  tiny.Call(handle_);
  EXPECT_EQ(tiny.bytes, before);
  DocRecord negative(fdXReport, -5, 0xEE);
  before = negative.bytes;
  negative.Call(handle_);
  EXPECT_EQ(negative.bytes, before);
  DocRecord kindOnly(fdXReport, 5, 0xEE);
  kindOnly.Call(handle_);
  EXPECT_EQ(kindOnly.bytes[4], fdXReport);
  EXPECT_EQ(kindOnly.bytes[5], 0xEE);
}

TEST_F(FiscDocumentTest, AnInvalidHandleLeavesIllegalHandleAndNothingElse) {
  DocRecord record(fdFiscCheck);
  record.WithData(SaleStream());
  std::vector<uint8_t> before = record.bytes;
  EXPECT_EQ(record.Call(5), 0);
  EXPECT_EQ(record.ErrorText(), "Illegal handle");
  std::memcpy(before.data() + offsetof(TFiscDocInfo, ErrorText), record.bytes.data() + offsetof(TFiscDocInfo, ErrorText), 15);
  EXPECT_EQ(record.bytes, before);
  EXPECT_FALSE(platform::FileExists(tFiscDocumentCall::kErrorInputFile));
}

TEST_F(FiscDocumentTest, KindsWithoutADocumentAnswerFalseWithTheCounters) {
  KnownOpenShift();
  for (uint8_t kind : {fdUnfiscal, fdProgram, fdTextInReceipt, fdBarcodes, fdZClearMoney, fdTextOpenShift}) {
    DocRecord record(kind);
    record.WithData(SaleStream());
    EXPECT_EQ(record.Call(handle_), 0) << int(kind);
    EXPECT_EQ(record.PrinterID(), "FR-0001");
    EXPECT_EQ(+record.Info().ShiftOpened, 1);
    EXPECT_EQ(+record.Info().FiscShiftNum, 12);
    EXPECT_EQ(record.ErrorText(), "");
  }
  EXPECT_TRUE(DocumentCalls().empty());
  EXPECT_FALSE(platform::FileExists(tFiscDocumentCall::kErrorInputFile));
}

struct RouteCase {
  uint8_t Kind;
  int32_t SubType;
  const char* Call;
  bool OrderDocument;
};

TEST_F(FiscDocumentTest, EveryKindReachesItsOperation) {
  const RouteCase cases[] = {
      {fdFiscCheck, 0, "PrintFiscCheck 1 sale [T] datasets=", false},
      {fdDeleteCheck, 0, "PrintFiscCheck 2 reverse [T] datasets=", false},
      {fdCashInOut, 0, "MoneyInOut datasets=", false},
      {fdXReport, 0, "PrintXReport datasets=0", false},
      {fdSpecialReport, 21, "PrintXReport datasets=0", false},
      {fdSpecialReport, 26, "PrintFullLastShift datasets=0", false},
      {fdFullLastShift, 0, "PrintFullLastShift datasets=0", false},
      {fdCollectCash, 0, "CollectAllCash datasets=", false},
      {fdFiscReturn, 0, "PrintFiscCheck 15 reverse [T] datasets=", false},
      {fdDeleteReturn, 0, "PrintFiscCheck 16 sale [T] datasets=", false},
      {fdBill, 0, "PrintBill [T] datasets=", true},
      {fdFillOrder, 0, "PrintOrder datasets=", true},
      {fdVoids, 0, "PrintOrder datasets=", true},
      {fdCloseOrder, 0, "PrintOrder datasets=", true},
      {fdUndoBill, 0, "PrintBill undo [T] datasets=", true},
      {fdCreateOrder, 0, "PrintOrder datasets=", true},
      {fdCancelOrder, 0, "PrintFiscCheck 24 sale [T] datasets=", false},
  };
  std::string stream = SaleStream();
  for (const RouteCase& c : cases) {
    reg_->Calls.clear();
    DocRecord record(c.Kind);
    record.WithData(stream).WithToPrint("T");
    record.Info().SubType = c.SubType;
    EXPECT_EQ(record.Call(handle_), 1) << int(c.Kind);
    std::vector<std::string> calls = DocumentCalls();
    ASSERT_EQ(calls.size(), 1u) << int(c.Kind);
    EXPECT_EQ(calls[0].substr(0, std::strlen(c.Call)), c.Call) << int(c.Kind);
    EXPECT_EQ(reg_->EffectiveSettings.OrderDocument, c.OrderDocument ? 1 : 0) << int(c.Kind);
    EXPECT_EQ(reg_->RequestedSettings.OrderDocument, 0);
    EXPECT_TRUE(LeftNoState()) << int(c.Kind);
  }
}

TEST_F(FiscDocumentTest, TheDatasetsAreLoadedForTheDocumentAndClearedAfterIt) {
  DocRecord record(fdFiscCheck);
  record.WithData(SaleStream());
  ASSERT_EQ(record.Call(handle_), 1);
  ASSERT_EQ(DocumentCalls().size(), 1u);
  EXPECT_EQ(DocumentCalls()[0], "PrintFiscCheck 1 sale [] datasets=6");
  EXPECT_TRUE(LeftNoState());
}

TEST_F(FiscDocumentTest, ASpecialReportPassesItsDataAsText) {
  DocRecord record(fdSpecialReport);
  record.WithData("report data");
  record.Info().SubType = 3;
  EXPECT_EQ(record.Call(handle_), 1);
  EXPECT_EQ(DocumentCalls(), std::vector<std::string>{"PrintAnyReport 3 [report data] datasets=0"});
}

TEST_F(FiscDocumentTest, FlagsAreTakenAsSettingsAndNameModeForTheCall) {
  SetNameLookupMode(0x100);
  DocRecord record(fdFiscCheck);
  record.WithData(SaleStream());
  record.Info().Flags = fdfUseAltNames | fdfVoided | fdfPrintChange;
  ASSERT_EQ(record.Call(handle_), 1);
  const tDocSettings& s = reg_->RequestedSettings;
  EXPECT_EQ(s.UseAltNames, 1);
  EXPECT_EQ(s.Voided, 1);
  EXPECT_EQ(s.PrintChange, 1);
  EXPECT_EQ(s.SummaryOnly + s.SeparateDiscounts + s.UseTaxDishType + s.PrintDish0Price + s.OrderDocument, 0);
  EXPECT_EQ(std::memcmp(&reg_->EffectiveSettings, &reg_->RequestedSettings, sizeof(tDocSettings)), 0);
  EXPECT_EQ(NameLookupMode(), 0x100u) << "restored after the call";
}

TEST_F(FiscDocumentTest, DebugLinesAtLevelThree) {
  LogLevel = 3;
  std::string stream = SaleStream();
  DocRecord record(fdFiscCheck);
  record.WithData(stream).WithToPrint("Hello");
  record.Info().Flags = 0x21F;
  record.Info().DocTypeIdent = 9;
  record.Info().SubType = 2;
  ASSERT_EQ(record.Call(handle_), 1);
  std::string log = DeviceLog(handle_);
  const std::string stamp = R"(\[\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d\] \[DBG\] )";
  EXPECT_TRUE(std::regex_search(log, std::regex(stamp + "FiscDocInfo: <\\?xml version=\"1.0\" encoding=\"utf-8\"\\?>")))
      << log;
  EXPECT_NE(log.find("<FiscDocInfo DocTypeName=\"Print Fiscal Receipt\" DocType=\"1\" DocSubType=\"2\" "
                     "DocTypeIdent=\"9\" Flags=\"543\" FlagsStr=\"0x21f, fdfSummaryOnly, fdfSeparateDiscount, "
                     "fdfUseTaxDishType, fdfPrintChange, fdfPrintDish0Price, fdXXX=0x200\"/>"),
            std::string::npos)
      << log;
  EXPECT_TRUE(std::regex_search(log, std::regex(stamp + "ToPrint:\\(5\\) SGVsbG8=\r\n"))) << log;
  EXPECT_NE(log.find("] [DBG] Dataset:(" + std::to_string(stream.size()) + ") " + Base64Encode(stream) + "\r\n"),
            std::string::npos);
}

TEST_F(FiscDocumentTest, FlagsText) {
  EXPECT_EQ(FiscDocFlagsStr(0x21F),
            "0x21f, fdfSummaryOnly, fdfSeparateDiscount, fdfUseTaxDishType, fdfPrintChange, fdfPrintDish0Price, "
            "fdXXX=0x200");
  EXPECT_EQ(FiscDocFlagsStr(0), "0x0");
  EXPECT_EQ(FiscDocFlagsStr(0x1C0), "0x1c0, fdfAdvance, fdfTRAINING, fdfVoided");
  EXPECT_EQ(FiscDocFlagsStr(-1), "0xffffffff, fdfSummaryOnly, fdfSeparateDiscount, fdfUseTaxDishType, "
                                 "fdfPrintChange, fdfPrintDish0Price, fdfUseAltNames, fdfAdvance, fdfTRAINING, "
                                 "fdfVoided, fdXXX=0xfffffe00");
}

TEST_F(FiscDocumentTest, AFailedReceiptSavesItsInputAndAnswersTheError) {
  Script().DocumentResult = false;
  Script().FailLastRes = 5;
  Script().FailExecCode = 7;
  Script().FailText = "Paper out";
  std::string stream = SaleStream();
  DocRecord record(fdFiscCheck);
  record.WithData(stream);
  size_t mark = ErrorLogMark();
  EXPECT_EQ(record.Call(handle_), 0);
  EXPECT_EQ(+record.Info().ErrorCode, 5);
  EXPECT_EQ(+record.Info().LogicError, 7);
  EXPECT_EQ(record.ErrorText(), "Paper out");
  EXPECT_EQ(Read(dir_ + tFiscDocumentCall::kErrorInputFile), stream);
  EXPECT_FALSE(platform::FileExists(tFiscDocumentCall::kExceptInputFile));
  std::string errors = ErrorLogSince(mark);
  EXPECT_NE(errors.find("LOG0 Error input data saved to FRErrorInputData.log"), std::string::npos) << errors;
  EXPECT_NE(errors.find("ERR 51: Prn 1. Operation=Print Fiscal Receipt. Data size " + std::to_string(stream.size()) +
                        " bytes. To print 0 bytes."),
            std::string::npos);
  EXPECT_NE(errors.find("ERR 51: Prn 1. FiscShiftNum=0, CheckNum=0, DocNum=0. Result=0. PrinterID="),
            std::string::npos)
      << errors;
  EXPECT_TRUE(LeftNoState());
}

TEST_F(FiscDocumentTest, CountersComeFromTheLastStateOfAKnownOpenShift) {
  KnownOpenShift();
  DocRecord record(fdFiscCheck);
  record.WithData(SaleStream());
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_EQ(+record.Info().CheckNum, 51);
  EXPECT_EQ(+record.Info().DocNum, 101);
  EXPECT_EQ(+record.Info().OFDUnsentCount, 3);
  EXPECT_EQ(+record.Info().OFDOldestUnsent, 77);
  EXPECT_EQ(+record.Info().FiscShiftNum, 12);
  EXPECT_EQ(+record.Info().ShiftOpened, 1);
  EXPECT_EQ(record.PrinterID(), "FR-0001");
  ASSERT_EQ(reg_->FillRequests.size(), 1u);
  EXPECT_TRUE(reg_->FillRequests[0].DocNum);
  EXPECT_TRUE(reg_->FillRequests[0].CheckNum);
  EXPECT_FALSE(reg_->FillRequests[0].ShiftAgeCheck);
  EXPECT_FALSE(reg_->FillRequests[0].SaledValue);
  for (const std::string& c : reg_->Calls) EXPECT_NE(c, "FiscGetExtID") << "a known identifier is not read again";
}

TEST_F(FiscDocumentTest, ATabooPaymentInAKnownOpenShiftRefreshesNothing) {
  KnownOpenShift();
  Script().TabooPayment = true;
  DocRecord record(fdFiscCheck);
  record.WithData(SaleStream());
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_TRUE(reg_->FillRequests.empty());
  EXPECT_EQ(+record.Info().CheckNum, 0);
}

TEST_F(FiscDocumentTest, AnUnknownShiftIsAlwaysRefreshedAndANewIdentifierLogged) {
  LogLevel = 1;
  reg_->LastStateInfo = tLastStateInfo();
  reg_->LastStateInfo.ExtID = "FR-OLD";
  DocRecord record(fdXReport);
  record.Info().DocNum = 5;
  ASSERT_EQ(record.Call(handle_), 1);
  ASSERT_EQ(reg_->FillRequests.size(), 1u);
  EXPECT_FALSE(reg_->FillRequests[0].DocNum) << "the POS knew the document number";
  EXPECT_EQ(+record.Info().DocNum, 0) << "other kinds take the last state's number";
  EXPECT_EQ(+record.Info().FiscShiftNum, 12);

  // Kind 7 reads the identifier again.
  DocRecord next(fdGetNextDocNum);
  ASSERT_EQ(next.Call(handle_), 1);
  EXPECT_EQ(+next.Info().DocNum, 101);
  EXPECT_EQ(+next.Info().CheckNum, 51);
  EXPECT_EQ(+next.Info().SaledValue, 123456);
  EXPECT_NE(DeviceLog(handle_).find(RussianText("Идентификатор аппарата: старый  новый FR-0001")), std::string::npos);
}

TEST_F(FiscDocumentTest, CounterRefreshAsksForEverything) {
  DocRecord record(fdGetNextDocNum);
  record.Info().ShiftCloseFlag = 1;
  record.Info().SubType = 1;
  ASSERT_EQ(record.Call(handle_), 1);
  ASSERT_EQ(reg_->FillRequests.size(), 1u);
  const tFillRequest& r = reg_->FillRequests[0];
  EXPECT_TRUE(r.DocNum && r.CheckNum && r.SaledValue);
  EXPECT_FALSE(r.ShiftAgeCheck) << "the negation of ShiftCloseFlag";
  EXPECT_EQ(+record.Info().SaledValue, 123456);
  for (const std::string& c : reg_->Calls) EXPECT_NE(c, "FiscGetExtID") << "sub-kind 1 keeps the identifier";

  Script().ExtIDFails = true;
  DocRecord failing(fdGetNextDocNum);
  EXPECT_EQ(failing.Call(handle_), 0);
  EXPECT_EQ(failing.ErrorText(), "no answer");
  EXPECT_EQ(+failing.Info().ErrorCode, -1);
}

TEST_F(FiscDocumentTest, ShiftCloseHandsTheZReportText) {
  LogLevel = 1;
  Script().ZReportXml = "<ZReport Shift=\"12\"><Total>100</Total></ZReport>";
  DocRecord record(fdCloseShift);
  record.Info().SubType = 1;
  record.Info().Flags = fdfPrintDish0Price;
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_EQ(+record.Info().ShiftCloseFlag, 1);
  const char* text = reinterpret_cast<const char*>(uintptr_t(record.Info().ZReportXml));
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(text).find("<ZReport Shift=\"12\">"), std::string::npos) << text;
  EXPECT_NE(DeviceLog(handle_).find("<ZReport Shift=\"12\">"), std::string::npos);
  EXPECT_NE(std::find(reg_->Calls.begin(), reg_->Calls.end(), "CloseDay true"), reg_->Calls.end());
  EXPECT_EQ(+record.Info().FiscShiftNum, 13) << "the new shift number was read after the close";

  // The next call clears the text.
  DocRecord after(fdXReport);
  after.Call(handle_);
  EXPECT_STREQ(reinterpret_cast<const char*>(uintptr_t(after.Info().ZReportXml)), "");
}

TEST_F(FiscDocumentTest, AZReportFailureDoesNotStopTheClose) {
  Script().ZReportThrows = true;
  size_t mark = ErrorLogMark();
  DocRecord record(fdCloseShift);
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_NE(std::find(reg_->Calls.begin(), reg_->Calls.end(), "CloseDay false"), reg_->Calls.end());
  EXPECT_NE(ErrorLogSince(mark).find("ERR 3664: Fiscal register Z-report data unreadable # 1 exception on GetZReportData"),
            std::string::npos)
      << ErrorLogSince(mark);
  EXPECT_STREQ(reinterpret_cast<const char*>(uintptr_t(record.Info().ZReportXml)), "");
}

TEST_F(FiscDocumentTest, AReceiptCopyTakesItsNumberFromPrintChecks) {
  std::string stream = StreamOf(
      "resource PDDATA\nsource PDS version=1\n\ndataset PrintChecks\ncolumn PrintNumber integer\nrow 4711\n");
  KnownOpenShift();
  DocRecord record(fdCheckCopy);
  record.WithData(stream).WithToPrint("copy");
  record.Info().CheckNum = 99;
  ASSERT_EQ(record.Call(handle_), 1);
  EXPECT_EQ(DocumentCalls(), std::vector<std::string>{"PrintCheckCopy 4711 [copy] datasets=1"});
  EXPECT_EQ(+record.Info().CheckNum, 4711);

  DocRecord missing(fdCheckCopy);
  missing.WithData(SaleStream());
  EXPECT_EQ(missing.Call(handle_), 0);
  EXPECT_EQ(missing.ErrorText(), "Unknown dataset \"PrintChecks\"");
  EXPECT_NE(Read(dir_ + tFiscDocumentCall::kExceptInputFile), "");
  EXPECT_TRUE(LeftNoState());
}

TEST_F(FiscDocumentTest, ARegisterThatCannotInitialiseAnswersFalse) {
  DONEDLL();
  Script().PrepareFailures = 100;
  handle_ = NewDevice(0);
  std::string stream = SaleStream();
  DocRecord record(fdFiscCheck);
  record.WithData(stream);
  std::vector<uint8_t> before = record.bytes;
  EXPECT_EQ(record.Call(handle_), 0);
  EXPECT_EQ(record.ErrorText(), "Illegal handle");
  std::memcpy(before.data() + offsetof(TFiscDocInfo, ErrorText), record.bytes.data() + offsetof(TFiscDocInfo, ErrorText), 15);
  EXPECT_EQ(record.bytes, before) << "the record comes back as it was given";
  EXPECT_EQ(Read(dir_ + tFiscDocumentCall::kErrorInputFile), stream);
}

// Each bad input ends the call with false and a reason, releases the device
// and leaves nothing behind; the next document works.
class BadInputTest : public FiscDocumentTest {
 protected:
  void ExpectCleanFailure(DocRecord& record, const std::string& reason) {
    size_t mark = ErrorLogMark();
    EXPECT_EQ(record.Call(handle_), 0);
    EXPECT_NE(record.ErrorText(), "Illegal handle");
    EXPECT_NE(record.ErrorText().find(reason), std::string::npos) << record.ErrorText();
    EXPECT_EQ(+record.Info().Size, kFiscDocInfoSize);
    EXPECT_TRUE(LeftNoState());
    EXPECT_EQ(NameLookupMode(), 0u);
    if (record.Info().Kind <= kLastFiscDocKind) {
      EXPECT_NE(ErrorLogSince(mark).find("exception on FiscDocument"), std::string::npos) << ErrorLogSince(mark);
    }
    DocRecord next(fdFiscCheck);
    next.WithData(SaleStream());
    EXPECT_EQ(next.Call(handle_), 1) << "the device works after " << reason;
    EXPECT_TRUE(LeftNoState());
  }
};

TEST_F(BadInputTest, NullDataWithAPositiveSize) {
  DocRecord record(fdFiscCheck);
  record.Info().Data = 0;
  record.Info().DataSize = 100;
  ExpectCleanFailure(record, "without data");
  EXPECT_TRUE(platform::FileExists(tFiscDocumentCall::kExceptInputFile));
  EXPECT_EQ(Read(dir_ + tFiscDocumentCall::kExceptInputFile), "") << "nothing can be read from no data";
}

TEST_F(BadInputTest, ANegativeDataSize) {
  std::string stream = SaleStream();
  DocRecord record(fdFiscCheck);
  record.WithData(stream);
  record.Info().DataSize = -1;
  ExpectCleanFailure(record, "Illegal datasets size -1");
}

TEST_F(BadInputTest, ATruncatedDatasetsStream) {
  std::string stream = SaleStream();
  DocRecord record(fdFiscReturn);
  record.WithData(stream.substr(0, stream.size() / 2));
  ExpectCleanFailure(record, "");
  EXPECT_EQ(Read(dir_ + tFiscDocumentCall::kExceptInputFile), stream.substr(0, stream.size() / 2));
}

TEST_F(BadInputTest, AnUnknownKind) {
  DocRecord record(25);
  record.WithData(SaleStream());
  ExpectCleanFailure(record, "Unknown document kind 25");
  DocRecord highest(255);
  ExpectCleanFailure(highest, "Unknown document kind 255");
}

TEST_F(BadInputTest, ADocumentThatThrows) {
  Script().DocumentThrows = true;
  std::string stream = SaleStream();
  DocRecord record(fdFiscCheck);
  record.WithData(stream);
  EXPECT_EQ(record.Call(handle_), 0);
  EXPECT_NE(record.ErrorText().find("scripted failure in PrintFiscCheck"), std::string::npos) << record.ErrorText();
  EXPECT_EQ(Read(dir_ + tFiscDocumentCall::kExceptInputFile), stream);
  EXPECT_TRUE(LeftNoState());
  Script().DocumentThrows = false;
  DocRecord next(fdFiscCheck);
  next.WithData(stream);
  EXPECT_EQ(next.Call(handle_), 1);
}

}  // namespace
