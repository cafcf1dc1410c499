// Starting another program and waiting for its end (POSIX and Windows sides).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using ProcessHandle = uintptr_t;  // 0 is never a valid handle

// File name of a program from its base name: "name.exe" on Windows, "name"
// elsewhere.
std::string ProgramFileName(const std::string& baseName);

// Starts `program` (a path) with the arguments, in the working directory
// `directory` (empty: the current one), its window shown normally. 0 when
// it cannot be started.
ProcessHandle StartProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& directory);
// True when the process has ended within `timeout` milliseconds.
bool WaitForProcess(ProcessHandle process, uint32_t timeout);
// Ends a process that is still running.
void KillProcess(ProcessHandle process);
// Waits for a killed process where needed and releases the handle.
void CloseProcess(ProcessHandle process);

}  // namespace platform
