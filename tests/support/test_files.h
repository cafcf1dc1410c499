// Files of the tests: folders of their own that are removed again, and the
// journal and log texts with their time stamps masked, so that whole texts
// can be compared.
#pragma once
#include <stdlib.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>

#include "platform/platform.h"

namespace test_files {

// A new, empty folder below the system's temporary folder, with a trailing
// separator. Unique over processes and worktrees running tests together.
inline std::string UniqueTempDir(const std::string& prefix) {
#ifdef _WIN32
  // No mkdtemp: random names until one is new.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = platform::TempDirectory() + prefix + std::to_string(_getpid()) + "_" + std::to_string(random());
    std::error_code error;
    if (std::filesystem::create_directory(path, error)) return path + "/";
  }
  throw std::runtime_error("cannot create a folder in " + platform::TempDirectory());
#else
  std::string pattern = platform::TempDirectory() + prefix + std::to_string(getpid()) + "_XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder like " + pattern);
  return pattern + "/";
#endif
}

inline void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

// A folder of its own for the life of the object.
class tTempDir {
 public:
  explicit tTempDir(const std::string& prefix) : path_(UniqueTempDir(prefix)) {}
  ~tTempDir() { RemoveTree(path_); }
  tTempDir(const tTempDir&) = delete;
  tTempDir& operator=(const tTempDir&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The text of a journal with the "hh:nn:ss.zzz:  " stamp in front of every
// line removed.
inline std::string Unstamped(const std::string& journal) {
  static const std::regex stamp("(^|\n)\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d:  ");
  return std::regex_replace(journal, stamp, "$1");
}

// A journal without the driver calls inside it: every block from its
// "~~> ..." line to its "<~~ ..." line, and the empty line after it, is
// removed, so that the lines of a device operation can be compared whole.
inline std::string WithoutDriverCalls(const std::string& journal) {
  std::string kept;
  bool inCall = false, afterCall = false;
  for (size_t at = 0; at < journal.size();) {
    size_t end = journal.find('\n', at);
    end = end == std::string::npos ? journal.size() : end + 1;
    const std::string line = journal.substr(at, end - at);
    at = end;
    const bool blank = line == "\n" || line == "\r\n";
    if (afterCall && blank) {
      afterCall = false;
      continue;
    }
    afterCall = false;
    if (!inCall && line.compare(0, 4, "~~> ") == 0) inCall = true;
    if (!inCall) kept += line;
    else if (line.compare(0, 4, "<~~ ") == 0) inCall = false, afterCall = true;
  }
  return kept;
}

// The text of a file; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, text);
  return text;
}

#ifdef _WIN32
// The runtime's copy and the process's own (which the platform layer reads).
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
#endif

// Sets an environment variable for the life of the object and puts back
// what was there before.
class tEnvSetting {
 public:
  tEnvSetting(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~tEnvSetting() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }
  // Another value; the one from before the object is still put back.
  void Set(const std::string& value) { setenv(name_, value.c_str(), 1); }
  tEnvSetting(const tEnvSetting&) = delete;
  tEnvSetting& operator=(const tEnvSetting&) = delete;

 private:
  const char* name_;
  bool had_ = false;
  std::string old_;
};

}  // namespace test_files
