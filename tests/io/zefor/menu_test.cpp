// The driver menu through the real exports, the parameter service stand-in
// (which registers the entries and runs them as the POS does) and the
// emulator; the correction receipt through the corvane stand-in.
#include <filesystem>

#include "zefor_fixture.h"

namespace {

using TRunMenu = int32_t(ZEF_STDCALL*)(int32_t, const char*, char*, int32_t);
using TClearMenu = void(ZEF_STDCALL*)();

const char kMenu[] =
    "<MENU caption=\"Service\">"
    "<MENUITEM caption=\"Sales by day\" operationId=\"Sales\" parameter=\"p1\">"
    "<DIALOGINFO dialogType=\"DateInterval\" caption=\"Period\"/>"
    "<MENUITEM caption=\"Never registered\" operationId=\"Inner\"/>"
    "</MENUITEM>"
    "<MENUITEM caption=\"Check\" operationId=\"Check\"><DIALOGINFO dialogType=\"dateinterval\"/></MENUITEM>"
    "</MENU>";

// The POS objects of the demo receipts (restaurant, station, cashier).
std::string PosObjects() {
  std::string text;
  platform::ReadWholeFile(std::string(ZEF_SOURCE_DIR) + "/tools/possim/demo/receipts.cfg", text);
  return text;
}

// The envelope and header of a fiscal document naming those objects.
const char kHeaderOpening[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<FiscalDocument Options=\"\"";
const char kHeader[] =
    "\r\n\t<Header>\r\n"
    "\t\t<Restaurant Id=\"10\" Code=\"15\" Name=\"Cafe Orbelo\"/>\r\n"
    "\t\t<Operator Id=\"5\" Code=\"105\" Name=\"Anna Petrova\"/>\r\n"
    "\t\t<Station Id=\"3\" Code=\"3\" Name=\"Bar station\"/>\r\n"
    "\t\t<Unfiscal/>\r\n"
    "\t</Header>\r\n";

class Menu : public ZeforTest {
 protected:
  // `pos`: the POS objects the documents of the own entries name.
  void Start(const std::string& emulatorLines, const std::string& pos = "",
             const std::string& module = "emulator.so") {
    platform::WriteWholeFile(dir_ + "menu.xml", kMenu);
    WriteEmulator(emulatorLines);
    WriteParams(Device(0, "", module) + pos);
    Load();
    ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    ASSERT_TRUE(params);
    clear_ = reinterpret_cast<TClearMenu>(platform::FindFunction(params, "ParamsClearMenu"));
    run_ = reinterpret_cast<TRunMenu>(platform::FindFunction(params, "ParamsRunMenu"));
  }
  // The service keeps the entries of the process; each test starts without.
  void TearDown() override {
    if (clear_) clear_();
    ZeforTest::TearDown();
  }
  std::string Run(int32_t handle, const std::string& answer) {
    char buffer[260] = "untouched";
    EXPECT_EQ(run_(handle, answer.c_str(), buffer, sizeof buffer), 1);
    return buffer;
  }
  std::string MenuLines() const {
    std::string lines;
    std::istringstream in(Read("requests.log"));
    for (std::string line; std::getline(in, line);)
      if (line.rfind("MENU ", 0) == 0) lines += line + "\n";
    return lines;
  }
  static std::string Request(const std::string& attrs, const std::string& dialog) {
    return "[menu operation] <?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MENUOPERATION " + attrs +
           (dialog.empty() ? "/>" : ">\r\n\t" + dialog + "\r\n</MENUOPERATION>");
  }
  TRunMenu run_ = nullptr;
  TClearMenu clear_ = nullptr;
};

TEST_F(Menu, DriverEntriesAndOwnEntriesUnderTheTopEntry) {
  Start("menu = menu.xml\noptions = foCorrectionReceipt foOpenShiftReport");
  EXPECT_EQ(MenuLines(),
            "MENU Service parent=0 handle=1 dialog=0 submenu\n"
            "MENU Sales by day parent=1 handle=2 dialog=1 [Period] command\n"
            "MENU Check parent=1 handle=3 dialog=0 command\n"
            "MENU Correction Receipt parent=1 handle=4 dialog=0 command\n"
            "MENU Open Shift Report parent=1 handle=5 dialog=0 command\n");
  EXPECT_EQ(JournalLines(" registered with MenuHandle="), (Lines{"menu Service registered with MenuHandle=1",
                                                                  "menu Sales by day registered with MenuHandle=2",
                                                                  "menu Check registered with MenuHandle=3"}));
  EXPECT_EQ(JournalLines("Correction Receipt registered"), Lines{}) << "own entries get no line";
}

// POS objects of class 138 (purposes to lock) and 5 (user rights) for the
// entries' GUIDs: one of each found directly, one purpose whose first
// object is inactive, and a user right whose GUID a purpose names.
const char kReferents[] =
    "[host]\nMainCharset = 204\n"
    "[object 138 501]\nGUIDString = {A1B2C3D4-0000-4000-8000-00000000000A}\nStatus = 1\n"
    "[object 138 502]\nGUIDString = {C0FFEE00-0000-4000-8000-00000000000C}\nStatus = 0\n"
    "[object 138 503]\nGUIDString = {c0ffee00-0000-4000-8000-00000000000c}\nStatus = 2\n"
    "[object 5 601]\nGUIDString = {B0000000-0000-4000-8000-00000000000B}\n"
    "[object 5 602]\nGUIDString = {D0000000-0000-4000-8000-00000000000D}\nStatus = 1\n";

TEST_F(Menu, LocksAndRightsAreThePOSObjectsOfTheirGUIDs) {
  platform::WriteWholeFile(
      dir_ + "locks.xml",
      "<MENU caption=\"Service\" purposeToLock=\"{A1B2C3D4-0000-4000-8000-00000000000A}\">"
      "<MENUITEM caption=\"Locked\" operationId=\"L\" purposeToLock=\"{a1b2c3d4-0000-4000-8000-00000000000a}\""
      " userRight=\"{b0000000-0000-4000-8000-00000000000b}\"/>"
      "<MENUITEM caption=\"Second object\" operationId=\"S\" purposeToLock=\"{C0FFEE00-0000-4000-8000-00000000000C}\"/>"
      "<MENUITEM caption=\"Unknown\" operationId=\"U\" purposeToLock=\"{D0000000-0000-4000-8000-00000000000D}\""
      " userRight=\"{E0000000-0000-4000-8000-00000000000E}\"/>"
      "</MENU>");
  Start("menu = locks.xml", kReferents);
  EXPECT_EQ(MenuLines(),
            "MENU Service parent=0 handle=1 dialog=0 submenu\n"
            "MENU Locked parent=1 handle=2 dialog=0 command lock=501 right=601\n"
            "MENU Second object parent=1 handle=3 dialog=0 command lock=503\n"
            "MENU Unknown parent=1 handle=4 dialog=0 command\n")
      << "a submenu, an inactive object, another class and an unknown GUID give no identifier";
}

TEST_F(Menu, CaptionsAreCutInThePOSCharacterSet) {
  std::string cyrillic;
  for (int i = 0; i < 90; ++i) cyrillic += "\xD0\x96";  // Zhe, one byte in Windows-1251
  const std::string dialog(300, 'p');
  platform::WriteWholeFile(dir_ + "long.xml", "<MENU><MENUITEM caption=\"" + cyrillic +
                                                  "\" operationId=\"Long\"><DIALOGINFO dialogType=\"OneNumber\""
                                                  " caption=\"" + dialog + "\"/></MENUITEM></MENU>");
  Start("menu = long.xml", "[host]\nMainCharset = 204\n");
  EXPECT_EQ(MenuLines(), "MENU Zefor # 1 parent=0 handle=1 dialog=0 submenu\n"
                         "MENU " + std::string(83, '\xC6') + " parent=1 handle=2 dialog=4 [" +
                         std::string(255, 'p') + "] command\n");
  EXPECT_EQ(JournalLines(" registered with MenuHandle="),
            (Lines{"menu Zefor # 1 registered with MenuHandle=1",
                   "menu " + std::string(83, '\xC6') + " registered with MenuHandle=2"}));
}

TEST_F(Menu, OperationRequestsCarryTheDialogAnswer) {
  Start("menu = menu.xml");
  EXPECT_EQ(Run(2, "20240101;20240131"), "") << "a reply without PRINTUNFISCAL names no file";
  Run(2, "2024-01-01");
  Run(3, "ignored");
  std::string tape = Read("emu1.tape");
  EXPECT_TRUE(Contains(tape, Request("operationId=\"Sales\" parameter=\"p1\"",
                                     "<DIALOGINFO from=\"2024-01-01\" to=\"2024-01-31\"/>"))) << tape;
  EXPECT_TRUE(Contains(tape, Request("operationId=\"Sales\" parameter=\"p1\"",
                                     "<DIALOGINFO from=\"2024-01-01\" to=\"\"/>"))) << tape;
  EXPECT_TRUE(Contains(tape, Request("operationId=\"Check\" parameter=\"\"", ""))) << tape;
  EXPECT_FALSE(platform::FileExists("Zefor_0_Menu.prn"));
  adapter_.Done(1);  // writes what the journal still buffers
  const std::string inStr = "CallXMLMenuItem InStr= <?xml version=\"1.0\" encoding=\"utf-8\"?>";
  EXPECT_EQ(JournalLines("CallXMLMenuItem"),
            (Lines{"CallXMLMenuItem for operation Sales, parameter p1", inStr, "CallXMLMenuItem OutXML= <MenuReply/>",
                   "CallXMLMenuItem for operation Sales, parameter p1", inStr, "CallXMLMenuItem OutXML= <MenuReply/>",
                   "CallXMLMenuItem for operation Check, parameter ", inStr,
                   "CallXMLMenuItem OutXML= <MenuReply/>"}));
}

TEST_F(Menu, APrintoutInTheReplyIsWrittenToTheMenuPrintFileAsPRN) {
  platform::WriteWholeFile(dir_ + "reply.xml",
                           "<MenuReply><PRINTUNFISCAL><Unfiscal><TextLine Text=\"Sales 100.00\"/></Unfiscal>"
                           "<Unfiscal CutAfter=\"1\"><TextLine Text=\"End\"/></Unfiscal></PRINTUNFISCAL></MenuReply>");
  Start("menu = menu.xml\nmenu_reply = reply.xml");
  EXPECT_EQ(Run(2, ""), "Zefor_0_Menu.prn");
  EXPECT_EQ(test_files::FileText("Zefor_0_Menu.prn"),
            "\x1b" "1" "\x1b" "6" "Sales 100.00\r\n"
            "\x1b" "1" "\x1b" "6" "End\r\n" "\x1b" "7");
  std::remove("Zefor_0_Menu.prn");
}

TEST_F(Menu, AMalformedReplyWritesNoPrintFile) {
  platform::WriteWholeFile(dir_ + "reply.xml", "<MenuReply><PRINTUNFISCAL><Unfiscal>");
  Start("menu = menu.xml\nmenu_reply = reply.xml");
  EXPECT_EQ(Run(2, ""), "");
  EXPECT_FALSE(platform::FileExists("Zefor_0_Menu.prn"));
  EXPECT_EQ(JournalLines("CallXMLMenuItem"),
            (Lines{"CallXMLMenuItem for operation Sales, parameter p1",
                   "CallXMLMenuItem InStr= <?xml version=\"1.0\" encoding=\"utf-8\"?>",
                   "CallXMLMenuItem OutXML= <MenuReply><PRINTUNFISCAL><Unfiscal>"}));
  std::string errors;
  for (const std::string& line : ErrorLines(Journal())) errors += line + "\r\n";
  EXPECT_TRUE(OneLineOpening(errors, "#1 err3651: ZefMenuOperation reply: "));
}

TEST_F(Menu, DriverFailureEndsTheEntryWithoutACrash) {
  Start("menu = menu.xml\nfault = ZefMenuOperation 103");
  EXPECT_EQ(Run(2, ""), "");
  EXPECT_EQ(JournalLines("CallXMLMenuItem"),
            (Lines{"CallXMLMenuItem for operation Sales, parameter p1",
                   "CallXMLMenuItem InStr= <?xml version=\"1.0\" encoding=\"utf-8\"?>"}))
      << "no reply line after a failed call";
}

TEST_F(Menu, AnExceptionOfTheDriverIsTheEntrysDeviceError) {
  Start("menu = menu.xml\nthrow = ZefMenuOperation 1");
  EXPECT_EQ(Run(2, ""), "");
  EXPECT_EQ(ErrorLines(Journal()), (Lines{"#1 err3651: ZefMenuOperationEmulator fault in ZefMenuOperation"}));
  EXPECT_EQ(JournalLines("CallXMLMenuItem"),
            (Lines{"CallXMLMenuItem for operation Sales, parameter p1",
                   "CallXMLMenuItem InStr= <?xml version=\"1.0\" encoding=\"utf-8\"?>"}))
      << "no reply line after a failed call";
}

TEST_F(Menu, TheOpenShiftReportIsAFiscalDocumentWithItsHeader) {
  Start("options = foOpenShiftReport\ndocuments = emu1.docs", PosObjects());
  Run(1, "");
  const std::string docs = Read("emu1.docs");
  EXPECT_TRUE(Contains(docs, std::string(kHeaderOpening) + " DocType=\"Report\">" + kHeader +
                                 "\t<Report ReportType=\"OpenShiftReport\"/>\r\n</FiscalDocument>"))
      << docs;
  EXPECT_TRUE(Contains(Read("emu1.tape"), "OpenShiftReport")) << Read("emu1.tape");
  adapter_.Done(1);
  EXPECT_EQ(JournalLines("MenuOpenShiftReport"), (Lines{">>> MenuOpenShiftReport (ZEFOR-ENTRY) <<<"}))
      << "no error line";
}

TEST_F(Menu, AFailedOpenShiftReportIsShownAsTheCorrectionReceiptsErrors) {
  Start("options = foOpenShiftReport\nfault = ZefFiscalDocument 103", PosObjects());
  Run(1, "");
  EXPECT_EQ(Calls("ZefFiscalDocument").size(), 1u);
  const Lines lines = JournalLines("MenuOpenShiftReport");
  ASSERT_EQ(lines.size(), 2u) << Journal();
  EXPECT_EQ(lines[0], ">>> MenuOpenShiftReport (ZEFOR-ENTRY) <<<");
  const std::string prefix = "MenuOpenShiftReport Error:";
  ASSERT_EQ(lines[1].substr(0, prefix.size()), prefix);
  // The text is the driver's account of its failure, the same in the question.
  const std::string error = lines[1].substr(prefix.size());
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(LinesWith(Read("requests.log"), "QUESTION", "\n"),
            (Lines{"QUESTION " + error + " -> 3 (type 1, buttons 4, wait -1)"}));
}

TEST_F(Menu, WithoutInitReplyTheTopEntryIsCreated) {
  Start("options = foCorrectionReceipt");
  EXPECT_EQ(MenuLines(), "MENU Correction Receipt parent=0 handle=1 dialog=0 command\n")
      << "an init reply without MENU registers the own entry at the top";
}

// The driver's menu reply lives in a thread-local buffer of the driver
// thread, which keeps the library loaded while that thread lives. Done ends
// the driver thread before it releases the library, so the library unloads
// in the POS's thread, not in a dying worker thread (where a Windows driver's
// runtime deadlocks under the loader lock).
TEST_F(Menu, DoneEndsTheDriverThreadBeforeTheLibraryIsUnloaded) {
  Start("menu = menu.xml\nunload_log = unload.log", "", "emulator_unloading.so");
  Run(2, "20240101;20240131");
  std::vector<std::string> menuCalls = Calls("ZefMenuOperation");
  ASSERT_EQ(menuCalls.size(), 1u);
  const std::string pos = std::to_string(platform::CurrentThreadId());
  ASSERT_NE(Field(menuCalls[0], "thread"), pos) << "the menu operation runs on the driver thread";
  EXPECT_EQ(Read("unload.log"), "") << "loaded while the device lives";
  adapter_.Done(1);
  EXPECT_EQ(Read("unload.log"), "unloaded thread=" + pos + "\n");
}

// The correction receipt: corvane's answer is sent, or its error shown.
class Correction : public Menu {
 protected:
  void SetUp() override {
    Menu::SetUp();
    oldDir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    corvane_ = std::make_unique<test_files::tEnvSetting>("CORVANE_CONFIG", dir_ + "corvane.cfg");
  }
  void TearDown() override {
    std::filesystem::current_path(oldDir_);
    corvane_.reset();
    Menu::TearDown();
  }
  // `answers`: lines of the POS's answers to the device's dialogs.
  void Corvane(const std::string& lines, const std::string& answers = "") {
    platform::WriteWholeFile(dir_ + "corvane.cfg", "log = " + dir_ + "corvane.log\n" + lines + "\n");
    Start("options = foCorrectionReceipt", answers + PosObjects());
    Run(1, "");
  }
  std::filesystem::path oldDir_;
  std::unique_ptr<test_files::tEnvSetting> corvane_;
};

TEST_F(Correction, TheAnswerIsSent) {
  Corvane("answer = document");
  EXPECT_EQ(Read("corvane.log"), std::string(kHeaderOpening) + " DocType=\"CorrectionReceipt\">" + kHeader +
                                     "</FiscalDocument>\n");
  EXPECT_EQ(Calls("ZefFiscalDocument").size(), 1u);
  EXPECT_TRUE(Contains(Read("emu1.tape"), "Correction")) << Read("emu1.tape");
  EXPECT_FALSE(platform::FileExists(dir_ + "corvane-in.xml"));
  EXPECT_FALSE(platform::FileExists(dir_ + "corvane-out.xml"));
  EXPECT_EQ(JournalLines("CorvaneError"), Lines{});
}

TEST_F(Correction, AResultIsShownAndNothingSent) {
  Corvane("answer = result\nerror = Sum does not match");
  EXPECT_EQ(Calls("ZefFiscalDocument").size(), 0u);
  EXPECT_EQ(JournalLines("CorvaneError"), (Lines{"CorvaneError:Sum does not match"}));
  EXPECT_EQ(LinesWith(Read("requests.log"), "QUESTION", "\n"),
            (Lines{"QUESTION Sum does not match -> 3 (type 1, buttons 4, wait -1)"}));
  EXPECT_FALSE(platform::FileExists(dir_ + "corvane-in.xml"));
}

TEST_F(Correction, AHostWithoutTheRecordFormIsAskedTheOlderQuestion) {
  Corvane("answer = result\nerror = Sum does not match", "form = legacy\n");
  EXPECT_EQ(LinesWith(Read("requests.log"), "QUESTION", "\n"),
            (Lines{"QUESTION(legacy) -> 3 [Sum does not match] buttons 4"}));
}

TEST_F(Correction, NoAnswerIsAnError) {
  Corvane("answer = none");
  EXPECT_EQ(Calls("ZefFiscalDocument").size(), 0u);
  EXPECT_EQ(JournalLines("CorvaneError"),
            (Lines{"CorvaneError:No answer from corvane.exe corvane-out.xml corvane-in.xml"}));
}

}  // namespace
