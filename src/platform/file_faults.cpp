#include "platform/file_faults.h"

#include <atomic>
#include <mutex>

namespace platform {

namespace {

struct tSeam {
  std::mutex Lock;
  std::string PathPart;
  int FailAt[kFileStepKinds] = {};
  int Taken[kFileStepKinds] = {};
};

// Unarmed (always, outside the tests) a step costs one atomic read.
std::atomic<bool> g_armed{false};

tSeam& Seam() {
  static tSeam seam;
  return seam;
}

}  // namespace

void FailNthFileStep(FileStep step, int nth, const std::string& pathPart) {
  tSeam& s = Seam();
  std::lock_guard<std::mutex> guard(s.Lock);
  for (int i = 0; i < kFileStepKinds; ++i) s.FailAt[i] = s.Taken[i] = 0;
  s.FailAt[int(step)] = nth;
  s.PathPart = pathPart;
  g_armed = nth != 0;
}

int FileStepsTaken(FileStep step) {
  tSeam& s = Seam();
  std::lock_guard<std::mutex> guard(s.Lock);
  return s.Taken[int(step)];
}

bool FileStepFails(FileStep step, const std::string& path) {
  if (!g_armed.load()) return false;
  tSeam& s = Seam();
  std::lock_guard<std::mutex> guard(s.Lock);
  if (path.find(s.PathPart) == std::string::npos) return false;
  const int taken = ++s.Taken[int(step)];
  return s.FailAt[int(step)] != 0 && taken == s.FailAt[int(step)];
}

}  // namespace platform
