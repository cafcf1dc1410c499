// The status snapshot file: kept fresh by its own thread while the POS sends
// no work, never seen half-written by a reader, and true after a fault.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "register_fixture.h"
#include "standart/pos_callback.h"

namespace {

using namespace register_fixture;

constexpr uint32_t kShortPeriod = 50;

class StatusFile : public Register {
 protected:
  void SetUp() override {
    Register::SetUp();
    g_params[29] = dir_ + "state.xml";
    tSaveStatusThread::Period = kShortPeriod;
  }
  void TearDown() override {
    Register::TearDown();
    tSaveStatusThread::Period = tSaveStatusThread::kDefaultPeriod;
  }
  std::string State() const { return test_files::FileText(dir_ + "state.xml"); }
  // Waits (bounded) until the status file holds a document that contains `part`.
  bool WaitForState(const std::string& part) const {
    for (int i = 0; i < 1000; ++i) {
      if (State().find(part) != std::string::npos) return true;
      platform::Sleep(10);
    }
    return false;
  }
  static bool Whole(const std::string& text) {
    return text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<DeviceState>", 0) == 0 &&
           text.size() >= 14 && text.compare(text.size() - 14, 14, "</DeviceState>") == 0;
  }
};

TEST_F(StatusFile, RewrittenWithoutPosWork) {
  TZefor& z = Create();
  ASSERT_TRUE(z.IsInitialized());
  ASSERT_TRUE(WaitForState("<DeviceStatus Online=\"1\"/>")) << State();
  platform::RemoveFile(dir_ + "state.xml");
  EXPECT_TRUE(WaitForState("<DeviceStatus Online=\"1\"/>")) << "the thread writes the file again by itself";
}

TEST_F(StatusFile, ReaderNeverSeesAPartialFile) {
  TZefor& z = Create();
  ASSERT_TRUE(WaitForState("</DeviceState>"));
  std::atomic<bool> stop{false};
  // The POS's own status reads rewrite the file too, from another thread.
  std::thread pos([&] {
    while (!stop) {
      TPrinterStatus status{};
      status.Size = kPrinterStatusSize;
      z.FillStatus(status);
    }
  });
  int reads = 0, partial = 0;
  for (uint32_t start = platform::TickCount(); platform::TickCount() - start < 1500; ++reads)
    if (!Whole(State())) ++partial;
  stop = true;
  pos.join();
  EXPECT_GT(reads, 100);
  EXPECT_EQ(partial, 0) << "of " << reads << " reads";
  size_t leftovers = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir_))
    if (entry.path().filename().string().find(".tmp") != std::string::npos) ++leftovers;
  EXPECT_EQ(leftovers, 0u) << "no temporary file stays behind";
}

TEST_F(StatusFile, TellsTheTrueStateAfterAFault) {
  TZefor& z = Create();
  ASSERT_TRUE(z.IsInitialized());
  ASSERT_TRUE(WaitForState("<DeviceStatus Online=\"1\"/>"));
  Emulator("fault = ZefGetStatus 103");
  EXPECT_TRUE(WaitForState("<DeviceStatus Online=\"0\"/>")) << State();
  EXPECT_EQ(State(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<DeviceState>\r\n\t<DeviceStatus Online=\"0\"/>\r\n"
            "</DeviceState>");
  Emulator("");
  EXPECT_TRUE(WaitForState("<DeviceStatus Online=\"1\"/>")) << "back online once the register answers";
}

// A device released during the thread's wait does not wait for the period.
TEST_F(StatusFile, ReleaseDuringTheWait) {
  tSaveStatusThread::Period = tSaveStatusThread::kDefaultPeriod;
  Create();
  ASSERT_TRUE(WaitForState("</DeviceState>"));
  uint32_t start = platform::TickCount();
  device_.reset();
  EXPECT_LT(platform::TickCount() - start, 30000u);
}

}  // namespace

namespace {

using namespace register_fixture;

// The POS callback interface with the system values a document header
// names: this server (1), station 3; no objects.
uint8_t ZEF_STDCALL HeaderValue(iOB7InterfaceCallBack*, int32_t, const char* name, int32_t* value) {
  const std::string n = name;
  if (n != "#SYS#ThisServerIdent" && n != "#SYS#ThisStationIdent") return 0;
  *value = n == "#SYS#ThisServerIdent" ? 1 : 3;
  return 1;
}
int32_t ZEF_STDCALL NoInterface(iOB7InterfaceCallBack*, const tOB7Guid*, void** out) {
  *out = nullptr;
  return int32_t(0x80004002);
}
uint32_t ZEF_STDCALL OneReference(iOB7InterfaceCallBack*) { return 1; }
int32_t ZEF_STDCALL NoObjects(iOB7InterfaceCallBack*, int32_t, int32_t) { return 0; }
int32_t ZEF_STDCALL NoIdent(iOB7InterfaceCallBack*, int32_t, int32_t, int32_t) { return 0; }
int32_t ZEF_STDCALL NoProperty(iOB7InterfaceCallBack*, int32_t, int32_t, const char*) { return 0; }
uint8_t ZEF_STDCALL NoObject(iOB7InterfaceCallBack*, int32_t, int32_t, const tOB7Guid*, iOB7Object** out) {
  *out = nullptr;
  return 0;
}
const tOB7CallbackTable kHeaderHostTable = {NoInterface, OneReference, OneReference, HeaderValue, NoObjects,
                                            NoIdent,     NoProperty,   NoObject};
iOB7InterfaceCallBack g_headerHost{&kHeaderHostTable};

// The parameter service of the fixture with the POS objects a document
// header names: this server (1) of restaurant 10, station 3.
uint8_t ZEF_STDCALL HeaderParams(const uint8_t* name, int32_t number, int32_t index, uint32_t* value, uint8_t* text,
                                 int32_t textSize) {
  const std::string n(reinterpret_cast<const char*>(name + 1), name[0]);
  auto answer = [&](const char* s) -> uint8_t {
    text[0] = uint8_t(std::strlen(s));
    std::memcpy(text + 1, s, text[0]);
    return 1;
  };
  if (!params_guard::Listed(name, number, index)) return 0;
  if (n == "*IntCallback") {
    *value = uint32_t(uintptr_t(&g_headerHost));
    return 1;
  }
  if (n == "*_RefProp#" && number == 1 && index == 94) return answer("10");  // the server's restaurant
  return FakeParams(name, number, index, value, text, textSize);
}

// A corvane that never ends is stopped after the wait limit; the cashier
// is told, nothing is sent and the exchange files are gone.
TEST_F(Register, CorvaneThatNeverAnswers) {
  platform::WriteWholeFile(dir_ + "corvane.cfg", "answer = hang\n");
  test_files::tEnvSetting config("CORVANE_CONFIG", dir_ + "corvane.cfg");
  HostParams::OverrideFunction(&HeaderParams);
  TZefor& z = Create();
  std::filesystem::path oldDir = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  TZefor::CorvaneTimeout = 300;
  z.MenuCorrectionReceipt();
  TZefor::CorvaneTimeout = 30 * 60 * 1000;
  std::filesystem::current_path(oldDir);
  z.Journal.Flush();
  std::string journal = test_files::FileText(dir_ + "zefor21.log");
  EXPECT_NE(journal.find("CorvaneError:No answer from corvane.exe corvane-out.xml corvane-in.xml\r\n"),
            std::string::npos) << journal;
  EXPECT_EQ(journal.find("ZefFiscalDocument"), std::string::npos);
  EXPECT_FALSE(platform::FileExists(dir_ + "corvane-in.xml"));
}

}  // namespace
