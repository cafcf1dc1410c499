// Cash documents, shift reports, the Z-report data and the register's day,
// end to end: FiscDocument and the other exports on the strict emulator, the
// documents it received compared whole with hand-written files, its tape,
// its own counters and the cash in its drawer after every operation.
#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>

#include "receipt_fixture.h"

namespace {

const char kOptions[] =
    "options = foZReport foXReport foMoneyInOut foAllMoneyOut foSpecialReport foFullLastShift foReturnReceipt "
    "foAbsItemDiscount foCalcChange\n";
const char kZTitle[] = "ОТЧЁТ О ЗАКРЫТИИ СМЕНЫ";

// "key = value" lines of the emulator's state file.
std::map<std::string, std::string> StateOf(const std::string& text) {
  std::map<std::string, std::string> state;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find(" = ");
    if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 3);
  }
  return state;
}

// The sum of a "type:amount ..." list, or of the entries `pick` accepts.
int64_t Sum(const std::string& list, bool (*pick)(int32_t) = nullptr) {
  int64_t total = 0;
  std::istringstream in(list);
  for (std::string word; in >> word;) {
    const int32_t key = std::atoi(word.c_str());
    if (!pick || pick(key)) total += std::atoll(word.c_str() + word.find(':') + 1);
  }
  return total;
}

// The register's day: the day fixture is the receipt fixture with the
// options of cash documents and reports and the POS objects of the day.
class Reports : public ReceiptTest {
 protected:
  void Start(const std::string& emulator, const std::string& params = "6 = 0\n") {
    ReceiptTest::Start(kOptions + emulator, params,
                       SourceFile("tools/possim/demo/receipts.cfg") + SourceFile("tests/io/zefor/orders/pos_objects.cfg"));
  }

  tAnswer Document(uint8_t kind, int32_t subType = 0, const std::string& orderFile = "", int32_t flags = 0,
                   const std::string& rawData = "") {
    const std::string data =
        orderFile.empty() ? rawData
                          : orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(SourceFile(orderFile)));
    return SendDocument(kind, flags, data, subType);
  }

  std::string Expected(const std::string& name) const {
    return TrimEnd(SourceFile("tests/io/zefor/day/" + name));
  }
  std::map<std::string, std::string> EmulatorState() const { return StateOf(Read("emu1.state")); }
  int64_t Cash() const { return std::atoll(EmulatorState()["cash"].c_str()); }
  std::string Requests() const { return Read("requests.log"); }
};

// ---- documents of each kind --------------------------------------------------------

TEST_F(Reports, CashInWithTwoReasonsIsTheHandWrittenDocument) {
  Start("");
  tAnswer a = Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_two.order");
  ASSERT_TRUE(a.Result) << a.ErrorText << Journal();
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(docs[0], Expected("cash_two.xml"));
  EXPECT_EQ(Cash(), 170050);
  EXPECT_EQ(a.Doc.DocNum, 1);
  EXPECT_EQ(Undated(JournalLines("{MoneyInOut}")),
            (Lines{"{MoneyInOut}[Подкрепление денег]/dd.mm.yy hh:mm:ss/ tmSum = 150000",
                   "{MoneyInOut}[Подкрепление денег]/dd.mm.yy hh:mm:ss/ tmSum = 20050",
                   "<<< {MoneyInOut} (ZEFOR-FINAL) = TRUE >>>"}));
}

TEST_F(Reports, CashOutWithANegativeSubKindIsNegativeAndLimitedByTheDrawer) {
  Start("");
  tAnswer refused = Document(fdCashInOut, -1, "tests/io/zefor/orders/cash_out.order");
  EXPECT_FALSE(refused.Result);
  EXPECT_EQ(refused.Doc.LogicError, 200);
  EXPECT_TRUE(Contains(refused.ErrorText, "Cash sum available is less than the ordered")) << refused.ErrorText;
  ASSERT_TRUE(Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
  tAnswer out = Document(fdCashInOut, -1, "tests/io/zefor/orders/cash_out.order");
  ASSERT_TRUE(out.Result) << out.ErrorText;
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[1], Expected("cash_out.xml"));
  EXPECT_EQ(Undated(JournalLines("{MoneyInOut}")),
            (Lines{"{MoneyInOut}[Инкассация денег]/dd.mm.yy hh:mm:ss/ tmSum = 50000",
                   "<<< {MoneyInOut} (ZEFOR-FINAL) = FALSE >>>",
                   "{MoneyInOut}[Подкрепление денег]/dd.mm.yy hh:mm:ss/ tmSum = 150000",
                   "<<< {MoneyInOut} (ZEFOR-FINAL) = TRUE >>>",
                   "{MoneyInOut}[Инкассация денег]/dd.mm.yy hh:mm:ss/ tmSum = 50000",
                   "<<< {MoneyInOut} (ZEFOR-FINAL) = TRUE >>>"}))
      << "the refused one is journaled too";
  EXPECT_EQ(Cash(), 100000);
}

TEST_F(Reports, CollectAllTakesEveryRoubleOut) {
  Start("");
  ASSERT_TRUE(Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
  tAnswer a = Document(fdCollectCash, 0, "tests/io/zefor/orders/cash_in.order");
  ASSERT_TRUE(a.Result) << a.ErrorText;
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 2u);
  EXPECT_EQ(docs[1], Expected("collect_all.xml"));
  EXPECT_EQ(Cash(), 0);
}

TEST_F(Reports, ReportsAreTheHandWrittenDocuments) {
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = EMU0000001\nlast_shift = 120\n");
  Start("");
  ASSERT_TRUE(Document(fdXReport).Result);
  ASSERT_TRUE(Document(fdFullLastShift).Result);
  ASSERT_TRUE(Document(fdSpecialReport, 47, "", 0, "20240101;20240131").Result);
  ASSERT_TRUE(Document(fdSpecialReport, 48, "", 0, "10;5").Result);
  ASSERT_TRUE(Document(fdSpecialReport, 63).Result);
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 5u);
  EXPECT_EQ(docs[0], Expected("x_report.xml"));
  EXPECT_EQ(docs[1], Expected("last_shift.xml"));
  EXPECT_EQ(docs[2], Expected("brief_by_date.xml"));
  EXPECT_EQ(docs[3], Expected("brief_by_number.xml"));
  EXPECT_EQ(docs[4], Expected("zero_check.xml"));
  EXPECT_EQ(EmulatorState()["shift_open"], "0") << "reports do not open a shift";
}

TEST_F(Reports, BadSpecialReportRequestsAreRefusedBeforeTheRegister) {
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = EMU0000001\nlast_shift = 120\n");
  Start("");
  const struct {
    int32_t SubType;
    const char* Data;
    const char* Text;
  } cases[] = {
      {48, "5;x", "Invalid data format: 5;x"},
      {48, "1;500", "Non-existent number of shifts. Shall not exceed the value of 120"},
      {46, "20240101", "Invalid data format: 20240101"},
      {47, "2024AB01;20240131", "Invalid data format: 2024AB01;20240131"},
      {50, "", "Invalid type of report: 50"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Data);
    tAnswer a = Document(fdSpecialReport, c.SubType, "", 0, c.Data);
    EXPECT_FALSE(a.Result);
    EXPECT_EQ(a.ErrorText, c.Text);
  }
  EXPECT_TRUE(Read("emu1.docs").empty());
}

TEST_F(Reports, UnsupportedReportsAnswerAsTheRegisterCan) {
  WriteEmulator("documents = emu1.docs\noptions = foMoneyInOut\n");
  WriteParams(Device(0, "6 = 0\n") + SourceFile("tools/possim/demo/receipts.cfg"));
  Load();
  handle_ = adapter_.InitDevice(0, 0);
  ASSERT_EQ(handle_, 1);
  EXPECT_TRUE(Document(fdXReport).Result) << "no X-report on this register: nothing to print";
  tAnswer full = Document(fdFullLastShift);
  EXPECT_FALSE(full.Result);
  EXPECT_EQ(full.ErrorText, "Not supported");
  EXPECT_FALSE(Document(fdSpecialReport, 47, "", 0, "20240101;20240131").Result);
  EXPECT_EQ(JournalLines("{PrintXReport}"),
            (Lines{"{PrintXReport} X-REPORT: НЕ ПОДДЕРЖИВАЕТСЯ ФИСКАЛЬНЫМ РЕГИСТРАТОРОМ "
                   "Zefor universal fiscal register driver",
                   "<<< {PrintXReport} (ZEFOR-FINAL) = TRUE >>>"}))
      << "the driver's name is the adapter's own file description";
  EXPECT_TRUE(Read("emu1.docs").empty());
}

TEST_F(Reports, ZReportOnAClosedShift) {
  Start("");
  tAnswer plain = Document(fdCloseShift);
  EXPECT_TRUE(plain.Result) << "nothing to close";
  EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
  EXPECT_TRUE(Calls("ZefGetZReportData").empty()) << "a closed shift has no Z-report data";
  tAnswer forced = Document(fdCloseShift, 1, "", 0x10);
  EXPECT_FALSE(forced.Result);
  EXPECT_EQ(forced.ErrorText, "Shift is closed and it is impossible to print the Z-report");
  EXPECT_TRUE(Calls("ZefFiscalDocument").empty());
}

// ---- a day in the life --------------------------------------------------------------

bool IsCashType(int32_t type) { return type == 1; }
bool IsNonCashType(int32_t type) { return type != 1; }

TEST_F(Reports, ADayInTheLife) {
  Start("");
  struct tStep {
    const char* Name;
    uint8_t Kind;
    int32_t SubType;
    const char* Order;
    int64_t CashAfter;
  };
  const tStep steps[] = {
      {"cash in", fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order", 150000},
      {"dinner in cash", fdFiscCheck, 0, "tools/possim/demo/dinner.order", 329000},
      {"soup by card", fdFiscCheck, 0, "tests/io/zefor/orders/soup_card.order", 329000},
      {"soup returned", fdFiscReturn, 0, "tests/io/zefor/orders/soup_return.order", 294000},
      {"cash out", fdCashInOut, -1, "tests/io/zefor/orders/cash_out.order", 244000},
      {"X-report", fdXReport, 0, "", 244000},
  };
  for (const tStep& step : steps) {
    SCOPED_TRACE(step.Name);
    tAnswer a = Document(step.Kind, step.SubType, step.Order, step.Kind == fdFiscCheck || step.Kind == fdFiscReturn ? 0x2E : 0);
    ASSERT_TRUE(a.Result) << a.ErrorText << "\n" << Read("emu1.docs");
    EXPECT_EQ(Cash(), step.CashAfter);
    EXPECT_EQ(a.Doc.ShiftOpened, 1);
  }
  // The emulator's own counters just before the shift closes.
  std::map<std::string, std::string> s = EmulatorState();
  const int64_t cash = Sum(s["sales"], IsCashType), nonCash = Sum(s["sales"], IsNonCashType);
  const int64_t returns = -Sum(s["returns"]), taxes = Sum(s["taxes"]);
  const int64_t cashIn = std::atoll(s["cash_in"].c_str()), total = std::atoll(s["total"].c_str());
  EXPECT_EQ(cash, 179000);
  EXPECT_EQ(nonCash, 35000);
  EXPECT_EQ(returns, -35000);
  EXPECT_EQ(taxes, 29833 + 5833 - 5833);

  tAnswer z = Document(fdCloseShift);
  ASSERT_TRUE(z.Result) << z.ErrorText;
  const std::string expected =
      "<ZReport FiscDev=\"57\" SerialNumber=\"EMU0000001\" ZReportNumber=\"1\" IncashSum=\"" + std::to_string(cashIn) +
      "\" StartTotal=\"" + std::to_string(total) + "\" EndTotal=\"" + std::to_string(total + cash + nonCash + returns) +
      "\" Returns=\"" + std::to_string(returns) + "\" TaxSum=\"" + std::to_string(taxes) + "\" CashSum=\"" +
      std::to_string(cash) + "\" NonCashSum=\"" + std::to_string(nonCash) + "\" Proceeds=\"" +
      std::to_string(cash + nonCash + returns) + "\" ProceedsWOTax=\"" + std::to_string(cash + nonCash + returns - taxes) +
      "\">";
  const std::string report = z.ZReport.substr(z.ZReport.find('<'));
  EXPECT_EQ(report.substr(0, expected.size()), expected) << z.ZReport;
  EXPECT_TRUE(Contains(z.ZReport, "<Counter ValueKeyID=\"{E53B030C-845D-4CBC-8A03-EBFFAE5D08B8}\" Value=\"1790.00\"/>"))
      << z.ZReport;
  EXPECT_EQ(z.Doc.ShiftCloseFlag, 1);
  EXPECT_EQ(z.Doc.ShiftOpened, 0);
  EXPECT_EQ(Cash(), 244000) << "the Z-report leaves the cash in the drawer";
  s = EmulatorState();
  EXPECT_EQ(s["shift_open"], "0");
  EXPECT_EQ(s["last_shift"], "1");
  EXPECT_EQ(s["total"], "179000");
  EXPECT_EQ(Count(Read("emu1.tape"), kZTitle), 1u);
  const std::vector<std::string> docs = Accepted();
  ASSERT_EQ(docs.size(), 7u) << "cash in, three receipts, cash out, X, Z";
  EXPECT_EQ(docs.back(), Expected("z_report.xml"));
  // The export answers no data for the closed shift.
  char buffer[64] = {};
  char* pointer = buffer;
  int32_t size = sizeof buffer - 1;
  EXPECT_EQ(adapter_.GetZReportData(handle_, &pointer, &size), 0);
}

TEST_F(Reports, ASaleInAShiftOpenForOverADayIsRefused) {
  platform::WriteWholeFile(dir_ + "emu1.state",
                           "serial = EMU0000001\nshift_open = 1\nshift_opened = 2020-01-01T10:00:00\n");
  Start("");
  tAnswer a = Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E);
  EXPECT_FALSE(a.Result);
  EXPECT_EQ(a.Doc.LogicError, 201);
  ASSERT_TRUE(Document(fdCloseShift).Result);
  EXPECT_TRUE(Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E).Result) << "a new shift";
}

// ---- faults during the Z-report -----------------------------------------------------

struct tZFault {
  const char* Name;
  const char* Lines;
  bool FirstResult;     // what the POS hears from the first Z-report
  bool PrintedAtFirst;  // whether the register printed it at the first call
};

// The faults are configured after the shift has opened, so the call counts
// start with the Z-report: its document is ZefFiscalDocument call 1; its
// status reads are ZefGetStatus calls 1 (the data before the report), 2 (the
// shift before the report) and 3 (the shift after a failed report).
const tZFault kZFaults[] = {
    {"driver error", "fault = ZefFiscalDocument 203 1\n", false, false},
    {"reply without data", "zreport_reply = bare\n", true, true},
    {"no reply text", "zreport_reply = none\n", true, true},
    {"time-out before printing", "delay = ZefFiscalDocument 300 1\nfault = ZefFiscalDocument 101 1\n", false, false},
    {"printed but reported failed", "counted_fault = ZefFiscalDocument 203 1\n", true, true},
    {"time-out after printing, register silent",
     "counted_fault = ZefFiscalDocument 101 1\nfault = ZefGetStatus 103 3\n", false, true},
};

TEST_F(Reports, ZReportFaultsNeverPrintTwiceAndTellTheTruth) {
  for (const tZFault& fault : kZFaults) {
    SCOPED_TRACE(fault.Name);
    if (loaded_) {
      adapter_.DONEDLL();
      adapter_.Unload();
      loaded_ = false;
    }
    for (const char* f : {"emu1.docs", "emu1.tape", "emu1.state", "calls.log"}) platform::RemoveFile(dir_ + f);
    Start("");
    ASSERT_TRUE(Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
    WriteEmulator("documents = emu1.docs\n" + std::string(kOptions) + fault.Lines);
    const std::string before = "IncashSum=\"150000\"";
    tAnswer first = Document(fdCloseShift);
    EXPECT_EQ(first.Result, fault.FirstResult) << first.ErrorText;
    EXPECT_EQ(Count(Read("emu1.tape"), kZTitle), fault.PrintedAtFirst ? 1u : 0u);
    EXPECT_EQ(first.Doc.ShiftOpened, fault.PrintedAtFirst && first.Result ? 0 : 1);
    if (first.Result) {
      EXPECT_TRUE(Contains(first.ZReport, before)) << first.ZReport;
    } else {
      EXPECT_FALSE(first.ErrorText.empty());
    }
    // The POS tries again after a failure; the register prints one Z-report.
    tAnswer again = Document(fdCloseShift);
    EXPECT_TRUE(again.Result) << again.ErrorText;
    EXPECT_EQ(Count(Read("emu1.tape"), kZTitle), 1u) << Read("emu1.tape");
    EXPECT_EQ(again.Doc.ShiftOpened, 0);
    if (!first.Result) {
      EXPECT_TRUE(Contains(again.ZReport, before)) << again.ZReport;
    }
    EXPECT_EQ(EmulatorState()["last_shift"], "1");
  }
}

// ---- Z-report data conversion ----------------------------------------------------------

class ZReportData : public Reports {
 protected:
  std::string Convert(const std::string& data) {
    platform::WriteWholeFile(dir_ + "z.xml", data);
    if (!loaded_) {
      Start("zreport_file = z.xml\n");
      EXPECT_TRUE(Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
    }
    std::vector<char> buffer(4096, 0);
    char* pointer = buffer.data();
    int32_t size = int32_t(buffer.size()) - 1;
    if (!adapter_.GetZReportData(handle_, &pointer, &size)) return "(none)";
    const std::string text(buffer.data(), size_t(size));
    return text.substr(text.find("<ZReport"));
  }
};

TEST_F(ZReportData, TotalsAndProceeds) {
  EXPECT_EQ(Convert("<ZReportData SerialNumber=\"S1\" Total=\"100000\" DayValue=\"25000\" ReturnValue=\"-5000\" "
                    "TaxValue=\"2000\" PayCashValue=\"100000\" PayNonCashValue=\"50000\"/>"),
            "<ZReport FiscDev=\"57\" SerialNumber=\"S1\" IncashSum=\"0\" StartTotal=\"100000\" EndTotal=\"125000\" "
            "Returns=\"-5000\" TaxSum=\"2000\" CashSum=\"100000\" NonCashSum=\"50000\" Proceeds=\"145000\" "
            "ProceedsWOTax=\"143000\"/>");
  const std::string z = Convert("<ZReportData POS_ID=\"7\" ZReportNumber=\"12\" PayCashValue=\"100\"/>");
  EXPECT_EQ(z.substr(0, 33), "<ZReport POS_ID=\"7\" FiscDev=\"57\" ") << z;
  EXPECT_TRUE(Contains(z, " ZReportNumber=\"12\" IncashSum=\"0\" Returns=\"0\" TaxSum=\"0\" CashSum=\"100\" "
                          "NonCashSum=\"0\" Proceeds=\"100\" ProceedsWOTax=\"100\"/>"))
      << z;
}

TEST_F(ZReportData, CountersOverrideTheAttributesAndTravelWithTheReport) {
  const std::string counters =
      "<CounterValues><C ValueKeyID=\"{e53b030c-845d-4cbc-8a03-ebffae5d08b8}\" Value=\"1500.50\"/>"
      "<C ValueKeyID=\"{39EAF8BD-9BD4-4A02-B09B-735C125A08C3}\" Value=\"100.00\"/>"
      "<C ValueKeyID=\"{C22FF005-6D98-4C7D-BD59-86D4B0B4560C}\" Value=\"50,00\"/>"
      "<C ValueKeyID=\"{B704B8E1-CB6B-4E19-B414-B9939CF97C71}\" Value=\"0.125\"/></CounterValues>";
  const std::string z = Convert("<FiscalDocumentReturn><ZReportData PayCashValue=\"1\" PayNonCashValue=\"30000\">" +
                                counters + "</ZReportData></FiscalDocumentReturn>");
  EXPECT_TRUE(Contains(z, "TaxSum=\"12\" CashSum=\"150050\" NonCashSum=\"15000\" Proceeds=\"165050\"")) << z;
  EXPECT_TRUE(Contains(z, "<CounterValues>")) << z;
  const std::string nonCash = Convert("<ZReportData PayNonCashValue=\"30000\"/>");
  EXPECT_TRUE(Contains(nonCash, "NonCashSum=\"30000\"")) << nonCash;
}

TEST_F(ZReportData, BadDataGivesNone) {
  EXPECT_EQ(Convert("<FiscalDocumentReturn/>"), "(none)");
  EXPECT_EQ(Convert("<ZReportData><CounterValues><C ValueKeyID=\"{E53B030C-845D-4CBC-8A03-EBFFAE5D08B8}\" "
                    "Value=\"many\"/></CounterValues></ZReportData>"),
            "(none)");
  EXPECT_EQ(Convert("<Other/>"), "(none)");
  EXPECT_EQ(Convert("<ZReportData"), "(none)");
}

}  // namespace

// ---- the clock check ---------------------------------------------------------------------

class Clock : public Reports {
 protected:
  // A register whose clock is `offset` seconds off the computer's, with the
  // block and warning limits of parameters 36 and 37.
  void StartWithClock(int32_t offset, int32_t block, int32_t warn) {
    Start("clock_offset = " + std::to_string(offset) + "\n",
          "6 = 0\n36 = " + std::to_string(block) + "\n37 = " + std::to_string(warn) + "\n");
  }
  // The texts of the cashier's questions, in order, with a clock difference
  // within a second of `seconds` written as "N" (the register's clock runs
  // in whole seconds).
  Lines Questions(int seconds) const {
    static const std::regex difference("\\((\\d+) seconds\\)");
    Lines texts;
    for (const std::string& line : LinesWith(Requests(), "QUESTION ", "\n")) {
      std::string text = line.substr(9, line.rfind(" -> ") - 9);
      std::smatch match;
      if (std::regex_search(text, match, difference) && std::abs(std::stoi(match[1]) - seconds) <= 1)
        text = match.prefix().str() + "(N seconds)" + match.suffix().str();
      texts.push_back(text);
    }
    return texts;
  }
};

TEST_F(Clock, WithoutLimitsTheClockIsNotRead) {
  StartWithClock(-3600, 0, 0);
  EXPECT_TRUE(Document(fdXReport).Result);
  EXPECT_EQ(JournalLines("InternalDate = "), Lines{}) << "no status read asked for the clock";
}

TEST_F(Clock, BehindWithinTheBlockLimitOnlyWarns) {
  StartWithClock(-45, 60, 30);
  EXPECT_EQ(Questions(45), (Lines{"Time in the Fiscal registrar is too far behind POS (N seconds). "
                                  "Report this problem to support. Click OK to continue."}));
  EXPECT_TRUE(Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E).Result);
}

TEST_F(Clock, AheadBeyondTheWarningLimitWarns) {
  StartWithClock(45, 0, 30);
  EXPECT_EQ(Questions(45), (Lines{"The time in the Fiscal registrar is too much than POS (N seconds). "
                                  "Report this problem to support. Click OK to continue."}));
}

TEST_F(Clock, BeyondTheBlockLimitBlocksUntilTheClockIsRight) {
  StartWithClock(120, 60, 30);
  EXPECT_EQ(Questions(120), (Lines{"The time in the Fiscal registrar is too much than POS (N seconds). "
                                   "POS operation is blocked. Contact Support."}))
      << "a difference above both limits only blocks";
  EXPECT_FALSE(Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E).Result);
  EXPECT_FALSE(Document(fdXReport).Result) << "still blocked";
  EXPECT_TRUE(Accepted().empty());
  WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + std::string(kOptions) + "clock_offset = 0\n");
  tAnswer a = Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E);
  EXPECT_TRUE(a.Result) << a.ErrorText;
  EXPECT_EQ(Accepted().size(), 1u);
}

TEST_F(Clock, BehindBeyondTheBlockLimitBlocksAReceiptOfARunningDevice) {
  StartWithClock(0, 60, 0);
  ASSERT_TRUE(Document(fdXReport).Result);
  WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + std::string(kOptions) + "clock_offset = -90\n");
  EXPECT_FALSE(Document(fdFiscCheck, 0, "tools/possim/demo/dinner.order", 0x2E).Result);
  EXPECT_EQ(Questions(90), (Lines{"Time in the Fiscal registrar is too far behind POS (N seconds). "
                                  "POS operation is blocked. Contact Support."}));
  // The difference runs a second either way of the offset.
  static const std::regex seconds("\\(\\d+ seconds\\)");
  Lines blocked = UndatedErrors(JournalLines("POS operation is blocked."));
  for (std::string& line : blocked) line = std::regex_replace(line, seconds, "(N seconds)");
  const std::string text = "Time in the Fiscal registrar is too far behind POS (N seconds). "
                           "POS operation is blocked. Contact Support.";
  EXPECT_EQ(blocked, (Lines{text, "#1 err3651: " + text})) << "journaled, then shown as a device error";
}

// ---- programming and the tax-rate list ------------------------------------------------------

class Programming : public Reports {
 protected:
  void TearDown() override {
    Reports::TearDown();
    platform::RemoveFile(bin_ + "ZefProg.xml");
  }
  std::string Dump() const {
    std::string text;
    platform::ReadWholeFile(bin_ + "ZefProg.xml", text);
    return TrimEnd(text);
  }
};

TEST_F(Programming, ClockTaxesAndDepartmentsAreTheHandWrittenDocument) {
  Start("clock_offset = -500\n", "6 = 0\n9 = 1\n10 = 1\n11 = 1\n22 = 1\n");
  adapter_.ProgramPrinter(handle_, nullptr);
  EXPECT_EQ(Dump(), Expected("program.xml"));
  const std::map<std::string, std::string> s = EmulatorState();
  EXPECT_EQ(s.at("tax_table"), "1:2000 2:1000 3:0");
  EXPECT_EQ(s.at("clock_offset"), "0") << "the register's clock is set from the computer's";
  EXPECT_TRUE(Contains(Read("emu1.tape"), "ПРОГРАММИРОВАНИЕ")) << Read("emu1.tape");
  adapter_.Done(handle_);
  EXPECT_EQ(LinesFrom(Journal(), "{GetManagerTaxesOptions}", 4),
            (Lines{"{GetManagerTaxesOptions} ИНДЕКС НУЛЕВОЙ Н.С. (в Станции Менеджера) = 3",
                   "TaxRateIndex = 1, RateValue = 2000", "TaxRateIndex = 2, RateValue = 1000",
                   "TaxRateIndex = 3, RateValue = 0"}));
  EXPECT_EQ(JournalLines("ProgramPrinter"),
            (Lines{">>> ProgramPrinter (ZEFOR-ENTRY) <<<", "<<< {ProgramPrinter} (ZEFOR-FINAL) >>>"}));
}

TEST_F(Programming, TheClockIsLeftAloneBeyondItsLimitAndNothingIsSentInAnOpenShift) {
  Start("clock_offset = 400\n", "6 = 0\n9 = 1\n10 = 1\n22 = 1\n38 = 300\n");
  ASSERT_TRUE(Document(fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order").Result);
  adapter_.ProgramPrinter(handle_, nullptr);
  const std::string dump = Dump();
  EXPECT_FALSE(Contains(dump, "ProgramDateTime")) << dump;
  EXPECT_TRUE(Contains(dump, "<Tax TaxRateIndex=\"1\" RateValue=\"2000\" TaxName=\"VAT\" RateName=\"20 %\"/>")) << dump;
  adapter_.Done(handle_);
  // The register's clock runs whole seconds ahead, so 400 seconds ahead
  // reads as 399 or 400.
  const Lines skipped = JournalLines("ProgramTimeDiffMax");
  EXPECT_TRUE(skipped == Lines{"ProgramTimeDiffMax (300) is over (399). Fiscal registrar time sync skipped."} ||
              skipped == Lines{"ProgramTimeDiffMax (300) is over (400). Fiscal registrar time sync skipped."})
      << Journal();
  EXPECT_TRUE(Calls("ZefProgram").empty()) << "the register is not programmed during a shift";
}

TEST_F(Programming, RequiredTaxRatesStopADeviceWithoutThem) {
  WriteEmulator("documents = emu1.docs\n" + std::string(kOptions));
  WriteParams(Device(0, "6 = 0\n42 = 1\n") + SourceFile("tools/possim/demo/receipts.cfg"));
  Load();
  EXPECT_LE(adapter_.InitDevice(0, 0), 0);
  const std::string text = "No active tax rates found. Zefor.dll#1 has stopped.";
  EXPECT_EQ(UndatedErrors(JournalLines("No active tax rates found")), (Lines{text, "#1 err3651: " + text}))
      << "journaled, then shown as a device error";
}
