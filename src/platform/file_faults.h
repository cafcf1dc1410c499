// A fault seam for the file functions of the platform layer: a test makes
// the nth create, write, flush or rename of the files whose path contains
// a given text fail, and learns how many steps were taken, so that it can
// run a writer under a failure at every step.
#pragma once
#include <string>

namespace platform {

enum class FileStep { Create, Write, Flush, Rename };
constexpr int kFileStepKinds = 4;

// From now on the nth step of this kind on a path containing `pathPart`
// fails (1: the next one); nth 0 fails none. Every call restarts the
// counts of all kinds.
void FailNthFileStep(FileStep step, int nth, const std::string& pathPart = std::string());
// Steps of this kind on such paths taken since the last FailNthFileStep.
int FileStepsTaken(FileStep step);
// Counts one step on `path`; true when it is the one to fail. The file
// functions of both sides call it before each step.
bool FileStepFails(FileStep step, const std::string& path);

}  // namespace platform
