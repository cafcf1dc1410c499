// Loading the driver library, the wrappers' journal lines, missing
// functions, exceptions and the driver thread, through the real exports.
#include <atomic>
#include <cstring>
#include <regex>
#include <thread>

#include "zefor_fixture.h"

namespace {

using Binding = ZeforTest;

TEST_F(Binding, StatusCallJournalledByteForByte) {
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  std::string before = Journal();
  char id[256] = {};
  uint8_t opened = 9;
  EXPECT_EQ(adapter_.FiscGetExtID(1, id, &opened), 1);
  EXPECT_STREQ(id, "EMU0000001");
  EXPECT_EQ(opened, 0);
  adapter_.Done(1);
  std::string added = Journal().substr(before.size());
  added = added.substr(added.find(">>> FiscGetExtID"));
  EXPECT_EQ(added.substr(0, added.find("\r\n>>> TZefor.BeforeDestruction")),
            ">>> FiscGetExtID (ZEFOR-ENTRY) <<<\r\n"
            "~~> ZefGetStatus (ZEFOR-ENTRY) <~~\r\n"
            "{ZefGetStatus} AFieldsNeeded [IN] = (fnBusy, fnShiftState, fnSerialNumber)\r\n"
            "{ZefGetStatus} AStatus [OUT] = NotReady = FALSE, Busy = FALSE,ShiftState = ssShiftClosed,"
            "SerialNum = EMU0000001\r\n"
            "<~~ {ZefGetStatus} (ZEFOR-FINAL) = 0 ~~>\r\n\r\n"
            "<<< {FiscGetExtID} (ZEFOR-FINAL) = TRUE >>>\r\n");
  EXPECT_EQ(LinesFrom(added, ">>> TZefor.BeforeDestruction", 7),
            (Lines{">>> TZefor.BeforeDestruction (ZEFOR-ENTRY) <<<", "==> FreeLoDrv (ZEFOR-ENTRY) <==",
                   "~~> ZefDone (ZEFOR-ENTRY) <~~", "<~~ {ZefDone} (ZEFOR-FINAL) ~~>", "",
                   "<== {FreeLoDrv} (ZEFOR-FINAL) = TRUE ==>", ""}));
  EXPECT_EQ(Journal().substr(0, 2), "\r\n") << "a journal text of a bare line break is an empty line";
}

TEST_F(Binding, MissingLibraryIsShownAndTheDeviceRecoversWhenItIsThere) {
  WriteParams(Device(0, "", "nosuch.so"));
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), -1);
  // The system's error code and message vary.
  const Lines failed = LinesFrom(Journal(), "{LoadLoDrv} err3609 = ", 2);
  ASSERT_EQ(failed.size(), 2u) << Journal();
  EXPECT_TRUE(std::regex_match(failed[0], std::regex("\\{LoadLoDrv\\} err3609 = GetLastError\\(\\) = \\d+ "
                                                     "in LoadLibrary\\('nosuch\\.so'\\) for zefor\\.so # 1")))
      << failed[0];
  EXPECT_EQ(failed[1], "<== {LoadLoDrv} (ZEFOR-FINAL) = FALSE ==>");
  const Lines shown = LinesWith(Read("requests.log"), "MESSAGE", "\n");
  ASSERT_EQ(shown.size(), 1u) << Read("requests.log");
  EXPECT_TRUE(std::regex_match(shown[0], std::regex("MESSAGE GetLastError\\(\\) = \\d+ in LoadLibrary\\('nosuch\\.so'\\) "
                                                    "for zefor\\.so # 1\r?")))
      << shown[0];

  WriteParams(Device(0));
  auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  ASSERT_TRUE(params);
  reinterpret_cast<TLoadConfig>(platform::FindFunction(params, "ParamsLoadConfig"))(nullptr);
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
}

TEST_F(Binding, RequiredFunctionsAreNamedWhenMissing) {
  const std::pair<const char*, const char*> cases[] = {
      {"emulator_noinit.so", "ZefInitXML"},      {"emulator_noprotocol.so", "ZefMaxProtocolSupported"},
      {"emulator_nooptions.so", "ZefGetOptions"}, {"emulator_nologic.so", "ZefGetLastLogicError"},
      {"emulator_nostatus.so", "ZefGetStatus"},
  };
  std::string devices;
  for (int n = 0; n < 5; ++n) devices += Device(n, "", cases[n].first);
  WriteParams(devices);
  Load();
  Lines shown;
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(adapter_.InitDevice(n, 0), -1) << cases[n].first;
    std::string expected = std::string("{LoadLoDrv} err3613 = Not found entry point '") + cases[n].second +
                           "' in the module '" + cases[n].first + "'";
    EXPECT_EQ(JournalLines("{LoadLoDrv}", n), (Lines{expected, "<== {LoadLoDrv} (ZEFOR-FINAL) = FALSE ==>"}));
    shown.push_back(std::string("MESSAGE Not found entry point '") + cases[n].second + "' in the module '" +
                    cases[n].first + "' -> 2");
  }
  EXPECT_EQ(LinesWith(Read("requests.log"), "MESSAGE", "\n"), shown);
}

TEST_F(Binding, InitXmlAloneIsEnoughAndClassicDriversUseInitAndOptions) {
  WriteEmulator("options = foText foZReport\ndriver_name = Classic");
  WriteParams(Device(0, "", "emulator_xmlonly.so") + Device(1, "", "emulator_classic.so"));
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
  EXPECT_EQ(adapter_.NewGetFlags(1), 0x82u | 0x1u | 0x8u);
  EXPECT_EQ(adapter_.InitDevice(1, 0), 2);
  EXPECT_EQ(adapter_.NewGetFlags(2), 0x82u | 0x1u | 0x8u);
  std::string classic = Journal(1);
  EXPECT_EQ(LinesFrom(classic, "~~> ZefInit ", 4),
            (Lines{"~~> ZefInit (ZEFOR-ENTRY) <~~", "{ZefInit} AParamsXML [IN] = <Params ProtocolVersion=\"58\">",
                   "\t<Emulator Config=\"" + dir_ + "emulator.cfg\"/>", "</Params>"}));
  EXPECT_EQ(LinesFrom(classic, "~~> ZefMaxProtocolSupported ", 3),
            (Lines{"~~> ZefMaxProtocolSupported (ZEFOR-ENTRY) <~~",
                   "<~~ {ZefMaxProtocolSupported} (ZEFOR-FINAL) = 40 ~~>", ""}));
  EXPECT_EQ(LinesWith(classic, "AOptions [OUT]"),
            (Lines{"{ZefGetOptions} AOptions [OUT] = 0x00000009, ADriverName [OUT] = Classic, "
                   "AVersionInfo [OUT] = 1.0, ADriverState [OUT] = Ready"}));
  EXPECT_EQ(LinesWith(classic, "GetFiscRegOptions"),
            (Lines{">>> GetFiscRegOptions (ZEFOR-ENTRY) <<<", "{GetFiscRegOptions} sOptions = (foText, foZReport)",
                   "<<< {GetFiscRegOptions} (ZEFOR-FINAL) >>>"}));
  EXPECT_EQ(JournalLines("ZefGetOptions", 0), Lines{});
}

TEST_F(Binding, WorkingCallsRunOnTheDriverThread) {
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  Status(1);
  adapter_.NewGetFlags(1);
  adapter_.PrintersStarted(1);
  adapter_.Done(1);
  std::string own = std::to_string(platform::CurrentThreadId());
  std::vector<std::string> working;
  for (const char* f : {"ZefInit", "ZefInitXML", "ZefGetStatus", "ZefDone"})
    for (const std::string& line : Calls(f)) working.push_back(Field(line, "thread"));
  ASSERT_GE(working.size(), 5u);
  for (const std::string& thread : working) {
    EXPECT_EQ(thread, working[0]);
    EXPECT_NE(thread, own);
  }
  ASSERT_EQ(Calls("ZefGetOptions").size(), 1u);
  EXPECT_EQ(Field(Calls("ZefGetOptions")[0], "thread"), own) << "ZefGetOptions runs in the caller's thread";
  EXPECT_EQ(Field(Calls("ZefStarted")[0], "thread"), own);
}

TEST_F(Binding, TwoDevicesWorkInParallelWithTheirOwnState) {
  WriteEmulator("delay = ZefGetStatus 300\n[device 1]\nserial = EMU0000002");
  WriteParams(Device(0) + Device(1));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  ASSERT_EQ(adapter_.InitDevice(1, 0), 2);
  std::atomic<int> done{0};
  auto ask = [&](int32_t handle, char* id) {
    int32_t task = AttachTask(("POS " + std::to_string(handle)).c_str());
    uint8_t opened = 0;
    adapter_.FiscGetExtID(handle, id, &opened);
    if (task > 0) DetachTask();
    ++done;
  };
  char first[256] = {}, second[256] = {};
  // The POS tasks take turns; this thread gives up its turn while it joins.
  DetachTask();
  std::thread a(ask, 1, first), b(ask, 2, second);
  a.join();
  b.join();
  task_ = AttachTask("POS test");
  EXPECT_EQ(done.load(), 2);
  EXPECT_STREQ(first, "EMU0000001");
  EXPECT_STREQ(second, "EMU0000002");
  bool overlapped = false;
  std::string threads[2];
  for (const std::string& line : Calls("ZefGetStatus")) {
    overlapped = overlapped || Field(line, "inflight") == "2";
    threads[Field(line, "number") == "1"] = Field(line, "thread");
  }
  EXPECT_TRUE(overlapped) << Read("calls.log");
  EXPECT_NE(threads[0], threads[1]) << "each device has its own driver thread";
}

TEST_F(Binding, ExceptionInGetOptionsIsAnInternalError) {
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  WriteEmulator("throw = ZefGetOptions");
  EXPECT_EQ(adapter_.NewGetFlags(1), 0x82u) << "the flags without options";
  EXPECT_EQ(JournalLines("{ZefGetOptions} Emulator fault"), (Lines{"{ZefGetOptions} Emulator fault in ZefGetOptions"}));
  EXPECT_EQ(JournalLines("{CreateResult}[ZefGetOptions]"),
            (Lines{"{CreateResult}[ZefGetOptions] (LastRes = 106, LastExecErrorCode = 0, "
                   "LastExecErrorText = Error (106). Internal error) = FALSE"}));
  WriteEmulator("options = foText");
  EXPECT_EQ(adapter_.NewGetFlags(1), 0x83u) << "recovers when the fault is gone";
}

TEST_F(Binding, DelayedDriverStillAnswers) {
  WriteParams(Device(0));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  WriteEmulator("delay = ZefGetStatus 1500");
  TPrinterStatus status = Status(1);
  EXPECT_EQ(status.Offline, 0);
}

}  // namespace

namespace {

TEST_F(Binding, ExceptionInTheInitialisationPassesOnWithoutACrash) {
  WriteEmulator("throw = ZefInitXML");
  WriteParams(Device(0));
  Load();
  EXPECT_EQ(adapter_.InitDevice(0, 0), -1);
  EXPECT_EQ(JournalLines("{ZefInitXML} Emulator fault"), (Lines{"{ZefInitXML} Emulator fault in ZefInitXML"}));
  WriteEmulator("");
  EXPECT_EQ(adapter_.InitDevice(0, 0), 1);
}

TEST_F(Binding, PaperOutWithAndWithoutWorkWithoutPaper) {
  WriteEmulator("paper = out\n[device 1]\noptions = foWorkWithoutPaper");
  WriteParams(Device(0) + Device(1));
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  ASSERT_EQ(adapter_.InitDevice(1, 0), 2);
  TPrinterStatus plain = Status(1), paperless = Status(2);
  EXPECT_EQ(plain.PaperStatus, 1);
  EXPECT_EQ(plain.Offline, 0);
  EXPECT_EQ(LinesWith(plain.StateText, "<PaperStatus "),
            (Lines{"\t<PaperStatus PaperOut=\"1\" PaperLow=\"0\" PaperOther=\"0\"/>"}));
  EXPECT_EQ(LinesWith(plain.StateText, "<DeviceStatus "), (Lines{"\t<DeviceStatus Online=\"1\"/>"}));
  EXPECT_EQ(LinesWith(paperless.StateText, "<DeviceStatus "), (Lines{"\t<DeviceStatus Online=\"0\"/>"}))
      << "without paper a register that may work without it is not online";
}

}  // namespace
