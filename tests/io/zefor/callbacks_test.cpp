// The driver's callbacks end to end: the emulator calls back into the real
// adapter from ZefInit, from threads of its own while a document is printed
// and between documents; the parameter service stand-in plays the POS
// (dialogs, menu, objects, printers, XML requests, messages) and logs what it
// was asked. Faulty records are handed to the two entry points directly.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "receipt_fixture.h"
#include "support/pos_document.h"

namespace {

using TInterface = void(ZEF_STDCALL*)(int32_t, int32_t, int32_t, int32_t, void*);
using TProp = void(ZEF_STDCALL*)(const char*, const char*, int32_t, char*, int32_t);
using TEmuCallbacks = void(ZEF_STDCALL*)(int32_t, TInterface*, TProp*);
using TUntrusted = int32_t(ZEF_STDCALL*)();

// 100 characters.
const std::string kXmlAnswer = "<Answer>" + std::string(83, 'x') + "</Answer>";

// The POS: host values, the station, a printer, the XML answer and objects.
std::string PosObjects() {
  return "[host]\nMainCharset = 204\n[system]\nThisStationIdent = 3\n[printer Kitchen]\nfile = kitchen.prn\n"
         "[xml]\nanswer = " + kXmlAnswer + "\n[ref 71]\n3.Name = Main hall\n[ref 10]\n4.Name = Soup\n"
         "[ref 65]\n5.Name = Happy hour\n";
}

// A driver printout: bold Cyrillic text, a plain line, cut.
const char kKitchenMarkup[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><Unfiscal CutAfter=\"1\">"
    "<TextLine Bold=\"1\" Text=\"\xD0\xA1\xD1\x83\xD0\xBF\"/><TextLine Text=\"Table 5\"/></Unfiscal>";
// The same in PRN with the POS's character set 204 (Windows-1251).
const char kKitchenPrn[] = "\x1b" "1" "\x1b" "6" "\x1b" "C" "\xD1\xF3\xEF" "\r\n" "Table 5\r\n" "\x1b" "7";

class Callbacks : public ReceiptTest {
 protected:
  // One register (device 0) whose emulator runs `emulator` lines; the POS
  // task that gets the signals is `posTask`; `answers` are the POS's
  // answers to the device's input boxes (none: no input box service).
  void StartWith(const std::string& emulator, int32_t posTask = 0, const std::string& answers = "input = 12345\n",
                 const std::string& params = "") {
    platform::WriteWholeFile(dir_ + "kitchen.xml", kKitchenMarkup);
    WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\n" + emulator);
    WriteParams(Device(0, params) + answers + SourceFile("tools/possim/demo/receipts.cfg") + PosObjects());
    Load();
    handle_ = adapter_.InitDevice(0, posTask);
    ASSERT_EQ(handle_, 1) << Journal();
    auto emulatorLib = platform::FindLoadedLibrary(platform::LibraryFileName("emulator"));
    ASSERT_TRUE(emulatorLib);
    reinterpret_cast<TEmuCallbacks>(platform::FindFunction(emulatorLib, "ZefEmuCallbacks"))(0, &interface_, &prop_);
    ASSERT_TRUE(interface_ && prop_);
  }
  std::string CallbackLog() const { return Read("emulator1.callbacks"); }
  std::string Requests() const { return Read("requests.log"); }
  int32_t Untrusted() const {
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    return reinterpret_cast<TUntrusted>(platform::FindFunction(params, "ParamsUntrustedCount"))();
  }
  // A record of `size` bytes (at least `room`) whose Size field says `announced`.
  static std::vector<uint8_t> Record(size_t room, int32_t announced) {
    std::vector<uint8_t> r(room, 0);
    std::memcpy(r.data(), &announced, 4);
    return r;
  }
  static void Put(std::vector<uint8_t>& r, size_t offset, int32_t value) { std::memcpy(&r[offset], &value, 4); }
  static void PutShort(std::vector<uint8_t>& r, size_t offset, const std::string& text) {
    r[offset] = uint8_t(text.size());
    std::memcpy(&r[offset + 1], text.data(), text.size());
  }

  TInterface interface_ = nullptr;
  TProp prop_ = nullptr;
};

TEST_F(Callbacks, EveryKindReachesThePosFromTheDriversInitialisation) {
  StartWith("on_init = message 1 4 5 Paper is low##NOWAIT##\n"
            "on_init = progress 10 3 Printing\n"
            "on_init = log 4 414243 Printing receipt\n"
            "on_init = prop Station Name 3 64\n"
            "on_init = prop Table Name 3 64\n"
            "on_init = prop Item Name 5 64\n"
            "on_init = xml 50 <Request/>\n"
            "on_init = input 1 8 Enter code\n"
            "on_init = perform 1 2 3\n"
            "on_init = menu Driver tools\n");
  EXPECT_EQ(CallbackLog(),
            "init: message -> 2\n"
            "init: progress\n"
            "init: log\n"
            "init: prop Station.Name#3 -> Main hall\n"
            "init: prop Table.Name#3 -> \n"
            "init: prop Item.Name#5 -> Happy hour\n"
            "init: xml -> " + kXmlAnswer.substr(0, 49) + "\n"
            "init: input OK=1 text=12345\n"
            "init: perform\n"
            "init: menu handle=1 module=set\n");
  EXPECT_EQ(Requests(),
            "MESSAGE Paper is low -> 2 (type 2, buttons 4, wait 0)\n"
            "PROGRESS Printing:3 of 10\n"
            "XML <Request/> -> 100 bytes\n"
            "INPUT Enter code [zefor.so#1] numeric limit 8 -> 12345\n"
            "PERFORM station 3: 1 2 3\n"
            "MENU Driver tools parent=0 handle=1 dialog=0 submenu\n");
  const Lines all = LinesWith(Journal(), "");
  const auto event = std::find(all.begin(), all.end(), "#FiscCommand");
  ASSERT_NE(event, all.end()) << Journal();
  EXPECT_EQ(Lines(event - std::min<ptrdiff_t>(1, event - all.begin()), event + std::min<ptrdiff_t>(3, all.end() - event)),
            (Lines{"", "#FiscCommand", "Printing receipt", "< 41 42 43"}));
  EXPECT_EQ(Untrusted(), 0);
}

// What the driver's journal events wrote while it initialised: the journal
// from the line after ZefInitXML's parameters up to the next line of the
// call itself.
std::string InitEvents(const std::string& journal) {
  const size_t call = journal.find("~~> ZefInitXML (ZEFOR-ENTRY) <~~\r\n");
  if (call == std::string::npos) return "no ZefInitXML call";
  const size_t start = journal.find("</Params>\r\n", call);
  if (start == std::string::npos) return "no parameters line";
  const size_t from = start + std::strlen("</Params>\r\n");
  return journal.substr(from, journal.find("{ZefInitXML} ", from) - from);
}

TEST_F(Callbacks, JournalEventsWriteTheirTextsAndHexLinesOnly) {
  // 30 bytes: 25 on the first hex line, 5 on the second.
  std::string thirty;
  for (int i = 0; i < 30; ++i) thirty += "0123456789ABCDEF"[i >> 4 & 15], thirty += "0123456789ABCDEF"[i & 15];
  // "Чек" in UTF-8, shown in the POS's character set 1251; kind 8 keeps its
  // text as it comes; bytes 9, 10 and 13 and printable ones alike give hex
  // lines only; kinds 1 to 3 dump nothing; kind 12 is no event.
  StartWith("on_init = log 1 - Paper jam\n"
            "on_init = log 2 0A Starting\n"
            "on_init = log 3 - \n"
            "on_init = log 4 01A2FF Printing receipt\n"
            "on_init = log 5 0D0A09 \xD0\xA7\xD0\xB5\xD0\xBA\n"
            "on_init = log 6 414243 Text\n"
            "on_init = log 7 0102 Text done\n"
            "on_init = log 8 414243 \xD0\xA7\n"
            "on_init = log 9 " + thirty + "\n"
            "on_init = log 12 01 unknown kind\n",
            0, "input = 12345\n", "5 = 2");
  EXPECT_EQ(InitEvents(Journal()),
            "\r\n#Error\r\n"
            "Paper jam\r\n"
            "\r\n#Initializing\r\n"
            "Starting\r\n"
            "\r\n#FiscCommand\r\n"
            "Printing receipt\r\n"
            "< 01 A2 FF\r\n"
            "\r\n#FiscCommandComplete\r\n"
            "\xD7\xE5\xEA\r\n"
            "> 0D 0A 09\r\n"
            "\r\n#TextCommand\r\n"
            "Text\r\n"
            "< 41 42 43\r\n"
            "\r\n#TextCommandComplete\r\n"
            "Text done\r\n"
            "> 01 02\r\n"
            "\r\n#BinInput\r\n"
            "\xD0\xA7\r\n"
            "> 41 42 43\r\n"
            "\r\n#BinOut\r\n"
            "< 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18\r\n"
            "  19 1A 1B 1C 1D\r\n");
}

TEST_F(Callbacks, AtLevelOneTheTextEventsAreLeftOutAndTheErrorsKept) {
  StartWith("on_init = log 6 414243 Text\non_init = log 7 01 Text done\non_init = log 1 - Paper jam\n"
            "on_init = log 9 FF\n");
  EXPECT_EQ(InitEvents(Journal()),
            "\r\n#Error\r\n"
            "Paper jam\r\n"
            "\r\n#BinOut\r\n"
            "< FF\r\n");
}

TEST_F(Callbacks, PrintOnAnotherPrinterThroughEitherPrintingInterface) {
  for (int protocol : {40, 20}) {
    SCOPED_TRACE(protocol);
    Restart();
    platform::RemoveFile(dir_ + "kitchen.prn");
    platform::RemoveFile(dir_ + "requests.log");
    StartWith("protocol = " + std::to_string(protocol) +
              "\non_init = print Kitchen 1 7 kitchen.xml\non_init = print Bar 0 0 kitchen.xml\n");
    EXPECT_EQ(Read("kitchen.prn"), std::string(kKitchenPrn));
    const std::string expected =
        protocol >= 25 ? "PRINTJOB Kitchen 22 bytes, flag 1, value 7, <?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                         "<JobInfo NeedLog=\"1\"/>\n"
                         "PRINTJOB Bar 22 bytes, flag 0, value 0, <?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                         "<JobInfo NeedLog=\"1\"/> -> no such printer\n"
                       : "PRINT Kitchen 22 bytes, flag 1, value 7\n";
    EXPECT_EQ(Requests(), expected);
  }
}

// Drivers that never fill the size field of these two records: the fixed
// layout is read.
TEST_F(Callbacks, PrintAndXmlRecordsWithoutASizeAreReadWhole) {
  StartWith("record_size = 7 0\nrecord_size = 10 0\n"
            "on_init = print Kitchen 1 7 kitchen.xml\non_init = xml 50 <Request/>\n");
  EXPECT_EQ(Read("kitchen.prn"), std::string(kKitchenPrn));
  EXPECT_EQ(CallbackLog(), "init: print\ninit: xml -> " + kXmlAnswer.substr(0, 49) + "\n");
  EXPECT_EQ(Requests(),
            "PRINTJOB Kitchen 22 bytes, flag 1, value 7, <?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<JobInfo NeedLog=\"1\"/>\n"
            "XML <Request/> -> 100 bytes\n");
  EXPECT_EQ(JournalLines(" refused "), std::vector<std::string>{});
}

TEST_F(Callbacks, PrintAndXmlRecordsOfAGivenSizeTooSmallAreRefusedInTheJournal) {
  for (int32_t below : {1, 10}) {
    SCOPED_TRACE(below);
    Restart();
    platform::RemoveFile(dir_ + "requests.log");
    platform::RemoveFile(dir_ + "emulator1.callbacks");
    StartWith("record_size = 7 " + std::to_string(526 - below) + "\nrecord_size = 10 " + std::to_string(16 - below) +
              "\non_init = print Kitchen 1 7 kitchen.xml\non_init = xml 50 <Request/>\n");
    EXPECT_FALSE(platform::FileExists(dir_ + "kitchen.prn"));
    EXPECT_EQ(CallbackLog(), "init: print\ninit: xml -> " + std::string(50, 'x') + "\n") << "no answer written";
    EXPECT_EQ(Requests(), "");
    EXPECT_EQ(JournalLines(" refused "),
              (std::vector<std::string>{
                  "{Zefor PrintTextOther} Zefor PrintTextOther refused a record of size " +
                      std::to_string(526 - below) + ", its layout has 526 bytes",
                  "{Callback ExecXML} Callback ExecXML refused a record of size " + std::to_string(16 - below) +
                      ", its layout has 16 bytes"}));
  }
}

// Neither the input box record service nor the older box answers: the
// driver's record keeps what the driver put in (its OK byte 255).
TEST_F(Callbacks, AnInputBoxWithoutAnyServiceWritesNothing) {
  StartWith("on_init = input 1 8 Enter code\non_init = input 0 20 Guest name\n", 0, "");
  EXPECT_EQ(CallbackLog(), "init: input OK=255 text=\ninit: input OK=255 text=\n");
  EXPECT_EQ(Requests(),
            "INPUT Enter code [zefor.so#1] numeric limit 8 -> no answer\n"
            "INPUT(legacy numeric) Enter code limit 8 -> no answer\n"
            "INPUT Guest name [zefor.so#1] text limit 20 -> no answer\n"
            "INPUT(legacy text) Guest name limit 20 -> no answer\n");
}

TEST_F(Callbacks, SignalsReachThePosTaskWithTheirTextKept) {
  // The POS task of InitDevice is the signal task once InitDevice is done:
  // the signals come while a document is printed.
  StartWith("on_document = signal 1 77 Door open\non_document = signal 9 5 Other\n", task_);
  ASSERT_TRUE(Print("tools/possim/demo/dinner.order", fdFiscCheck).Result) << Journal();
  tWaitRecord wait{};
  ASSERT_TRUE(WaitSignal(33026, &wait, 2000));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(uintptr_t(uint32_t(wait.First)))), "Door open");
  EXPECT_EQ(wait.Second, 77);
  wait = tWaitRecord{};
  ASSERT_TRUE(WaitSignal(33025, &wait, 2000));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(uintptr_t(uint32_t(wait.First)))), "Other");
  EXPECT_EQ(wait.Second, 5);
}

// An exception inside the trusted task (markup the converters refuse) ends
// at the callback: it is reported, the driver's call returns, the next
// callbacks work.
TEST_F(Callbacks, AFailureInsideTheTaskIsReportedAndNeverReachesTheDriver) {
  platform::WriteWholeFile(dir_ + "broken.xml", "<Unfiscal><TextLine Text=\"a\"></Unfiscal>");
  StartWith("on_init = print Kitchen 0 0 broken.xml\non_init = perform 1 2 3\n");
  EXPECT_EQ(CallbackLog(), "init: print\ninit: perform\n");
  EXPECT_TRUE(OneLineOpening(Journal(), "{Zefor PrintTextOther} Zefor PrintTextOther failed: "));
  EXPECT_FALSE(platform::FileExists(dir_ + "kitchen.prn"));
  EXPECT_EQ(Requests(), "PERFORM station 3: 1 2 3\n");
}

// No trusted task can be had (tarvel32 too old): the driver's thread gets
// no exception, the record its default answer, the journal the reason.
TEST_F(Callbacks, WithoutATrustedTaskTheRecordKeepsItsDefaultAnswer) {
  StartWith("");
  std::vector<uint8_t> message = Record(528, 528);
  PutShort(message, 4, "Never shown");
  message[517] = 1;
  Put(message, 520, -7);
  SetTasksVersion(100);
  std::thread driver([&] { interface_(0, 0, 1, 0, message.data()); });
  driver.join();
  SetTasksVersion(130);
  int32_t result;
  std::memcpy(&result, &message[520], 4);
  EXPECT_EQ(result, 2) << "the first variant's answer when nothing is shown";
  EXPECT_TRUE(OneLineOpening(Journal(), "{Zefor ShowMessageDlg} Zefor ShowMessageDlg failed: "));
  EXPECT_EQ(Requests(), "");
}

TEST_F(Callbacks, FaultyRecordsAreIgnoredWithoutReadingOrWritingBeyondThem) {
  StartWith("");
  TInterface call = interface_;
  call(0, 0, 1, 0, nullptr);
  std::vector<uint8_t> message = Record(528, 528);
  PutShort(message, 4, "Kind out of range");
  message[517] = 1;
  call(0, 0, 11, 0, message.data());
  call(0, 0, -1, 0, message.data());
  call(0, 0, 6, 0, message.data());
  // A short message record: its text as far as it goes, wait -1, no answer written.
  std::vector<uint8_t> shortMessage = Record(528, 10);
  std::memset(&shortMessage[10], 0xEE, 518);
  shortMessage[4] = 200;
  std::memcpy(&shortMessage[5], "abcde", 5);
  call(0, 0, 1, 0, shortMessage.data());
  EXPECT_EQ(shortMessage[520], 0xEE);
  // Sizes other than the exact ones.
  std::vector<uint8_t> progress = Record(272, 264);
  PutShort(progress, 4, "Wrong size");
  call(0, 0, 2, 0, progress.data());
  Put(progress, 0, 272);
  call(0, 0, 2, 0, progress.data());
  std::vector<uint8_t> input = Record(1290, 1289);
  call(0, 0, 3, 0, input.data());
  EXPECT_EQ(input[1029], 0);
  std::vector<uint8_t> menu = Record(376, 375);
  call(0, 0, 4, 0, menu.data());
  EXPECT_EQ(menu[368], 0);
  std::vector<uint8_t> signal = Record(268, 267);
  call(0, 0, 8, 0, signal.data());
  std::vector<uint8_t> perform = Record(20, 19);
  call(0, 0, 9, 0, perform.data());
  std::vector<uint8_t> print = Record(526, 525);
  PutShort(print, 4, "Kitchen");
  Put(print, 260, int32_t(uintptr_t(kKitchenMarkup)));
  call(0, 0, 7, 0, print.data());
  Put(print, 0, -3);
  call(0, 0, 7, 0, print.data());
  Put(print, 0, 526);
  Put(print, 522, -1);  // a negative value
  call(0, 0, 7, 0, print.data());
  Put(print, 522, 0);
  Put(print, 260, 0);  // no markup
  call(0, 0, 7, 0, print.data());
  // Journal events of the wrong size or kind, with null text, negative length.
  const std::string text = "never journalled";
  for (int32_t size : {19, 21}) {
    std::vector<uint8_t> event = Record(24, size);
    Put(event, 4, 4);
    Put(event, 8, int32_t(uintptr_t(text.c_str())));
    call(0, 0, 5, 0, event.data());
  }
  std::vector<uint8_t> event = Record(20, 20);
  Put(event, 4, 9);
  Put(event, 12, -5);
  Put(event, 16, int32_t(uintptr_t(text.c_str())));
  call(0, 0, 5, 0, event.data());
  // XML requests: too short a record, negative, zero and one-byte buffers, nil texts.
  char answer[8] = "untouch";
  std::vector<uint8_t> xml = Record(16, 15);
  Put(xml, 8, int32_t(uintptr_t(answer)));
  Put(xml, 12, 8);
  call(0, 0, 10, 0, xml.data());
  Put(xml, 0, 16);
  for (int32_t size : {-5, 0}) {
    Put(xml, 12, size);
    call(0, 0, 10, 0, xml.data());
    EXPECT_STREQ(answer, "untouch");
  }
  Put(xml, 12, 1);
  call(0, 0, 10, 0, xml.data());
  EXPECT_STREQ(answer, "");
  Put(xml, 8, 0);
  Put(xml, 12, 100);
  call(0, 0, 10, 0, xml.data());
  // Properties: nil and unterminated names, negative sizes, nil buffer.
  char value[16] = "untouched";
  prop_("Station", "Name", 3, value, -1);
  EXPECT_STREQ(value, "untouched");
  prop_("Station", "Name", 3, value, 5);
  EXPECT_STREQ(value, "Main");
  prop_(nullptr, nullptr, 3, value, sizeof value);
  EXPECT_STREQ(value, "");
  prop_("Station", "Name", 3, nullptr, 100);
  std::string longName(300, 'S');
  std::vector<char> unterminated(longName.begin(), longName.end());
  std::strcpy(value, "untouched");
  prop_(unterminated.data(), "Name", 3, value, sizeof value);
  EXPECT_STREQ(value, "");

  EXPECT_EQ(Requests(),
            "QUESTION abcde -> 3 (type 0, buttons 0, wait -1)\n"
            "XML  -> 100 bytes\n"
            "XML  -> 100 bytes\n"
            "XML  -> 100 bytes\n"
            "XML  -> 100 bytes\n");
  EXPECT_EQ(JournalLines(" refused "),
            (std::vector<std::string>{
                "{Zefor PrintTextOther} Zefor PrintTextOther refused a record of size 525, its layout has 526 bytes",
                "{Zefor PrintTextOther} Zefor PrintTextOther refused a record of size -3, its layout has 526 bytes",
                "{Callback ExecXML} Callback ExecXML refused a record of size 15, its layout has 16 bytes"}));
  EXPECT_EQ(JournalLines(text), Lines{});
  EXPECT_FALSE(platform::FileExists(dir_ + "kitchen.prn"));
}

// The check behind "every callback ran in a trusted task" can fail: a
// plain thread asking the POS directly is counted.
TEST_F(Callbacks, ThePosCountsRequestsFromPlainThreads) {
  StartWith("");
  using TGetParamValue = uint8_t(ZEF_STDCALL*)(const uint8_t*, int32_t, int32_t, uint32_t*, uint8_t*, int32_t);
  auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
  auto get = reinterpret_cast<TGetParamValue>(platform::FindFunction(params, "GetParamValue"));
  const int32_t before = Untrusted();
  std::thread plain([get] {
    uint8_t name[] = "\x0a*_RefProp#";
    uint8_t text[256] = {4, 'N', 'a', 'm', 'e'};
    uint32_t id = 3;
    get(name, 1, 71, &id, text, 255);
  });
  plain.join();
  EXPECT_EQ(Untrusted(), before + 1);
}

TEST_F(Callbacks, UnknownDevicesAndDevicesGoneAreIgnored) {
  StartWith("");
  std::vector<uint8_t> event = Record(20, 20);
  const std::string text = "after the device";
  Put(event, 4, 4);
  Put(event, 8, int32_t(uintptr_t(text.c_str())));
  std::vector<uint8_t> print = Record(526, 526);
  PutShort(print, 4, "Kitchen");
  Put(print, 260, int32_t(uintptr_t(kKitchenMarkup)));
  for (int32_t number : {7, -1, 1000}) {
    interface_(0, number, 5, 0, event.data());
    interface_(0, number, 7, 0, print.data());
  }
  adapter_.Done(handle_);
  interface_(0, 0, 5, 0, event.data());
  interface_(0, 0, 7, 0, print.data());
  char value[32] = "";
  prop_("Station", "Name", 3, value, sizeof value);
  EXPECT_STREQ(value, "Main hall") << "properties need no device";
  EXPECT_EQ(JournalLines(text), Lines{});
  EXPECT_FALSE(platform::FileExists(dir_ + "kitchen.prn"));
  EXPECT_EQ(Requests(), "");
}

// Ends the process when the test hangs, with a line that says so. It polls
// rather than waits on a timed condition, which the race detector cannot
// follow in the 32-bit build.
class tWatchdog {
 public:
  explicit tWatchdog(int seconds)
      : thread_([this, seconds] {
          for (int waited = 0; !disarmed_; waited += 50) {
            if (waited >= seconds * 1000) {
              std::fprintf(stderr, "callbacks test: no progress in %d s, deadlock\n", seconds);
              std::_Exit(3);
            }
            platform::Sleep(50);
          }
        }) {}
  ~tWatchdog() {
    disarmed_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> disarmed_{false};
  std::thread thread_;
};

TEST_F(Callbacks, CallbacksFromManyDriverThreadsWhileTwoPosTasksPrint) {
  constexpr int kDocuments = 3, kThreads = 3, kRounds = 10;
  WriteEmulator("documents = emu1.docs\ntaxes = 1:2000 2:1000 3:0\ncallback_threads = 3\n"
                "on_document = message 1 4 5 Busy\non_document = progress 3 1 Step\n"
                "on_document = prop Station Name 3 64\non_document = log 4 414243 Document\n"
                "on_document = xml 50 <R/>\non_document = perform 4 5 6\n"
                "background = 2 " + std::to_string(kRounds) + "\n"
                "on_background = prop Item Name 4 64\non_background = log 2 - Background\n"
                "on_background = progress 2 1 bg\n");
  WriteParams(Device(0) + Device(1) + SourceFile("tools/possim/demo/receipts.cfg") + PosObjects());
  Load();
  ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
  ASSERT_EQ(adapter_.InitDevice(1, 0), 2);
  const std::string stream = orderwriter::WriteOrderStream(
      orderwriter::ParseOrderDescription(SourceFile("tools/possim/demo/dinner.order")));
  std::atomic<int> printed{0};
  // Both POS tasks are tasks of their own; this one steps aside meanwhile.
  DetachTask();
  {
    tWatchdog watchdog(600);  // the race detector slows the test down a hundredfold
    std::vector<std::thread> pos;
    for (int32_t handle : {1, 2})
      pos.emplace_back([&, handle] {
        AttachTask(("POS " + std::to_string(handle)).c_str());
        for (int i = 0; i < kDocuments; ++i) {
          std::vector<uint8_t> record = PosDocumentRecord(fdFiscCheck, stream);
          if (adapter_.FiscDocument(handle, record.data())) ++printed;
        }
        DetachTask();
      });
    for (std::thread& t : pos) t.join();
    task_ = AttachTask("POS test");
    adapter_.DONEDLL();  // stops the background threads through ZefDone
  }
  EXPECT_EQ(printed.load(), 2 * kDocuments);
  for (const char* file : {"emulator1.callbacks", "emulator2.callbacks"}) {
    SCOPED_TRACE(file);
    std::istringstream in(Read(file));
    int documentLines = 0, backgroundLines = 0;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("document: ", 0) == 0) {
        ++documentLines;
        EXPECT_TRUE(line == "document: message -> 2" || line == "document: progress" ||
                    line == "document: prop Station.Name#3 -> Main hall" || line == "document: log" ||
                    line == "document: xml -> " + kXmlAnswer.substr(0, 49) || line == "document: perform")
            << line;
      } else {
        ++backgroundLines;
        EXPECT_TRUE(line == "background: prop Item.Name#4 -> Soup" || line == "background: log" ||
                    line == "background: progress")
            << line;
      }
    }
    EXPECT_EQ(documentLines, kDocuments * kThreads * 6);
    EXPECT_GE(backgroundLines, 3);
    EXPECT_LE(backgroundLines, kThreads * kRounds * 3);
  }
  EXPECT_EQ(Count(Read("zefor2.log"), "#FiscCommand"), size_t(kDocuments * kThreads));
  EXPECT_EQ(Untrusted(), 0);
}

}  // namespace
