#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/platform.h"
#include "platform/process.h"

extern char** environ;

namespace platform {

namespace {
// Processes whose end has been collected already (waitpid may be called once).
std::mutex g_lock;
std::map<pid_t, bool> g_ended;

bool Reap(pid_t pid, int options) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_ended[pid]) return true;
  int status = 0;
  pid_t r = waitpid(pid, &status, options);
  if (r == pid || r < 0) g_ended[pid] = true;
  return g_ended[pid];
}
}  // namespace

std::string ProgramFileName(const std::string& baseName) { return baseName; }

ProcessHandle StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& directory) {
  std::vector<std::string> texts;
  texts.push_back(program);
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& t : texts) argv.push_back(t.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = 0;
  int rc = access(program.c_str(), X_OK) == 0 ? posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                                              : -1;
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return 0;
  std::lock_guard<std::mutex> guard(g_lock);
  g_ended[pid] = false;
  return ProcessHandle(pid);
}

bool WaitForProcess(ProcessHandle process, uint32_t timeout) {
  pid_t pid = pid_t(process);
  uint32_t start = TickCount();
  for (;;) {
    if (Reap(pid, WNOHANG)) return true;
    if (TickCount() - start >= timeout) return false;
    Sleep(10);
  }
}

void KillProcess(ProcessHandle process) { kill(pid_t(process), SIGKILL); }

void CloseProcess(ProcessHandle process) {
  pid_t pid = pid_t(process);
  Reap(pid, 0);
  std::lock_guard<std::mutex> guard(g_lock);
  g_ended.erase(pid);
}

}  // namespace platform
