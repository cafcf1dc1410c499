// The optional functions of tarvel32, found by name in the loaded library.
#pragma once
#include <cstdint>
#include <string>

#include "standart/task_library.h"

// File name of the loaded task library searched for the optional functions
// ("tarvel32.so" / "tarvel32.dll"). Changing it rebinds IsInTrustedThread;
// a name that is not loaded leaves the optional functions unbound.
void BindTaskLibrary(const std::string& moduleFileName);
std::string DefaultTaskLibraryName();

// tarvel32's IsInTrustedThread as bound at start-up; nullptr when missing.
tIsInTrustedThreadProc BoundIsInTrustedThread();
// tarvel32's TasksVersion, looked up now; false when it is missing.
bool QueryTasksVersion(int32_t& version);
// tarvel32's PrintAllStacks, looked up now; nothing when it is missing.
void PrintAllTaskStacks();
