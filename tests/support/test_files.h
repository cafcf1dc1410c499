// Files of the tests: folders of their own that are removed again, and the
// journal and log texts with their time stamps masked, so that whole texts
// can be compared.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <stdexcept>
#include <string>

#include "platform/platform.h"

namespace test_files {

// A new, empty folder below the system's temporary folder, with a trailing
// separator. Unique over processes and worktrees running tests together.
inline std::string UniqueTempDir(const std::string& prefix) {
  std::string pattern = platform::TempDirectory() + prefix + std::to_string(getpid()) + "_XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a folder like " + pattern);
  return pattern + "/";
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

// The text of a file; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, text);
  return text;
}

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
