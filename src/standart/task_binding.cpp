#include "standart/task_binding.h"

#include <atomic>
#include <mutex>

#include "platform/platform.h"

namespace {

std::mutex g_nameLock;
std::string g_moduleName = DefaultTaskLibraryName();
std::atomic<tIsInTrustedThreadProc> g_isInTrustedThread{nullptr};

std::string ModuleName() {
  std::lock_guard<std::mutex> guard(g_nameLock);
  return g_moduleName;
}

// The library stays loaded for the life of the process (it is a load-time
// import), so the handle is not released.
void* FindTaskLibraryFunction(const char* name) {
  platform::LibraryHandle library = platform::FindLoadedLibrary(ModuleName());
  return library ? platform::FindFunction(library, name) : nullptr;
}

}  // namespace

std::string DefaultTaskLibraryName() { return platform::LibraryFileName("tarvel32"); }

void BindTaskLibrary(const std::string& moduleFileName) {
  {
    std::lock_guard<std::mutex> guard(g_nameLock);
    g_moduleName = moduleFileName;
  }
  g_isInTrustedThread = reinterpret_cast<tIsInTrustedThreadProc>(FindTaskLibraryFunction("IsInTrustedThread"));
}

tIsInTrustedThreadProc BoundIsInTrustedThread() { return g_isInTrustedThread.load(); }

bool QueryTasksVersion(int32_t& version) {
  auto proc = reinterpret_cast<tTasksVersionProc>(FindTaskLibraryFunction("TasksVersion"));
  if (!proc) return false;
  version = proc();
  return true;
}

void PrintAllTaskStacks() {
  auto proc = reinterpret_cast<tPrintAllStacksProc>(FindTaskLibraryFunction("PrintAllStacks"));
  if (proc) proc();
}
