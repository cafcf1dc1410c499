// The adapter library loaded by path, as the POS loads it, with its exports
// bound by name.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "io/printer/device/printer_status.h"
#include "platform/abi.h"
#include "platform/platform.h"

struct Adapter {
  using TInitDll = uint8_t(ZEF_REGCALL*)(int32_t, int32_t, int32_t, int32_t*, uint8_t*, int32_t);
  using TDevicesInfo = void(ZEF_REGCALL*)(char*, int32_t);

  platform::LibraryHandle library = nullptr;
  TInitDll INITDLL = nullptr;
  void(ZEF_STDCALL* DONEDLL)() = nullptr;
  int32_t(ZEF_STDCALL* InitDevice)(int32_t, int32_t) = nullptr;
  void(ZEF_STDCALL* Done)(int32_t) = nullptr;
  void(ZEF_STDCALL* GetStatus)(int32_t, TPrinterStatus*) = nullptr;
  uint8_t(ZEF_STDCALL* PrintingWithRes)(int32_t, const uint8_t*, int32_t) = nullptr;
  void(ZEF_STDCALL* Printing)(int32_t, const uint8_t*, int32_t) = nullptr;
  void(ZEF_STDCALL* CancelPrint)(int32_t) = nullptr;
  void(ZEF_STDCALL* OpenDrawerNum)(int32_t, int32_t) = nullptr;
  void(ZEF_STDCALL* OpenDrawer)(int32_t) = nullptr;
  int32_t(ZEF_STDCALL* IsDrawerNumOpen)(int32_t, int32_t) = nullptr;
  uint8_t(ZEF_STDCALL* ExtPrintData)(int32_t, const char*) = nullptr;
  uint8_t(ZEF_STDCALL* FiscGetExtID)(int32_t, char*, uint8_t*) = nullptr;
  uint8_t(ZEF_STDCALL* FiscDocument)(int32_t, uint8_t*) = nullptr;
  void(ZEF_STDCALL* PrintersStarted)(int32_t) = nullptr;
  void(ZEF_STDCALL* ProgramPrinter)(int32_t, const void*) = nullptr;
  uint32_t(ZEF_STDCALL* NewGetFlags)(int32_t) = nullptr;
  int32_t(ZEF_STDCALL* InitCustDispPort)(int32_t, int32_t) = nullptr;
  void(ZEF_STDCALL* Print)(int32_t, const uint8_t*, int32_t) = nullptr;
  uint8_t(ZEF_STDCALL* GetZReportData)(int32_t, char**, int32_t*) = nullptr;

  // Loads the library and binds every export; false (with `error`) when one is missing.
  bool Load(const std::string& path, std::string& error);
  void Unload();
};

// Writes the requests the adapter made that the POS's parameter service
// would not have answered (the stand-in records them) to `out`; false when
// there were any.
bool NoUnlistedRequests(std::FILE* out);
