// Loading of the libraries a device works with (port hosts): from the
// adapter's own directory first, then by the system's search.
#pragma once
#include <string>

#include "platform/platform.h"

// Loads `fileName`; `description` names the module's role for the log.
// nullptr when it cannot be loaded (the OS error is left for the caller).
platform::LibraryHandle LoadModule(const std::string& fileName, const std::string& description);
void FreeModule(platform::LibraryHandle module);
