// The universal register through the real adapter library, the parameter
// service stand-in and the fiscal register emulator, each test in a folder
// of its own.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "adapter.h"
#include "support/test_files.h"
#include "tarvel32/tarvel32.h"

using Lines = std::vector<std::string>;

// The whole lines of `text` that hold `marker`, in order, without their line
// ends: "\r\n" in journals, "\n" in logs and tapes. A journal line that ends
// otherwise runs on into the next one and so fails the comparison.
inline Lines LinesWith(const std::string& text, const std::string& marker, const std::string& end = "\r\n") {
  Lines found;
  for (size_t at = 0; at < text.size();) {
    size_t stop = text.find(end, at);
    if (stop == std::string::npos) stop = text.size();
    std::string line = text.substr(at, stop - at);
    if (line.find(marker) != std::string::npos) found.push_back(line);
    at = stop + end.size();
  }
  return found;
}

// The device error lines ("<date and time> #<device> err<code>: <text>")
// among `lines` from the "#" on: the date and time are the system's short
// format, masked like the time stamps. Other lines stay as they are.
inline Lines UndatedErrors(Lines lines) {
  static const std::regex error("^.*? (#\\d+ err\\d+: .*)$");
  std::smatch match;
  for (std::string& line : lines)
    if (std::regex_match(line, match, error)) line = match[1];
  return lines;
}

// The device error lines of a journal, in order, undated.
inline Lines ErrorLines(const std::string& journal) {
  Lines found;
  for (const std::string& line : UndatedErrors(LinesWith(journal, " err")))
    if (line[0] == '#') found.push_back(line);
  return found;
}

// Lines with the moments they name ("dd.mm.yy hh:mm:ss") masked as that
// pattern, so that lines which carry the time can be compared whole.
inline Lines Undated(Lines lines) {
  static const std::regex moment("\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d");
  for (std::string& line : lines) line = std::regex_replace(line, moment, "dd.mm.yy hh:mm:ss");
  return lines;
}

// `count` whole journal lines of `text` from a line that holds `marker` on:
// the first such line, or the one after `skip` others (fewer lines when the
// text ends before).
inline Lines LinesFrom(const std::string& text, const std::string& marker, size_t count, size_t skip = 0) {
  Lines found;
  for (size_t at = 0; at < text.size() && found.size() < count;) {
    size_t stop = text.find("\r\n", at);
    if (stop == std::string::npos) stop = text.size();
    std::string line = text.substr(at, stop - at);
    if (!found.empty() || (line.find(marker) != std::string::npos && skip-- == 0)) found.push_back(line);
    at = stop + 2;
  }
  return found;
}

// Whether `text` has exactly one line that holds `opening` and whether that
// line begins with it; the rest is a message of the failure's own (the
// parser's, the system's), which the tests do not fix. On failure it shows
// the lines found.
inline ::testing::AssertionResult OneLineOpening(const std::string& text, const std::string& opening,
                                                 const std::string& end = "\r\n") {
  const Lines lines = LinesWith(text, opening, end);
  if (lines.size() == 1 && lines[0].compare(0, opening.size(), opening) == 0 && lines[0].size() > opening.size())
    return ::testing::AssertionSuccess();
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  failure << lines.size() << " lines hold \"" << opening << "\", one beginning with it and going on expected:";
  for (const std::string& line : lines) failure << "\n  " << line;
  return failure;
}

class ZeforTest : public ::testing::Test {
 protected:
  using TLoadConfig = void(ZEF_STDCALL*)(const char*);

  void SetUp() override {
    dir_ = test_files::UniqueTempDir("zefor_");
    bin_ = platform::DirectoryOf(platform::OwnModulePath());
    WriteEmulator("");
    emulatorConfig_ = std::make_unique<test_files::tEnvSetting>("EMULATOR_CONFIG", dir_ + "emulator.cfg");
    task_ = AttachTask("POS test");
  }
  void TearDown() override {
    if (loaded_) {
      adapter_.DONEDLL();
      adapter_.Unload();
    }
    if (task_ > 0) DetachTask();
    paramsConfig_.reset();
    emulatorConfig_.reset();
    test_files::RemoveTree(dir_);
  }

  // The device section of a register on the emulator; `extra` adds or
  // replaces parameter lines.
  std::string Device(int number, const std::string& extra = "", const std::string& module = "emulator.so") {
    std::string n = std::to_string(number);
    return "[device * " + n + "]\n0 = " + module + "\n1 = @text <Params><Emulator Config=\"" + dir_ +
           "emulator.cfg\"/></Params>\n2 = 57\n4 = " + dir_ + "zefor%d.log\n5 = 1\n" + extra + "\n[answers * " +
           n + "]\nmessage = 2\nquestion = 3\n";
  }
  void WriteParams(const std::string& devices) {
    platform::WriteWholeFile(dir_ + "params.cfg", devices + "[service]\nlog = " + dir_ + "requests.log\n");
    if (!paramsConfig_) paramsConfig_ = std::make_unique<test_files::tEnvSetting>("PARAMS_CONFIG", dir_ + "params.cfg");
  }
  void WriteEmulator(const std::string& lines) {
    platform::WriteWholeFile(dir_ + "emulator.cfg", "state = emu1.state\ntape = emu1.tape\ncalls = calls.log\n"
                                                    "[device 1]\nstate = emu2.state\n[device *]\n" + lines + "\n");
  }
  void Load() {
    std::string error;
    ASSERT_TRUE(adapter_.Load(bin_ + platform::LibraryFileName("zefor"), error)) << error;
    loaded_ = true;
    auto params = platform::FindLoadedLibrary(platform::LibraryFileName("params"));
    if (params) reinterpret_cast<TLoadConfig>(platform::FindFunction(params, "ParamsLoadConfig"))(nullptr);
  }
  std::string Read(const std::string& name) const {
    std::string text;
    platform::ReadWholeFile(dir_ + name, text);
    return text;
  }
  // The journal of device n + 1 with the time stamps removed.
  std::string Journal(int number = 0) const {
    return test_files::Unstamped(Read("zefor" + std::to_string(number + 1) + ".log"));
  }
  // The whole lines of the journal of device n + 1 that hold `marker`, in
  // order, so that a failed comparison shows both lists.
  std::vector<std::string> JournalLines(const std::string& marker, int number = 0) const {
    return LinesWith(Journal(number), marker);
  }
  // Lines of the emulator's call log that name `function`.
  std::vector<std::string> Calls(const std::string& function) const {
    std::vector<std::string> lines;
    std::istringstream in(Read("calls.log"));
    for (std::string line; std::getline(in, line);)
      if (line.find("enter " + function + " ") == 0) lines.push_back(line);
    return lines;
  }
  static std::string Field(const std::string& line, const std::string& key) {
    size_t at = line.find(key + "=");
    if (at == std::string::npos) return std::string();
    at += key.size() + 1;
    return line.substr(at, line.find(' ', at) - at);
  }
  TPrinterStatus Status(int32_t handle) {
    TPrinterStatus status{};
    status.Size = kPrinterStatusSize;
    adapter_.GetStatus(handle, &status);
    return status;
  }

  Adapter adapter_;
  bool loaded_ = false;
  std::string dir_, bin_;
  int32_t task_ = -1;
  std::unique_ptr<test_files::tEnvSetting> emulatorConfig_, paramsConfig_;
};

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The emulator's tape of the demo guest bill (tools/possim/demo/guest_bill.prn).
inline constexpr char kGuestBillTape[] =
    "      C A F E   O R B E L O\n"
    "Guest bill          Table 12\n"
    "Guests: 2     Waiter: Anna\n"
    "--------------------------------\n"
    "Espresso      2 x 150.00  300.00\n"
    "Borscht       1 x 320.00  320.00\n"
    "Cheesecake    1 x 280.00  280.00\n"
    "--------------------------------\n"
    "TOTAL                     900.00\n"
    "\n"
    "Спасибо за визит!\n"
    "[barcode EAN-13: 460123456789]\n"
    "----------------- cut ------------------\n";
