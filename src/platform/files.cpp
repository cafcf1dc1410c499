// File helpers common to both sides of the platform layer (standard streams).
#include <fstream>
#include <sstream>

#include "platform/file_faults.h"
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

namespace {

// Writes the data into an open stream, then flushes it; a failed write may
// leave part of the data behind, as a full disk does.
bool WriteAndFlush(std::ofstream& f, const std::string& path, const std::string& data) {
  if (FileStepFails(FileStep::Write, path)) {
    f.write(data.data(), std::streamsize(data.size() / 2));
    return false;
  }
  f.write(data.data(), std::streamsize(data.size()));
  if (!f) return false;
  if (FileStepFails(FileStep::Flush, path)) return false;
  f.flush();
  return bool(f);
}

bool WriteFile(const std::string& path, const std::string& data, std::ios::openmode mode) {
  if (FileStepFails(FileStep::Create, path)) return false;
  std::ofstream f(path, std::ios::binary | mode);
  if (!f) return false;
  return WriteAndFlush(f, path, data);
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::string& data) { return WriteFile(path, data, std::ios::trunc); }

bool ReplaceWholeFile(const std::string& path, const std::string& data, bool durable) {
  // One temporary name per thread: two threads may rewrite the same file.
  std::string temporary = path + ".~" + std::to_string(CurrentThreadId()) + ".tmp";
  if (!WriteWholeFile(temporary, data) || (durable && !FlushFileToDisk(temporary))) {
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

bool AppendToFile(const std::string& path, const std::string& data) { return WriteFile(path, data, std::ios::app); }

std::string DirectoryOf(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string FileNameOf(const std::string& path) {
  size_t p = path.find_last_of("/\\");
  return p == std::string::npos ? path : path.substr(p + 1);
}

}  // namespace platform
