#include <windows.h>

#include "platform/codepage.h"

namespace platform {

uint32_t SystemCodePage() { return GetACP(); }

}  // namespace platform
