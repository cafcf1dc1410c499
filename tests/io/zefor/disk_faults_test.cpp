// Failing disks: each file writer of the adapter run under a failure at
// every step of its own files (the nth create, write, flush or rename, made
// to fail through the platform layer's fault seam), one test a writer. The
// rules: no crash, a journal line where the journal can still be written,
// printing goes on, and nothing already stored is lost or truncated. The
// adapter is linked in, so that the seam is the one its code calls; the
// emulator, a library of its own, writes its files undisturbed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <functional>
#include <regex>

#include "entry/device_table.h"
#include "entry/exports.h"
#include "entry/pos_data_hooks.h"
#include "io/printer/fiscreg/device_log.h"
#include "io/printer/fiscreg/document_record.h"
#include "io/printer/fiscreg/fisc_doc_info.h"
#include "io/printer/zefor/zefor.h"
#include "orderparser.h"
#include "orderstream.h"
#include "platform/file_faults.h"
#include "support/pos_document.h"
#include "standart/host_params.h"
#include "standart/tasks.h"
#include "support/test_files.h"

namespace {

using platform::FileStep;
using test_files::FileText;

const char* StepName(FileStep step) {
  switch (step) {
    case FileStep::Create: return "create";
    case FileStep::Write: return "write";
    case FileStep::Flush: return "flush";
    case FileStep::Rename: return "rename";
  }
  return "?";
}

// Runs `scenario` once for every failure point of the files whose path
// contains `pathPart`: each kind of step, the 1st, 2nd ... one, until a
// run takes fewer steps of that kind. The scenario arms the seam with
// Arm() once it has set up, and checks after Disarm(). Returns the names
// of the failure points run.
class tFailurePoints {
 public:
  explicit tFailurePoints(std::string pathPart) : pathPart_(std::move(pathPart)) {}
  std::vector<std::string> Run(const std::function<void(const std::string& point)>& scenario) {
    std::vector<std::string> points;
    for (FileStep step : {FileStep::Create, FileStep::Write, FileStep::Flush, FileStep::Rename})
      for (nth_ = 1;; ++nth_) {
        step_ = step;
        const std::string point = std::to_string(nth_) + ". " + StepName(step) + " of " + pathPart_;
        SCOPED_TRACE(point);
        taken_ = 0;
        scenario(point);
        if (taken_ < nth_) break;
        points.push_back(point);
      }
    platform::FailNthFileStep(FileStep::Create, 0, "\x01");
    return points;
  }
  void Arm() { platform::FailNthFileStep(step_, nth_, pathPart_); }
  void Disarm() {
    taken_ = platform::FileStepsTaken(step_);
    platform::FailNthFileStep(step_, 0, "\x01");
  }
  // The run reached the step that was to fail.
  bool Hit() const { return taken_ >= nth_; }

 private:
  std::string pathPart_;
  FileStep step_ = FileStep::Create;
  int nth_ = 1, taken_ = 0;
};

// ---- the device log and its rotation -------------------------------------------------------------

class DiskFaults : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test_files::UniqueTempDir("zefor_disk_"); }
  void TearDown() override { test_files::RemoveTree(dir_); }
  std::string dir_;
};

TEST_F(DiskFaults, DeviceLogKeepsItsLinesThroughFailedWrites) {
  tFailurePoints faults("dev1.log");
  const std::vector<std::string> points = faults.Run([&](const std::string&) {
    const std::string path = dir_ + "dev1.log";
    platform::WriteWholeFile(path, "stored line\r\n");
    tDeviceLog log;
    log.SetFileName(path);
    log.SetBuffered(false);
    faults.Arm();
    log.AddLine("first");
    log.AddLine("second");
    faults.Disarm();
    log.Flush();
    const std::string text = FileText(path);
    EXPECT_EQ(text.find("stored line\r\n"), 0u) << text;
    EXPECT_NE(text.find("first\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("second\r\n"), std::string::npos) << text;
    EXPECT_EQ(log.PendingSize(), 0u);
  });
  EXPECT_EQ(points, (std::vector<std::string>{"1. create of dev1.log", "2. create of dev1.log", "1. write of dev1.log",
                                              "2. write of dev1.log", "1. flush of dev1.log", "2. flush of dev1.log"}));
}

// A full log rotates into .tx1 to .tx7; whichever step fails, every file
// but the oldest keeps its content somewhere, and a failed rename is told
// in the log.
TEST_F(DiskFaults, DeviceLogRotationNeverLosesAFile) {
  tFailurePoints faults("dev1.");
  const std::vector<std::string> points = faults.Run([&](const std::string&) {
    test_files::RemoveTree(dir_);
    platform::MakeDirectory(dir_);
    tDeviceLog log;
    log.SetFileName(dir_ + "dev1.log");
    std::vector<std::string> kept;
    const std::string current = "current " + std::string(tDeviceLog::kMaxFileSize, 'x');
    platform::WriteWholeFile(log.FileName(), current);
    kept.push_back(current);
    for (int i = 1; i <= 7; ++i) {
      platform::WriteWholeFile(log.RotatedName(i), "rotated " + std::to_string(i));
      if (i < 7) kept.push_back("rotated " + std::to_string(i));
    }
    faults.Arm();
    log.CheckSize();
    faults.Disarm();
    std::vector<std::string> files;
    files.push_back(FileText(log.FileName()));
    for (int i = 1; i <= 7; ++i) files.push_back(FileText(log.RotatedName(i)));
    for (const std::string& content : kept) {
      bool found = false;
      for (const std::string& f : files) found = found || f.compare(0, content.size(), content) == 0;
      EXPECT_TRUE(found) << content.substr(0, 20) << " is lost";
    }
    const bool renamed = FileText(log.RotatedName(1)).compare(0, 8, "current ") == 0;
    if (!renamed) EXPECT_NE(files[0].find("Device log rotation stopped: "), std::string::npos);
  });
  EXPECT_EQ(points.size(), 7u + 3u) << ::testing::PrintToString(points);
}

// ---- writers of the universal register ---------------------------------------------------------

const char kOrderFile[] = "tools/possim/demo/dinner.order";

class RegisterDiskFaults : public DiskFaults {
 protected:
  void SetUp() override {
    DiskFaults::SetUp();
    const std::string bin = platform::DirectoryOf(platform::OwnModulePath());
    char cwd[4096] = {};
    previousDir_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    InitTaskServices();
    HostParams::Reset();
    BindPosDataHooks();
    DeviceTable::SetDeviceClass(TZefor::Class());
    params_ = platform::OpenLibrary((bin.empty() || bin[0] != '/' ? previousDir_ + "/" + bin : bin) +
                                    platform::LibraryFileName("params"));
    ASSERT_NE(params_, nullptr) << platform::LastLoadError();
    loadConfig_ = reinterpret_cast<TLoadConfig>(platform::FindFunction(params_, "ParamsLoadConfig"));
  }
  void TearDown() override {
    DONEDLL();
    HostParams::Reset();
    if (loadConfig_) loadConfig_(nullptr);
    if (params_) platform::CloseLibrary(params_);
    if (chdir(previousDir_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previousDir_;
    DiskFaults::TearDown();
  }

  // A fresh register and device 1 with the parameters `extra`; the dumps
  // go to the test's folder.
  void Start(const std::string& extra, const std::string& emulator = "") {
    DONEDLL();
    for (const char* f : {"emu.state", "emu.tape", "emu.docs", "zefor1.log", "zefor1.wal"}) platform::RemoveFile(dir_ + f);
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu.state\ntape = emu.tape\ndocuments = emu.docs\n"
                                                    "taxes = 1:2000 2:1000 3:0\nprotocol = 40\n"
                                                    "options = foAbsItemDiscount foCalcChange\n" + emulator);
    std::string objects;
    platform::ReadWholeFile(std::string(ZEF_SOURCE_DIR) + "/tools/possim/demo/receipts.cfg", objects);
    platform::WriteWholeFile(dir_ + "params.cfg",
                             "[device * 0]\n0 = emulator.so\n1 = @text <Params><Emulator Config=\"" + dir_ +
                                 "emulator.cfg\"/></Params>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n5 = 1\n6 = 0\n" +
                                 extra + "\n[answers * 0]\nmessage = 2\nquestion = 3\n" + objects);
    loadConfig_((dir_ + "params.cfg").c_str());
    handle_ = InitDevice(0, 0);
    ASSERT_EQ(handle_, 1) << Journal();
    static_cast<TZefor*>(DeviceTable::Device(handle_))->SetAdapterDirectory(dir_);
  }
  bool Print(const std::string& data, uint8_t kind = fdFiscCheck) {
    std::vector<uint8_t> record = PosDocumentRecord(kind, data);
    bool result = false;
    try {
      result = FiscDocument(handle_, record.data()) != 0;
    } catch (...) {
      // An exception that leaves the export is the POS's; the test only
      // looks at the files.
    }
    return result;
  }
  static std::string Dinner() {
    std::string description;
    platform::ReadWholeFile(std::string(ZEF_SOURCE_DIR) + "/" + kOrderFile, description);
    return orderwriter::WriteOrderStream(orderwriter::ParseOrderDescription(description));
  }
  std::string Journal() const { return test_files::Unstamped(FileText(dir_ + "zefor1.log")); }
  size_t Accepted() const {
    const std::string docs = FileText(dir_ + "emu.docs");
    size_t n = 0;
    for (size_t at = docs.find("<!-- accepted"); at != std::string::npos; at = docs.find("<!-- accepted", at + 1)) ++n;
    return n;
  }

  using TLoadConfig = void(ZEF_STDCALL*)(const char*);
  std::string previousDir_;
  platform::LibraryHandle params_ = nullptr;
  TLoadConfig loadConfig_ = nullptr;
  int32_t handle_ = 0;
};

// The status snapshot file: rewritten whole or left as it was; a failure
// is told as "Exception in SaveStatuses:" and the receipt prints.
TEST_F(RegisterDiskFaults, StatusFileIsWholeOrAsItWas) {
  tFailurePoints faults("state.xml");
  const std::string data = Dinner();
  const std::vector<std::string> points = faults.Run([&](const std::string& point) {
    Start("29 = " + dir_ + "state.xml");
    // The snapshot thread reads the status once at its start, then once a
    // minute: its first read is left to pass, so the failures land in the
    // receipt's own status reads.
    platform::Sleep(300);
    faults.Arm();
    EXPECT_TRUE(Print(data));
    faults.Disarm();
    EXPECT_EQ(Accepted(), 1u);
    DONEDLL();  // the status thread stops, the journal is flushed
    const std::string after = FileText(dir_ + "state.xml");
    EXPECT_EQ(after.find("<?xml"), 0u) << after;
    EXPECT_NE(after.find("</DeviceState>"), std::string::npos) << after;
    // A rename that fails once is tried again; any other failure is told.
    if (faults.Hit() && point.find("rename") == std::string::npos)
      EXPECT_NE(Journal().find("Exception in SaveStatuses:"), std::string::npos) << Journal();
  });
  EXPECT_GE(points.size(), 4u) << ::testing::PrintToString(points);
}

// The fiscal document dump: the one before stays whole until a new one is
// written whole; a failure is told in the journal.
TEST_F(RegisterDiskFaults, FiscalDumpIsWholeOrAsItWas) {
  tFailurePoints faults("ZefFiscDoc.xml");
  const std::string data = Dinner();
  const std::vector<std::string> points = faults.Run([&](const std::string&) {
    Start("21 = 1");
    platform::WriteWholeFile(dir_ + "ZefFiscDoc.xml", "<stored/>");
    faults.Arm();
    EXPECT_TRUE(Print(data));
    faults.Disarm();
    EXPECT_EQ(Accepted(), 1u);
    const std::string dump = FileText(dir_ + "ZefFiscDoc.xml");
    const std::string sent = FileText(dir_ + "emu.docs");
    if (dump == "<stored/>") {
      EXPECT_NE(Journal().find("{ZefFiscDoc.xml} Cannot write " + dir_ + "ZefFiscDoc.xml"), std::string::npos);
    } else {
      EXPECT_NE(sent.find(dump.substr(dump.find("<FiscalDocument"))), std::string::npos) << dump;
    }
  });
  EXPECT_EQ(points, (std::vector<std::string>{"1. create of ZefFiscDoc.xml", "1. write of ZefFiscDoc.xml",
                                              "1. flush of ZefFiscDoc.xml", "1. rename of ZefFiscDoc.xml"}));
}

// The saved input data of a failed receipt ("FRErrorInputData.log") and of
// one that raised ("FRExceptInputData.log"): the file of the earlier
// failure stays whole until the new one is whole; a failure is told in the
// journal.
TEST_F(RegisterDiskFaults, SavedInputDataIsWholeOrAsItWas) {
  struct tCase {
    const char* File;
    std::string Data;
    const char* Taxes;
  };
  const std::string dinner = Dinner();
  const tCase cases[] = {
      {"FRErrorInputData.log", dinner, "taxes = 5:2000\n"},  // the register refuses the receipt
      {"FRExceptInputData.log", dinner.substr(0, 40), ""},    // a cut stream raises
  };
  for (const tCase& c : cases) {
    SCOPED_TRACE(c.File);
    tFailurePoints faults(c.File);
    const std::vector<std::string> points = faults.Run([&](const std::string&) {
      Start("", c.Taxes);
      platform::WriteWholeFile(dir_ + c.File, "stored");
      faults.Arm();
      EXPECT_FALSE(Print(c.Data));
      faults.Disarm();
      const std::string saved = FileText(dir_ + c.File);
      if (saved == "stored") {
        EXPECT_NE(Journal().find(std::string("Error input data could not be saved to ") + c.File), std::string::npos)
            << Journal();
      } else {
        EXPECT_EQ(saved, c.Data);
      }
      // Printing goes on.
      platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu.state\ntape = emu.tape\ndocuments = emu.docs\n"
                                                      "taxes = 1:2000 2:1000 3:0\nprotocol = 40\n"
                                                      "options = foAbsItemDiscount foCalcChange\n");
      EXPECT_TRUE(Print(dinner));
    });
    EXPECT_EQ(points.size(), 4u) << ::testing::PrintToString(points);
  }
}

// The write-ahead record: whichever step fails, the file holds a whole
// record, the failure is in the journal, and the receipt prints once.
TEST_F(RegisterDiskFaults, WriteAheadRecordIsWholeAndPrintingGoesOn) {
  tFailurePoints faults("zefor1.wal");
  const std::string data = Dinner();
  const std::vector<std::string> points = faults.Run([&](const std::string&) {
    Start("");
    faults.Arm();
    EXPECT_TRUE(Print(data));
    faults.Disarm();
    EXPECT_EQ(Accepted(), 1u);
    std::vector<tRecordEntry> entries;
    std::string reason;
    if (platform::FileExists(dir_ + "zefor1.wal"))
      EXPECT_TRUE(tDocumentRecord::Parse(FileText(dir_ + "zefor1.wal"), entries, reason)) << reason;
    const bool failed = Journal().find("{DocumentRecord} Cannot write " + dir_ + "zefor1.wal") != std::string::npos;
    // A record that could not be closed keeps the receipt open on the
    // disk: a POS process started after this one settles it from the
    // counters (the POS here heard true and is done with it).
    if (!entries.empty()) {
      EXPECT_TRUE(failed);
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_TRUE(entries[0].Open);
      EXPECT_EQ(entries[0].Identity, "{6B1C3D9E-0C47-4A51-9F1B-2E7A5C3D8F10}");
    }
  });
  // Opened and closed: two of each step (the rename of a temporary file
  // that failed once is tried again).
  EXPECT_EQ(points.size(), 2u + 2u + 4u + 2u) << ::testing::PrintToString(points);
}

}  // namespace
