// Calling conventions and export markers shared by every module.
#pragma once

#if defined(__i386__) || defined(_M_IX86)
#define ZEF_STDCALL __attribute__((stdcall))
// The POS's register convention: first three arguments in EAX, EDX, ECX, the
// rest pushed left to right, callee pops. Functions with this convention must
// declare their stack arguments in reverse order.
#define ZEF_REGCALL __attribute__((regparm(3), stdcall))
#else
#define ZEF_STDCALL
#define ZEF_REGCALL
#endif

#if defined(_WIN32)
#define ZEF_EXPORT extern "C" __declspec(dllexport)
#else
#define ZEF_EXPORT extern "C" __attribute__((visibility("default")))
#endif
