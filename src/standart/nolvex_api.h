// The error-and-log library nolvex32: its current-error record and the
// functions the error service imports from it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/abi.h"

#pragma pack(push, 1)
// The current-error record exchanged with nolvex32. Offsets are fixed.
struct tNewErrorInfo {
  int32_t Size;                 // 0
  int32_t Code;                 // 4
  uint8_t Text[256];            // 8: short string, message format or text
  uint8_t ExceptionText[256];   // 264: short string
  uint32_t ReturnAddress;       // 520
  uint32_t ExceptionAddress;    // 524: 1 = none or EAbort
  uint32_t OSError;             // 528
  uint8_t Flags;                // 532
  uint8_t Kind;                 // 533
  uint8_t Reserved534;          // 534
  uint8_t Reserved535;          // 535
  uint32_t AttachedStream;      // 536: interface reference, always nil here
  int32_t FullMessageLength;    // 540
  char FullMessage[2048];       // 544
  int32_t FullTextLength;       // 2592
  char FullText[4096];          // 2596
  uint8_t LastReport;           // 6692
};
#pragma pack(pop)

static_assert(sizeof(tNewErrorInfo) == 6693, "tNewErrorInfo size");
static_assert(offsetof(tNewErrorInfo, Code) == 4, "Code");
static_assert(offsetof(tNewErrorInfo, Text) == 8, "Text");
static_assert(offsetof(tNewErrorInfo, ExceptionText) == 264, "ExceptionText");
static_assert(offsetof(tNewErrorInfo, ReturnAddress) == 520, "ReturnAddress");
static_assert(offsetof(tNewErrorInfo, ExceptionAddress) == 524, "ExceptionAddress");
static_assert(offsetof(tNewErrorInfo, OSError) == 528, "OSError");
static_assert(offsetof(tNewErrorInfo, Flags) == 532, "Flags");
static_assert(offsetof(tNewErrorInfo, Kind) == 533, "Kind");
static_assert(offsetof(tNewErrorInfo, AttachedStream) == 536, "AttachedStream");
static_assert(offsetof(tNewErrorInfo, FullMessageLength) == 540, "FullMessageLength");
static_assert(offsetof(tNewErrorInfo, FullMessage) == 544, "FullMessage");
static_assert(offsetof(tNewErrorInfo, FullTextLength) == 2592, "FullTextLength");
static_assert(offsetof(tNewErrorInfo, FullText) == 2596, "FullText");
static_assert(offsetof(tNewErrorInfo, LastReport) == 6692, "LastReport");

constexpr int32_t kErrorInfoSize = 6693;

// Arguments of ProcessFormatErrorRec: the service formats the text itself
// (nolvex32 "version" 15), so the argument list is passed as already
// formatted text for logging.
#if defined(_WIN32) && defined(NOLVEX32_BUILD)
#define NOLVEX_API __declspec(dllexport)
#else
#define NOLVEX_API
#endif

extern "C" {
NOLVEX_API int32_t ZEF_STDCALL GetErrorInfoSize();
NOLVEX_API tNewErrorInfo* ZEF_STDCALL GetErrorInfoPtr();
NOLVEX_API uint8_t ZEF_STDCALL NeedProcessForCode(int32_t code);
NOLVEX_API void ZEF_STDCALL ProcessFormatErrorRec(tNewErrorInfo* rec, uint8_t* raise,
                                       tNewErrorInfo* current, const char* formatted,
                                       int32_t argCount);
NOLVEX_API void ZEF_STDCALL ExceptError(int32_t code);
NOLVEX_API void ZEF_STDCALL IgnoreError(int32_t code);
NOLVEX_API void ZEF_STDCALL OutStringToLog(uint8_t level, const char* text);
NOLVEX_API void ZEF_STDCALL CutErrorFileIfNeed();
NOLVEX_API int32_t ZEF_STDCALL LastError();
NOLVEX_API void ZEF_STDCALL LastErrorMessage(char* buffer, int32_t size, int32_t number);
NOLVEX_API void ZEF_STDCALL ClearErrorSpecials(int32_t code);
NOLVEX_API void ZEF_STDCALL EnterProtocolStack();
NOLVEX_API void ZEF_STDCALL LeaveProtocolStack();
NOLVEX_API void ZEF_STDCALL EnterNoOSMode(const char* section);
NOLVEX_API void ZEF_STDCALL NoOSMode(int32_t value);
NOLVEX_API uint8_t ZEF_STDCALL GetNoOSMode();
}
