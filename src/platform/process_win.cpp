#include <windows.h>

#include "platform/platform.h"
#include "platform/process.h"

namespace platform {

namespace {
// Quotes an argument of a command line where it needs it.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string out = "\"";
  for (char c : argument) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}
}  // namespace

std::string ProgramFileName(const std::string& baseName) { return baseName + ".exe"; }

ProcessHandle StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& directory) {
  std::string commandLine = Quoted(program);
  for (const std::string& a : arguments) commandLine += " " + Quoted(a);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info))
    return 0;
  ::CloseHandle(info.hThread);
  return ProcessHandle(info.hProcess);
}

bool WaitForProcess(ProcessHandle process, uint32_t timeout) {
  uint32_t start = TickCount();
  for (;;) {
    if (::WaitForSingleObject(HANDLE(process), 0) == WAIT_OBJECT_0) return true;
    if (TickCount() - start >= timeout) return false;
    Sleep(10);
  }
}

void KillProcess(ProcessHandle process) { TerminateProcess(HANDLE(process), 1); }

void CloseProcess(ProcessHandle process) { ::CloseHandle(HANDLE(process)); }

}  // namespace platform
