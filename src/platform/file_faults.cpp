#include "platform/file_faults.h"

#include <mutex>

namespace platform {

namespace {

struct tSeam {
  std::mutex Lock;
  std::string PathPart;
  int FailAt[kFileStepKinds] = {};
  int Taken[kFileStepKinds] = {};
  bool Armed = false;
};

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
  s.Armed = true;
}

int FileStepsTaken(FileStep step) {
  tSeam& s = Seam();
  std::lock_guard<std::mutex> guard(s.Lock);
  return s.Taken[int(step)];
}

bool FileStepFails(FileStep step, const std::string& path) {
  tSeam& s = Seam();
  std::lock_guard<std::mutex> guard(s.Lock);
  if (!s.Armed || path.find(s.PathPart) == std::string::npos) return false;
  const int taken = ++s.Taken[int(step)];
  return s.FailAt[int(step)] != 0 && taken == s.FailAt[int(step)];
}

}  // namespace platform
