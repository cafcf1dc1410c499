// Non-fiscal printing, the customer display and the drawer through the real
// exports on the emulator: what reaches the paper tape, the journal lines,
// the dump files, and the faults of a driver that refuses a segment or
// lacks the print function.
#include <cstring>

#include "nolvex32/nolvex32.h"
#include "zefor_fixture.h"

namespace {

class Unfiscal : public ZeforTest {
 protected:
  void Start(const std::string& options, const std::string& params = "", const std::string& module = "emulator.so",
             const std::string& emulatorLines = "") {
    NolvexSetLogPath((dir_ + "nolvex.log").c_str());
    WriteEmulator("options = " + options + "\n" + emulatorLines);
    WriteParams(Device(0, params, module));
    Load();
    ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
    tapeStart_ = Read("emu1.tape").size();
    journalStart_ = Journal().size();
  }
  bool Printing(const std::string& prn) {
    return adapter_.PrintingWithRes(1, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size())) != 0;
  }
  std::string Printed() const { return Read("emu1.tape").substr(tapeStart_); }
  std::string NewJournal() const { return Journal().substr(journalStart_); }
  // The journal of the test's calls, complete once the device is released.
  std::string FinalJournal() {
    adapter_.Done(1);
    std::string journal = NewJournal();
    journal = journal.substr(0, journal.find(">>> TZefor.BeforeDestruction"));
    return journal.substr(std::min(journal.find(">>> "), journal.size()));
  }
  void TearDown() override {
    ZeforTest::TearDown();
    NolvexSetLogPath(nullptr);
  }
  static std::string Sample(const char* name) {
    std::string bytes;
    platform::ReadWholeFile(std::string(ZEF_DEMO_FOLDER) + name, bytes);
    return bytes;
  }
  // The dump files lie next to the adapter; each test removes its own.
  std::string TakeDump(const char* name) {
    std::string path = bin_ + name, text;
    platform::ReadWholeFile(path, text);
    platform::RemoveFile(path);
    return text;
  }
  // What the error service recorded for the POS.
  std::string Errors() const { return Read("nolvex.log"); }
  // Its error entries holding `marker`, from "ERR <code>: " on (after the
  // time, thread and nesting of the service's log).
  Lines ErrorEntries(const std::string& marker) const {
    Lines entries;
    for (const std::string& line : LinesWith(Errors(), marker, "\n")) {
      const size_t at = line.find("] ");
      const size_t err = line.find("ERR ", at == std::string::npos ? 0 : at);
      entries.push_back(err == std::string::npos ? line : line.substr(err));
    }
    return entries;
  }

  size_t tapeStart_ = 0, journalStart_ = 0;
};

TEST_F(Unfiscal, GuestBillReachesTheTapeAsItWouldLook) {
  Start("foText");
  ASSERT_TRUE(Printing(Sample("guest_bill.prn")));
  EXPECT_EQ(Printed(), kGuestBillTape);
  EXPECT_EQ(FinalJournal(),
            ">>> Printing (ZEFOR-ENTRY) <<<\r\n"
            "--> uf_Doc (ZEFOR-ENTRY) <--\r\n"
            "\r\nQuillet.DLL version 7.0.52.0\r\n\r\n"
            "{uf_Doc} ConvertPRNToXML = TRUE\r\n"
            ">>> PrintSegment (ZEFOR-ENTRY) <<<\r\n"
            "<<< {PrintSegment} (ZEFOR-FINAL) = TRUE >>>\r\n\r\n"
            "<-- {uf_Doc} (ZEFOR-FINAL) = TRUE -->\r\n\r\n"
            "<<< {Printing} (ZEFOR-FINAL) = TRUE >>>\r\n\r\n")
      << "the converter library beside the adapter, loaded through the module registry; the driver call "
         "itself is a printout line, above level 1";
}

TEST_F(Unfiscal, EachSegmentIsItsOwnDocumentAndTheDumpHoldsTheWholeMarkup) {
  Start("foText", "20 = 1\n5 = 2");
  ASSERT_TRUE(Printing("one\n\x1b" "7two\n"));
  EXPECT_EQ(Printed(), "one\n----------------- cut ------------------\ntwo\n");
  EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 2u);
  EXPECT_EQ(LinesFrom(FinalJournal(), "~~> ZefUnfiscalPrint ", 8, 1),
            (Lines{"~~> ZefUnfiscalPrint (ZEFOR-ENTRY) <~~",
                   "{ZefUnfiscalPrint} AXML [IN] = <?xml version=\"1.0\" encoding=\"utf-8\"?>",
                   "<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                   "\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"two\"/>",
                   "</Unfiscal>",
                   "{ZefUnfiscalPrint} AFlags [IN] = 0",
                   "<~~ {ZefUnfiscalPrint} (ZEFOR-FINAL) = 0 ~~>",
                   ""}))
      << "the second segment's call";
  EXPECT_EQ(TakeDump("ZefUnfiscPrn.xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<PRINTUNFISCAL>\r\n"
            "\t<Unfiscal Slip=\"0\" CutAfter=\"1\" Footer=\"0\">\r\n"
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"one\"/>\r\n"
            "\t</Unfiscal>\r\n"
            "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">\r\n"
            "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"two\"/>\r\n"
            "\t</Unfiscal>\r\n"
            "</PRINTUNFISCAL>");
}

TEST_F(Unfiscal, DriverRefusingTheSecondSegmentStopsTheJobAndSaysSo) {
  Start("foText", "", "emulator.so", "fault = ZefUnfiscalPrint 203 2");
  EXPECT_FALSE(Printing("one\n\x1b" "7two\n\x1b" "7three\n"));
  EXPECT_EQ(Printed(), "one\n----------------- cut ------------------\n");
  EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 2u) << "the third segment is not sent";
  const std::string journal = FinalJournal();
  EXPECT_EQ(LinesFrom(journal, "<<< {PrintSegment} (ZEFOR-FINAL) = TRUE >>>", 13),
            (Lines{"<<< {PrintSegment} (ZEFOR-FINAL) = TRUE >>>",
                   "",
                   ">>> PrintSegment (ZEFOR-ENTRY) <<<",
                   "<~~ {ZefUnfiscalPrint} (ZEFOR-FINAL) = 203 ~~>",
                   "",
                   "~~> ZefGetLastLogicError (ZEFOR-ENTRY) <~~",
                   "{ZefGetLastLogicError} ALogicError [OUT] = 0, , ",
                   "<~~ {ZefGetLastLogicError} (ZEFOR-FINAL) ~~>",
                   "",
                   "{CreateResult}[ZefUnfiscalPrint] (LastRes = 0, LastExecErrorCode = 203, "
                   "LastExecErrorText = Error (203). End of paper while printing) = FALSE",
                   "<<< {PrintSegment} (ZEFOR-FINAL) = FALSE >>>",
                   "",
                   "{uf_Doc} Segments printed = 1 of 3"}));
  EXPECT_EQ(ErrorLines(journal), (Lines{"#1 err3663: Error (203). End of paper while printing"}));
  const Lines closing = LinesFrom(journal, " #1 err3663: ", 3);
  EXPECT_EQ(Lines(closing.begin() + std::min<size_t>(1, closing.size()), closing.end()),
            (Lines{"<-- {uf_Doc} (ZEFOR-FINAL) = FALSE -->", ""}))
      << "the error line closes the step";
  EXPECT_EQ(LinesWith(journal, "{Printing}"), (Lines{"<<< {Printing} (ZEFOR-FINAL) = FALSE >>>"}));
  EXPECT_EQ(ErrorEntries("3663"),
            (Lines{"ERR 3663: Fiscal register zefor.so # 1: Error (203). End of paper while printing"}));
}

TEST_F(Unfiscal, DriverWithoutThePrintFunctionFailsThePrintout) {
  Start("foText", "", "emulator_noprint.so");
  EXPECT_FALSE(Printing("abc\n"));
  const std::string journal = FinalJournal();
  EXPECT_EQ(LinesWith(journal, "{ZefUnfiscalPrint}"),
            (Lines{"{ZefUnfiscalPrint} Not exported call ZefUnfiscalPrint for a supported option [foText]"}));
  EXPECT_EQ(LinesWith(journal, "Segments printed"), (Lines{"{uf_Doc} Segments printed = 0 of 1"}));
  EXPECT_TRUE(OneLineOpening(journal, "TZefor.Printing exception: "));
  EXPECT_EQ(ErrorEntries("Not exported call"),
            (Lines{"ERR 3619: Not exported call ZefUnfiscalPrint for a supported option [foText]"}));
  EXPECT_EQ(Printed(), "");
}

TEST_F(Unfiscal, WithoutNonFiscalPrintingNothingIsSent) {
  Start("foZReport");
  EXPECT_FALSE(Printing("abc\n"));
  EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 0u);
}

TEST_F(Unfiscal, BlankPrintoutsAndReceiptInsertsAreNotSentNow) {
  Start("foText");
  EXPECT_TRUE(Printing("\r\n\r\n   \n")) << "only blank lines count as printed";
  EXPECT_TRUE(Printing("\x1b" "Einsert\n")) << "kept for the next receipt";
  EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 0u);
  EXPECT_EQ(Printed(), "");
}

TEST_F(Unfiscal, SlipOnlyWhenTheDriverHasASlipStation) {
  Start("foText");
  ASSERT_TRUE(Printing("\x1b" "8slip\n\x1b" "9"));
  EXPECT_EQ(Printed(), "slip\n") << "sent with Slip=\"0\"";
  adapter_.DONEDLL();
  adapter_.Unload();
  loaded_ = false;
  Start("foText foSlip");
  ASSERT_TRUE(Printing("\x1b" "8slip\n\x1b" "9"));
  EXPECT_EQ(Printed(), "slip| slip\n");
}

TEST_F(Unfiscal, CustomDocumentGoesAsAFiscalDocument) {
  Start("foText");
  ASSERT_TRUE(Printing("<?xml version=\"1.0\" encoding=\"OB7\"?><Text Line=\"Hello\"/>"));
  EXPECT_EQ(Printed(),
            "---- fiscal document 1 DocType=Custom ----\n"
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<FiscalDocument DocType=\"Custom\" Options=\"\">\r\n"
            "\t<Text Line=\"Hello\"/>\r\n"
            "</FiscalDocument>\n");
  EXPECT_FALSE(Printing("<?xml version=\"1.0\" encoding=\"OB7\"?><Text")) << "malformed content";
  EXPECT_TRUE(OneLineOpening(NewJournal(), "TZefor.Printing exception: "));
}

TEST_F(Unfiscal, JournalPrintoutFromExtendedPrintData) {
  Start("foText");
  const char xml[] = "<Doc ForLogger=\"1\" ToPrint=\"0\"><DataToPrint>YWJjCg==</DataToPrint></Doc>";
  EXPECT_EQ(adapter_.ExtPrintData(1, xml), 1);
  EXPECT_EQ(Printed(),
            "---- fiscal document 1 DocType=PrintLog ----\n"
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<FiscalDocument DocType=\"PrintLog\" Options=\"\">\r\n"
            "\t<Header>\r\n"
            "\t\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">\r\n"
            "\t\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"3\" Text=\"abc\"/>\r\n"
            "\t\t</Unfiscal>\r\n"
            "\t</Header>\r\n"
            "</FiscalDocument>\n");
  EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 0u);
}

// The driver may answer a journal document with markup to print: in
// "ToPrint", or, at protocol 26, as the reply's root itself. Otherwise the
// job's own PRN is printed (not the Base64 text it came in).
TEST_F(Unfiscal, JournalReplyIsPrintedFromToPrintOrAtProtocol26) {
  const char xml[] = "<Doc ForLogger=\"1\" ToPrint=\"1\"><DataToPrint>YWJjCg==</DataToPrint></Doc>";
  const struct {
    const char* reply;
    const char* protocol;
    bool printed;
  } cases[] = {
      {"<Result><ToPrint><Unfiscal><TextLine Text=\"kept\"/></Unfiscal></ToPrint></Result>", "40", true},
      {"<Result><Unfiscal><TextLine Text=\"kept\"/></Unfiscal></Result>", "26", true},
      {"<Result><Unfiscal><TextLine Text=\"kept\"/></Unfiscal></Result>", "40", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.protocol);
    platform::WriteWholeFile(dir_ + "reply.xml", c.reply);
    Start("foText", "", "emulator.so", std::string("fiscal_reply = reply.xml\nprotocol = ") + c.protocol);
    EXPECT_EQ(adapter_.ExtPrintData(1, xml), 1);
    EXPECT_EQ(Calls("ZefUnfiscalPrint").size(), 1u);
    EXPECT_EQ(Contains(Printed(), "\nkept\n"), c.printed) << Printed();
    EXPECT_EQ(Contains(Printed(), "\nabc\n"), !c.printed) << Printed();
    adapter_.DONEDLL();
    adapter_.Unload();
    loaded_ = false;
    platform::RemoveFile(dir_ + "calls.log");
  }
}

TEST_F(Unfiscal, CustomerDisplayShowsTheBytesAndDumpsTheDocument) {
  Start("foText foCustomerDisplay", "23 = 1");
  int32_t display = adapter_.InitCustDispPort(0, 0);
  const char text[] = "Total 900.00";
  adapter_.Print(display, reinterpret_cast<const uint8_t*>(text), int32_t(sizeof text - 1));
  adapter_.Print(display, reinterpret_cast<const uint8_t*>(text), 0);
  EXPECT_EQ(Printed(), "[display] Total 900.00\n");
  EXPECT_EQ(Calls("ZefCustomerDisplay").size(), 1u) << "no bytes, no call";
  EXPECT_EQ(TakeDump("ZefCustDisp.xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<Unfiscal Slip=\"0\">\r\n"
            "\t<RawBlock Encoding=\"Base64\">VG90YWwgOTAwLjAw</RawBlock>\r\n"
            "</Unfiscal>");
}

TEST_F(Unfiscal, DisplayNeedsTheDriverOption) {
  Start("foText");
  int32_t display = adapter_.InitCustDispPort(0, 0);
  adapter_.Print(display, reinterpret_cast<const uint8_t*>("x"), 1);
  EXPECT_EQ(Calls("ZefCustomerDisplay").size(), 0u);
}

TEST_F(Unfiscal, DrawerOpensAndIsOpenUntilClosed) {
  Start("foText foDrawerOpen");
  EXPECT_EQ(adapter_.IsDrawerNumOpen(1, 0), 0);
  adapter_.OpenDrawerNum(1, 1);
  EXPECT_EQ(Printed(), "[drawer 1 opened]\n");
  EXPECT_EQ(adapter_.IsDrawerNumOpen(1, 0), -1);
  EXPECT_EQ(adapter_.IsDrawerNumOpen(1, 0), 0) << "the cashier closed it";
  ASSERT_TRUE(Printing("\x1b<"));
  EXPECT_EQ(adapter_.IsDrawerNumOpen(1, 0), 0) << "a printout of only a drawer command has no text to send";
  const Lines asked = LinesWith(NewJournal(), "{ZefGetStatus} AFieldsNeeded [IN] = (");
  EXPECT_FALSE(asked.empty()) << NewJournal();
}

TEST_F(Unfiscal, DrawerStateFailureIsJournalledUnderTheDrawerCall) {
  Start("foText", "", "emulator.so", "fault = ZefGetStatus 103 2");
  EXPECT_EQ(adapter_.IsDrawerNumOpen(1, 0), 0);
  EXPECT_TRUE(Contains(NewJournal(), "{CreateResult}[ZefOpenDrawer] (LastRes = 103,")) << NewJournal();
  EXPECT_TRUE(Contains(NewJournal(), "<<< {IsDrawerOpen} (ZEFOR-FINAL) = FALSE >>>")) << NewJournal();
}

// The emulator itself refuses what a register would not read.
TEST_F(Unfiscal, EmulatorRefusesMarkupARegisterWouldNotRead) {
  Start("foText");
  auto emulator = platform::FindLoadedLibrary(platform::LibraryFileName("emulator"));
  ASSERT_TRUE(emulator);
  using TUnfiscalPrint = int32_t(ZEF_STDCALL*)(int32_t, const char*, int32_t);
  using TLastLogicError = void(ZEF_STDCALL*)(int32_t, void*);
  auto print = reinterpret_cast<TUnfiscalPrint>(platform::FindFunction(emulator, "ZefUnfiscalPrint"));
  auto logic = reinterpret_cast<TLastLogicError>(platform::FindFunction(emulator, "ZefGetLastLogicError"));
  auto reason = [&] {
    uint8_t record[520] = {};
    logic(0, record);
    return std::string(reinterpret_cast<char*>(record + 265), record[264]);
  };
  EXPECT_EQ(print(0, "<Printout><TextLine Text=\"a\"/></Printout>", 0), 303);
  EXPECT_EQ(reason(), "ZefUnfiscalPrint: the root element is <Printout>, not <Unfiscal>");
  EXPECT_EQ(print(0, "<Unfiscal><TextLine Text=\"a\"></Unfiscal>", 0), 303);
  EXPECT_TRUE(Contains(reason(), "</TextLine> expected")) << reason();
  EXPECT_EQ(print(0, "<Unfiscal><TextLine Text=\"a&nbsp;\"/></Unfiscal>", 0), 303);
  EXPECT_EQ(print(0, "<Unfiscal><TextLine Text=\"\xCF\xF0\"/></Unfiscal>", 0), 303) << "not UTF-8";
  EXPECT_EQ(print(0, "<Unfiscal><RawBlock Encoding=\"Base64\">G0A</RawBlock></Unfiscal>", 0), 303);
  EXPECT_EQ(print(0, "<Unfiscal><TextLine Text=\"ok\"/></Unfiscal>", 0), 0);
  EXPECT_EQ(Printed(), "ok\n");
}

}  // namespace
