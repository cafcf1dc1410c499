// Test controls offered by the nolvex32 stand-in besides the library's own
// functions (declared in src/standart/nolvex_api.h).
#pragma once
#include "standart/nolvex_api.h"

extern "C" {
NOLVEX_API int32_t ZEF_STDCALL NolvexCutCount();
NOLVEX_API void ZEF_STDCALL NolvexReset();
NOLVEX_API void ZEF_STDCALL NolvexSetSilent(int32_t code, uint8_t silent);
NOLVEX_API uint8_t ZEF_STDCALL NolvexIsRaised(int32_t code);
NOLVEX_API uint8_t ZEF_STDCALL NolvexIsIgnored(int32_t code);
NOLVEX_API void ZEF_STDCALL NolvexSetLogPath(const char* path);
}
