// The adapter's exported functions, as the POS calls them.
#pragma once
#include <cstdint>

#include "io/printer/device/printer_status.h"
#include "platform/abi.h"

extern "C" {
// Register convention; the stack arguments are declared in reverse order
// (the POS pushes A4, Info, ErrorCode).
ZEF_EXPORT uint8_t ZEF_REGCALL INITDLL(int32_t a1, int32_t a2, int32_t interfaceVersion, int32_t* errorCode,
                                       uint8_t* info, int32_t a4);
ZEF_EXPORT void ZEF_STDCALL DONEDLL();
ZEF_EXPORT int32_t ZEF_STDCALL InitDevice(int32_t number, int32_t posTask);
ZEF_EXPORT void ZEF_STDCALL Done(int32_t handle);
ZEF_EXPORT void ZEF_STDCALL GetStatus(int32_t handle, TPrinterStatus* status);
ZEF_EXPORT uint8_t ZEF_STDCALL PrintingWithRes(int32_t handle, const uint8_t* data, int32_t count);
ZEF_EXPORT void ZEF_STDCALL Printing(int32_t handle, const uint8_t* data, int32_t count);
ZEF_EXPORT void ZEF_STDCALL CancelPrint(int32_t handle);
ZEF_EXPORT void ZEF_STDCALL OpenDrawerNum(int32_t handle, int32_t drawer);
ZEF_EXPORT void ZEF_STDCALL OpenDrawer(int32_t handle);
ZEF_EXPORT int32_t ZEF_STDCALL IsDrawerNumOpen(int32_t handle, int32_t drawer);
ZEF_EXPORT uint8_t ZEF_STDCALL ExtPrintData(int32_t handle, const char* xml);
ZEF_EXPORT uint8_t ZEF_STDCALL FiscGetExtID(int32_t handle, char* extId, uint8_t* shiftOpened);
ZEF_EXPORT uint8_t ZEF_STDCALL FiscDocument(int32_t handle, uint8_t* doc);
ZEF_EXPORT void ZEF_STDCALL PrintersStarted(int32_t handle);
ZEF_EXPORT void ZEF_STDCALL ProgramPrinter(int32_t handle, const void* data);
ZEF_EXPORT uint32_t ZEF_STDCALL NewGetFlags(int32_t handle);
ZEF_EXPORT int32_t ZEF_STDCALL InitCustDispPort(int32_t number, int32_t reserved);
ZEF_EXPORT void ZEF_STDCALL Print(int32_t displayHandle, const uint8_t* data, int32_t count);
ZEF_EXPORT uint8_t ZEF_STDCALL GetZReportData(int32_t handle, char** buffer, int32_t* size);
}

// The device-list callback handed to the POS at INITDLL (register convention).
void ZEF_REGCALL GetDevicesInfo(char* buffer, int32_t maxLength);
