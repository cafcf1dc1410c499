// Creation parameters, options and capability flags, the status record,
// the external identifier and the started step, through the real exports.
#include <ctime>
#include <regex>

#include "zefor_fixture.h"

namespace {

using Creation = ZeforTest;
using Reading = ZeforTest;

// Midnight of the day `days` ahead (local time).
std::string IsoDaysAhead(int days) {
  time_t t = time(nullptr) + time_t(days) * 86400;
  struct tm local;
  localtime_r(&t, &local);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%dT00:00:00", &local);
  return text;
}

TEST_F(Creation, BannerShowsTheParametersAndTheirDefaults) {
  WriteParams("[device * 0]\n0 = emulator.so\n1 = @text <Params><Emulator Config=\"" + dir_ +
              "emulator.cfg\"/></Params>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n");
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  std::string journal = Journal();
  size_t start = journal.find("\r\n\r\nDriver Version: ");
  ASSERT_NE(start, std::string::npos) << journal;
  std::string banner = journal.substr(start, journal.find("Raw params {") - start);
  EXPECT_EQ(banner.substr(banner.find("\r\n\r\nDriver Params:")),
            "\r\n\r\nDriver Params:\r\n\r\n"
            "LowDriverModule = emulator.so\r\nFiscRegTypeID = 57\r\nLogLevel = Errors only\r\nPrintCheckTrys = 1\r\n"
            "SaveXMLUnfiscal = FALSE\r\nSaveXMLFiscal = FALSE\r\nSaveXMLProgram = FALSE\r\nSaveXMLDisplay = FALSE\r\n\r\n");
  EXPECT_EQ(Undated(LinesFrom(journal, "", 3)), (Lines{"", "*** START ZEFOR.SO [dd.mm.yy hh:mm:ss] ***", ""}));
  EXPECT_EQ(LinesWith(journal, "<param_2 "), (Lines{"\t<param_2 int=\"57\" str=\"57\"/>"}));
  EXPECT_EQ(LinesWith(journal, "PrepareToPrint"), Lines{}) << "LogLevel 0 leaves only errors after the banner";
}

TEST_F(Creation, MissingDriverParametersAndTypeStopTheCreation) {
  WriteParams("[device * 0]\n0 = emulator.so\n2 = 57\n[device * 1]\n0 = emulator.so\n1 = @text <P/>\n"
              "[answers * 0]\nmessage = 2\n[answers * 1]\nmessage = 2\n[service]\nlog = " + dir_ + "requests.log\n");
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), -1);
  EXPECT_EQ(adapter_.InitDevice(1, 0), -1);
  std::string requests = Read("requests.log");
  EXPECT_EQ(LinesWith(requests, "MESSAGE", "\n"),
            (Lines{"MESSAGE Parameter LowDriverParams(1) must be defined for zefor.so # 1 -> 2",
                   "MESSAGE Parameter FiscRegTypeNum(2) has not been initialized for zefor.so # 2 -> 2"}));
}

TEST_F(Creation, TypeFromTheDriverParametersAndStubDefault) {
  WriteParams("[device * 0]\n0 = emulator.so\n1 = @text <Params><xmlConfig><Parameters FiscRegTypeID=\" 57 \"/>"
              "</xmlConfig></Params>\n2 = 183\n4 = " + dir_ + "zefor%d.log\n"
              "[device * 1]\n0 = emulator.so\n1 = @text <Params><bad\n2 = 183\n4 = " + dir_ + "zefor%d.log\n"
              "[device * 2]\n1 = @text <P/>\n2 = 5\n4 = " + dir_ + "zefor%d.log\n[answers * 2]\nmessage = 2\n");
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_EQ(JournalLines("FiscRegTypeID", 0), (Lines{"FiscRegTypeID = 57"}));
  EXPECT_EQ(adapter_.InitDevice(1, 0), 2) << "the emulator still starts on its default configuration";
  std::string bad = Journal(1);
  EXPECT_EQ(LinesWith(bad, "FiscRegTypeID"), (Lines{"FiscRegTypeID = 183"}));
  EXPECT_EQ(LinesWith(bad, "Warning: "), (Lines{"Warning: LowDriverParams is not valid XML: (<Params><bad)"}));
  EXPECT_TRUE(OneLineOpening(bad, "Exception: ("));
  EXPECT_EQ(LinesWith(bad, "Exception: (").at(0).back(), ')');
  EXPECT_TRUE(OneLineOpening(bad, "Bad parameters XML: "));
  EXPECT_EQ(adapter_.InitDevice(2, 0), -1);
  // The system's error code varies.
  const Lines notLoaded = JournalLines("LoadLibrary(", 2);
  ASSERT_EQ(notLoaded.size(), 1u) << Journal(2);
  EXPECT_TRUE(std::regex_match(notLoaded[0], std::regex("\\{LoadLoDrv\\} err3609 = GetLastError\\(\\) = \\d+ "
                                                        "in LoadLibrary\\('stub\\.dll'\\) for zefor\\.so # 3")))
      << notLoaded[0];
}

TEST_F(Reading, OptionsBecomeCapabilityFlags) {
  static const char* const kAll =
      "foText foZeroReceipt foDeleteReceipt foZReport foMoneyInOut foXReport foSpecialReport foZeroSale foProgram "
      "foFullLastShift foAllMoneyOut foTextInReceipt foBarCodeInNotFisc foZClearMoney foCheckCopy foTextInLine "
      "foItemDepartments foOnlyFixed foTextOpenShift foDrawerOpen foDrawerState foCustomerDisplay foSlip "
      "foCalcChange foZWhenClosedShift foAbsDiscountSum foFiscInvoice foCashRegValue foFixedNames foDeleteReturn "
      "foDiscWithTaxes foCanIgnoreTaxes foAbsItemDiscount foAbsItemMarkup foAbsMarkupSum foMaxOneMarkupDiscount "
      "foBill foCreateCloseOrder foCorrection foReturnReceipt foPayUngrouped foLogger foWorkWithoutPaper "
      "foCorrectPriceToPay foRoundDiscountOnly foCorrectionReceipt foManyCashInOutPayments foOpenShiftReport "
      "foCancelOrder foCancelBill";
  const uint32_t allFlags = 0x1 | 0x8004 | 0x8 | 0x10 | 0x20 | 0x40 | 0x100 | 0x200 | 0x400 | 0x800 | 0x1000 |
                            0x2000 | 0x4000 | 0x400000 | 0x10000 | 0x220000 | 0x940000 | 0xC0000 | 0x1000000 |
                            0x200000;
  WriteEmulator(std::string("[device 0]\noptions = foText foCancelBill\n[device 1]\noptions = ") + kAll +
                "\n[device 2]\noptions = foBogus foCheckCopy\n[device 3]\noptions = foText\n");
  WriteParams(Device(0, "5 = 0") + Device(1) + Device(2) + Device(3, "", "emulator_noprint.so") + Device(4, "5 = 0"));
  Load();
  for (int n = 0; n < 5; ++n) ASSERT_EQ(adapter_.InitDevice(n, 0), n + 1);
  EXPECT_EQ(adapter_.NewGetFlags(1), 0x82u | 0x1u | 0x200000u);
  EXPECT_EQ(adapter_.NewGetFlags(2), 0x82u | allFlags);
  EXPECT_EQ(adapter_.NewGetFlags(3), 0x82u | 0x4000u);
  EXPECT_EQ(JournalLines("Unsupported option", 2), (Lines{"Unsupported option foBogus"}));
  EXPECT_EQ(adapter_.NewGetFlags(4), 0x1u) << "no ZefFiscalDocument, no 0x82";
  EXPECT_EQ(adapter_.NewGetFlags(5), 0x82u) << "no options";
  EXPECT_EQ(Status(2).SlipSupported, 1);
}

TEST_F(Reading, RecordFieldsAndDeviceStateDocument) {
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = 12345\nshift_open = 1\nshift_opened = 2020-01-01T00:00:00\n");
  WriteEmulator("paper = 7\neklz_near_end = 1\ncannot_print_unfiscal = 1\nbusy = 1\nprotocol = 36\n"
                "[device 1]\nprotocol = 39\nnot_ready = 1");
  WriteParams(Device(0, "29 = " + dir_ + "state.xml") + Device(1));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  TPrinterStatus s = Status(1);
  EXPECT_EQ(s.Offline, 0);
  EXPECT_EQ(s.Busy, 1);
  EXPECT_EQ(s.NotReady, 0);
  EXPECT_EQ(s.CannotPrintUnfiscal, 1);
  EXPECT_EQ(s.PaperStatus, 7);
  EXPECT_EQ(s.StatusFlags, kStatusShiftOver24h | kStatusFiscalMemoryNearEnd);
  EXPECT_EQ(s.AdapterMinor, 58);
  std::string state = s.StateText;
  EXPECT_EQ(state, Read("state.xml"));
  adapter_.Done(1);  // writes what the journal still buffers
  EXPECT_EQ(state,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<DeviceState>\r\n"
            "\t<PaperStatus PaperOut=\"0\" PaperLow=\"0\" PaperOther=\"1\"/>\r\n"
            "\t<LogicStatus Fisc24Out=\"1\" EKLZNearEnd=\"1\" ShiftState=\"2\"/>\r\n"
            "\t<OFDStatus UnsendedDocs=\"0\"/>\r\n\t<DeviceStatus Online=\"1\"/>\r\n</DeviceState>");
  EXPECT_EQ(JournalLines("{ZefGetStatus} AFieldsNeeded"),
            (Lines{"{ZefGetStatus} AFieldsNeeded [IN] = (fnBusy, fnPaperStatus, fnShiftState, fnInternalDateTime)",
                   "{ZefGetStatus} AFieldsNeeded [IN] = (fnBusy, fnUnfiscalPrint, fnPaperStatus, fnShiftState, "
                   "fnOFDStatus, fnInternalDateTime)"}))
      << "the preparation's shift state with the extended set, then the status record's groups";
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  char id[256] = {};
  uint8_t opened = 0;
  EXPECT_EQ(adapter_.FiscGetExtID(1, id, &opened), 0) << "busy";

  ASSERT_EQ(adapter_.InitDevice(1, 0), 2);
  s = Status(2);
  EXPECT_EQ(s.Offline, 1);
  EXPECT_EQ(s.NotReady, 1);
  EXPECT_EQ(adapter_.FiscGetExtID(2, id, &opened), 0);
}

TEST_F(Reading, IdentifierAndShiftOfTheRegister) {
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = 0429000111\nshift_open = 1\nshift_opened = " +
                                                    IsoDaysAhead(0) + "\n");
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  char id[256] = {};
  uint8_t opened = 0;
  EXPECT_EQ(adapter_.FiscGetExtID(1, id, &opened), 1);
  EXPECT_STREQ(id, "0429000111");
  EXPECT_EQ(opened, 1);
  adapter_.Done(1);
  platform::WriteWholeFile(dir_ + "emu1.state", "serial = \n");
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_EQ(adapter_.FiscGetExtID(1, id, &opened), 0) << "no serial number with protocol 21 or later";
  adapter_.Done(1);
  EXPECT_EQ(JournalLines("{FiscGetExtID}"),
            (Lines{"<<< {FiscGetExtID} (ZEFOR-FINAL) = TRUE >>>", "<<< {FiscGetExtID} (ZEFOR-FINAL) = FALSE >>>"}));
}

TEST_F(Reading, StartedStepWarnsBeforeTheEndDate) {
  WriteEmulator("end_date = " + IsoDaysAhead(30));
  WriteParams(Device(0) + Device(1, "34 = 10"));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  ASSERT_EQ(adapter_.InitDevice(1, 0), 2);
  adapter_.PrintersStarted(1);
  adapter_.PrintersStarted(2);
  adapter_.PrintersStarted(1);
  adapter_.Done(1);
  std::string requests = Read("requests.log");
  EXPECT_EQ(requests, "MESSAGE Fiscal regiser will stop work in 30 days -> 2\n")
      << "once, and not for 10 days of warning: the init reply is released after the first started step";
  const Lines started = {"~~> ZefStarted (ZEFOR-ENTRY) <~~", "<~~ {ZefStarted} (ZEFOR-FINAL) ~~>", ""};
  EXPECT_EQ(LinesFrom(Journal(), "ZefStarted", 3), started);
  EXPECT_EQ(JournalLines("ZefStarted"), (Lines{started[0], started[1], started[0], started[1]}))
      << "twice on the first device";
  EXPECT_EQ(Calls("ZefStarted").size(), 3u);
}

}  // namespace
