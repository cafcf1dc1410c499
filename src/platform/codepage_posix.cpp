#include "platform/codepage.h"

namespace platform {

// Linux has no ANSI code page; the POS's texts are Cyrillic Windows text.
uint32_t SystemCodePage() { return kCodePageCyrillic; }

}  // namespace platform
