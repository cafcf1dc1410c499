// File helpers common to both sides of the platform layer (standard streams).
#include <fstream>
#include <sstream>

#include "platform/platform.h"

namespace platform {

bool ReadWholeFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return !in.bad();
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(data.data(), std::streamsize(data.size()));
  return bool(f);
}

bool ReplaceWholeFile(const std::string& path, const std::string& data) {
  // One temporary name per thread: two threads may rewrite the same file.
  std::string temporary = path + ".~" + std::to_string(CurrentThreadId()) + ".tmp";
  if (!WriteWholeFile(temporary, data)) {
    RemoveFile(temporary);
    return false;
  }
  // A reader that holds the file open may block the rename for a moment on
  // Windows; a few short retries ride over it.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (RenameFile(temporary, path)) return true;
    Sleep(10);
  }
  RemoveFile(temporary);
  return false;
}

bool AppendToFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary | std::ios::app);
  if (!f) return false;
  f.write(data.data(), std::streamsize(data.size()));
  return bool(f);
}

std::string DirectoryOf(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string FileNameOf(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace platform
