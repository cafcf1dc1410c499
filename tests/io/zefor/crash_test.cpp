// The POS killed in the middle of a document: a POS process is forked,
// loads the real adapter, creates the device on the emulator and prints one
// document; the emulator holds one driver call of that document (before it,
// inside it or after it) and the test kills the process there. A fresh POS
// process then sends the same document again. Every run must end with the
// document on the register exactly once, and the fresh POS hears true with
// the register's counters.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "adapter.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "orderparser.h"
#include "orderstream.h"
#include "support/pos_document.h"
#include "support/test_files.h"
#include "tarvel32/tarvel32.h"

namespace {

std::string SourceFile(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(std::string(ZEF_SOURCE_DIR) + "/" + path, text);
  return text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

struct tDocument {
  const char* Name;
  uint8_t Kind;
  int32_t SubType;
  const char* Order;
};

const tDocument kDocuments[] = {
    {"sale", fdFiscCheck, 0, "tools/possim/demo/dinner.order"},
    {"return", fdFiscReturn, 0, "tests/io/zefor/receipts/dinner_return.order"},
    {"cash in", fdCashInOut, 0, "tests/io/zefor/orders/cash_in.order"},
    {"cash out", fdCashInOut, -1, "tests/io/zefor/orders/cash_out.order"},
};

// What the POS process heard.
struct tHeard {
  bool Ended = false;  // the process ended by itself (not killed)
  int Result = -1;
  int32_t DocNum = 0, CheckNum = 0;
};

class Crash : public ::testing::Test {
 protected:
  void SetUp() override { bin_ = platform::DirectoryOf(platform::OwnModulePath()); }

  // A fresh register and POS configuration in a folder of its own; the
  // drawer holds cash for the cash out and the return.
  void Fresh() {
    dir_ = std::make_unique<test_files::tTempDir>("zefor_crash_");
    const std::string d = dir_->Path();
    platform::WriteWholeFile(d + "emu1.state", "serial = EMU0000001\ncash = 500000\n");
    Emulator("");
    platform::WriteWholeFile(
        d + "params.cfg",
        "[device * 0]\n0 = emulator.so\n1 = @text <Params><Emulator Config=\"" + d +
            "emulator.cfg\"/></Params>\n2 = 57\n4 = " + d + "zefor%d.log\n5 = 1\n6 = 0\n[answers * 0]\nmessage = 2\n"
            "question = 3\n" + SourceFile("tools/possim/demo/receipts.cfg") +
            SourceFile("tests/io/zefor/orders/pos_objects.cfg") + "[service]\nlog = " + d + "requests.log\n");
    params_.reset();
    emulator_.reset();
    params_ = std::make_unique<test_files::tEnvSetting>("PARAMS_CONFIG", d + "params.cfg");
    emulator_ = std::make_unique<test_files::tEnvSetting>("EMULATOR_CONFIG", d + "emulator.cfg");
  }
  void Emulator(const std::string& hold) {
    platform::WriteWholeFile(dir_->Path() + "emulator.cfg",
                             "state = emu1.state\ntape = emu1.tape\ncalls = calls.log\ndocuments = emu1.docs\n"
                             "taxes = 1:2000 2:1000 3:0\nprotocol = 40\noptions = foMoneyInOut foAllMoneyOut "
                             "foReturnReceipt foDeleteReceipt foAbsItemDiscount foCalcChange\n" + hold);
  }
  std::string Read(const std::string& name) const { return test_files::FileText(dir_->Path() + name); }

  // Runs one POS process to its end, or until the emulator holds a call:
  // then it is killed there.
  tHeard RunPos(const tDocument& document) {
    const std::string data =
        orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(SourceFile(document.Order)));
    const std::string d = dir_->Path();
    platform::RemoveFile(d + "held.txt");
    platform::RemoveFile(d + "answer.txt");
    const pid_t pid = fork();
    if (pid == 0) PosProcess(document, data);
    tHeard heard;
    for (int waited = 0; waited < 60000; waited += 2) {
      if (platform::FileExists(d + "held.txt")) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return heard;
      }
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        heard.Ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        std::istringstream in(Read("answer.txt"));
        in >> heard.Result >> heard.DocNum >> heard.CheckNum;
        return heard;
      }
      platform::Sleep(2);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ADD_FAILURE() << "the POS process neither ended nor was held";
    return heard;
  }

  // The forked POS: the adapter, the device, one document, the answer in
  // a file; where the calls of the document start in the emulator's call
  // log goes to another.
  [[noreturn]] void PosProcess(const tDocument& document, const std::string& data) {
    const std::string d = dir_->Path();
    AttachTask("POS");
    Adapter adapter;
    std::string error;
    if (!adapter.Load(bin_ + platform::LibraryFileName("zefor"), error)) _exit(3);
    if (adapter.InitDevice(0, 0) != 1) _exit(4);
    platform::WriteWholeFile(d + "mark.txt", std::to_string(platform::FileSize(d + "calls.log")));
    std::vector<uint8_t> record = PosDocumentRecord(document.Kind, data, document.SubType);
    const int result = adapter.FiscDocument(1, record.data()) ? 1 : 0;
    platform::WriteWholeFile(d + "mark_end.txt", std::to_string(platform::FileSize(d + "calls.log")));
    TFiscDocInfo doc{};
    std::memcpy(&doc, record.data(), sizeof doc);
    platform::WriteWholeFile(d + "answer.txt", std::to_string(result) + " " + std::to_string(doc.DocNum) + " " +
                                                   std::to_string(doc.CheckNum));
    adapter.DONEDLL();
    _exit(0);
  }

  // The driver calls of the document (from FiscDocument's start to its
  // return) in a run without faults, as "Function n" (n counted from the
  // process's start).
  std::vector<std::string> DocumentCalls() const {
    std::vector<std::string> calls;
    const std::string log = Read("calls.log");
    const size_t start = size_t(std::atoll(Read("mark.txt").c_str()));
    const size_t end = size_t(std::atoll(Read("mark_end.txt").c_str()));
    std::istringstream in(log.substr(start, end - start));
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string enter, function, number, call;
      words >> enter >> function >> number >> call;
      calls.push_back(function + " " + call.substr(call.find('=') + 1));
    }
    return calls;
  }

  size_t OnTheRegister() const { return Count(Read("emu1.docs"), "<!-- accepted as document"); }

  std::string bin_;
  std::unique_ptr<test_files::tTempDir> dir_;
  std::unique_ptr<test_files::tEnvSetting> params_, emulator_;
};

TEST_F(Crash, APosKilledAtAnyDriverCallOfADocumentGetsItPrintedExactlyOnce) {
  size_t kills = 0;
  for (const tDocument& document : kDocuments) {
    SCOPED_TRACE(document.Name);
    Fresh();
    const tHeard reference = RunPos(document);
    ASSERT_TRUE(reference.Ended);
    ASSERT_EQ(reference.Result, 1) << Read("zefor1.log");
    const std::vector<std::string> calls = DocumentCalls();
    // At least the counters before, the document and the counters after.
    ASSERT_GE(calls.size(), 3u) << Read("calls.log");
    size_t documents = 0;
    for (const std::string& call : calls) documents += call.find("ZefFiscalDocument ") == 0 ? 1 : 0;
    ASSERT_EQ(documents, 1u);
    for (const std::string& call : calls)
      for (const char* point : {"before", "inside", "after"}) {
        SCOPED_TRACE(call + " " + point);
        Fresh();
        Emulator("hold = " + call + " " + point + "\nhold_file = held.txt\n");
        const tHeard killed = RunPos(document);
        ASSERT_FALSE(killed.Ended) << "the call was not held";
        ASSERT_TRUE(platform::FileExists(dir_->Path() + "held.txt"));
        ++kills;
        ASSERT_LE(OnTheRegister(), 1u);
        Emulator("");
        const tHeard retried = RunPos(document);
        ASSERT_TRUE(retried.Ended);
        EXPECT_EQ(retried.Result, 1) << Read("zefor1.log");
        EXPECT_EQ(retried.DocNum, reference.DocNum);
        EXPECT_EQ(retried.CheckNum, reference.CheckNum);
        EXPECT_EQ(OnTheRegister(), 1u) << Read("emu1.docs");
        EXPECT_EQ(Count(Read("emu1.tape"), "ФД "), 1u) << Read("emu1.tape");
      }
    std::printf("%s: %u driver calls, killed before, inside and after each\n", document.Name, unsigned(calls.size()));
  }
  EXPECT_GE(kills, 4u * 3u * 3u);
}

}  // namespace
