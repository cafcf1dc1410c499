#include "platform/com.h"

namespace platform {

const char* ComLibrary::ModuleName() { return "ole32.dll"; }

bool ComLibrary::Load() {
  loaded_ = true;
  return true;
}

void ComLibrary::Free() { loaded_ = false; }

void ComLibrary::Initialize() {}
void ComLibrary::Uninitialize() {}

}  // namespace platform
