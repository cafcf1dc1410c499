// The adapter prints the same tape whichever converter library lies beside
// it: the current one (through the module registry or loaded directly),
// none, an older one, one without the PRN conversion, and one that fails
// at run time. Each case runs in a process of its own (the binding is
// process-wide), with the adapter and its libraries copied into the
// test's folder.
#include "nolvex32/nolvex32.h"
#include "zefor_fixture.h"

namespace {

const char kVersionLine[] = "\r\nQuillet.DLL version 7.0.52.0\r\n\r\n";

// The journal of printing the guest bill. The version line comes with the
// first conversion, when the module registry described the library.
std::string PrintingJournal(const std::string& versionLine, bool throughLibrary) {
  return ">>> Printing (ZEFOR-ENTRY) <<<\r\n"
         "--> uf_Doc (ZEFOR-ENTRY) <--\r\n" +
         versionLine +
         (throughLibrary ? "{uf_Doc} ConvertPRNToXML = TRUE\r\n"
                         : "{uf_Doc} ConvertPRNToXML = FALSE\r\n"
                           "Error converting via external converter (Quillet.DLL), using internalm converter...\r\n"
                           "{uf_Doc} TUFXmlBase.ConvertPrn = TRUE\r\n") +
         ">>> PrintSegment (ZEFOR-ENTRY) <<<\r\n"
         "<<< {PrintSegment} (ZEFOR-FINAL) = TRUE >>>\r\n\r\n"
         "<-- {uf_Doc} (ZEFOR-FINAL) = TRUE -->\r\n\r\n"
         "<<< {Printing} (ZEFOR-FINAL) = TRUE >>>\r\n\r\n";
}

// A markup the driver could hand over for another printer, and its PRN in
// code page 1251.
const char kMarkup[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><Unfiscal CutAfter=\"1\"><TextLine Bold=\"1\" Text=\"Итого\"/>"
    "<BarCode Value=\"460123456789\"/></Unfiscal>";
const char kMarkupPrn[] = "\x1b" "1" "\x1b" "6" "\x1b" "C" "\xC8\xF2\xEE\xE3\xEE\r\n"
                          "\x1b" "Q460123456789" "\x1b" ";" "\x1b" "7";

using TProbe = int32_t(ZEF_STDCALL*)(const char*, int32_t, char*, int32_t, int32_t*);
enum { pathLibrary = 1, pathBuiltIn = 2 };

class QuilletPaths : public ZeforTest {
 protected:
  // Copies the adapter with the given converter library (empty: none) into
  // the test's folder and prints the guest bill there.
  void PrintGuestBill(const std::string& quillet, bool registry) {
    NolvexSetLogPath((dir_ + "nolvex.log").c_str());
    std::string stage = dir_ + "bin/";
    platform::MakeDirectory(stage);
    for (const char* name : {"zefor", "params", "emulator", "markup_probe", "nolvex32", "tarvel32"})
      Copy(name, name, stage);
    if (!quillet.empty()) Copy(quillet, "quillet", stage);
    if (registry) Copy("modreg", "modreg", stage);
    bin_ = stage;
    WriteEmulator("options = foText");
    WriteParams(Device(0));
    Load();
    ASSERT_EQ(adapter_.InitDevice(0, 0), 1);
    size_t tapeStart = Read("emu1.tape").size();
    journalStart_ = Journal().size();
    std::string prn;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(ZEF_DEMO_FOLDER) + "guest_bill.prn", prn));
    ASSERT_TRUE(adapter_.PrintingWithRes(1, reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size())));
    EXPECT_EQ(Read("emu1.tape").substr(tapeStart), kGuestBillTape);
  }
  std::string JournalOfTheJob() {
    adapter_.Done(1);
    std::string journal = Journal().substr(journalStart_);
    journal = journal.substr(0, journal.find(">>> TZefor.BeforeDestruction"));
    return journal.substr(std::min(journal.find(">>> "), journal.size()));
  }
  // Markup to PRN the adapter's way, beside the same converter library.
  void ExpectMarkupPrn(int32_t expectedPath) {
    probe_ = platform::OpenLibrary(bin_ + platform::LibraryFileName("markup_probe"));
    ASSERT_NE(probe_, nullptr) << platform::LastLoadError();
    auto convert = reinterpret_cast<TProbe>(platform::FindFunction(probe_, "ProbeConvertMarkup"));
    ASSERT_NE(convert, nullptr);
    char out[256];
    int32_t path = 0;
    int32_t size = convert(kMarkup, 204, out, sizeof out, &path);
    ASSERT_GE(size, 0);
    EXPECT_EQ(std::string(out, size_t(size)), kMarkupPrn);
    EXPECT_EQ(path, expectedPath);
  }
  void TearDown() override {
    ZeforTest::TearDown();
    NolvexSetLogPath(nullptr);
    if (probe_) platform::CloseLibrary(probe_);
  }

  size_t journalStart_ = 0;
  platform::LibraryHandle probe_ = nullptr;

 private:
  void Copy(const std::string& from, const std::string& to, const std::string& stage) {
    std::string bytes;
    ASSERT_TRUE(platform::ReadWholeFile(bin_ + platform::LibraryFileName(from), bytes)) << from;
    ASSERT_TRUE(platform::WriteWholeFile(stage + platform::LibraryFileName(to), bytes)) << to;
  }
};

TEST_F(QuilletPaths, PresentThroughTheRegistry) {
  PrintGuestBill("quillet", true);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal(kVersionLine, true)) << "the registry describes the library";
  ExpectMarkupPrn(pathLibrary);
}

TEST_F(QuilletPaths, PresentWithoutTheRegistry) {
  PrintGuestBill("quillet", false);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal("", true));
  ExpectMarkupPrn(pathLibrary);
}

TEST_F(QuilletPaths, Absent) {
  PrintGuestBill("", true);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal("", false));
  ExpectMarkupPrn(pathBuiltIn);
}

TEST_F(QuilletPaths, OlderWithoutTheCharacterSetCalls) {
  PrintGuestBill("quillet_old", true);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal(kVersionLine, true)) << "its PRN conversion is still good";
  ExpectMarkupPrn(pathBuiltIn);
}

TEST_F(QuilletPaths, WithoutThePrnConversion) {
  PrintGuestBill("quillet_noprn", true);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal(kVersionLine, false));
  ExpectMarkupPrn(pathBuiltIn);
}

TEST_F(QuilletPaths, FailingAtRunTime) {
  PrintGuestBill("quillet_failing", false);
  EXPECT_EQ(JournalOfTheJob(), PrintingJournal("", false));
  EXPECT_TRUE(Contains(Read("nolvex.log"), "Quillet.DLL ConvertPRNToXML: ")) << Read("nolvex.log");
  ExpectMarkupPrn(pathBuiltIn);
}

}  // namespace
