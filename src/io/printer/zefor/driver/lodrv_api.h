// The low-level driver library: the functions the universal register looks
// up by name, with their arguments. Standard call, 32-bit arguments, texts
// zero-terminated, documents XML; an int32 result 0 means success, any other
// value is an error code.
#pragma once
#include <cstdint>

#include "platform/abi.h"

namespace LoDrv {

constexpr int32_t kInitReplySize = 512000;      // output buffer of ZefInitXML
constexpr int32_t kZReportBufferSize = 524288;  // buffer of ZefGetZReportData
constexpr int32_t kStatusRecordSize = 116;      // driver status record
constexpr int32_t kLogicErrorRecordSize = 520;  // record of ZefGetLastLogicError
constexpr int32_t kOptionTextSize = 255;        // driver name, version and state buffers

// Callbacks handed to the driver at initialisation (the register's side).
// InterfaceCallback(context, number, kind, parameter, record address);
// PropCallback(object name, property name, identifier, answer buffer, size).
using TInterfaceCallback = void(ZEF_STDCALL*)(int32_t context, int32_t number, int32_t kind, int32_t parameter,
                                              void* record);
using TPropCallback = void(ZEF_STDCALL*)(const char* objectName, const char* propertyName, int32_t id,
                                         char* answer, int32_t size);

using TMaxProtocolSupported = int32_t(ZEF_STDCALL*)();
using TInit = int32_t(ZEF_STDCALL*)(int32_t number, const char* paramsXml, TInterfaceCallback interfaceCallback,
                                    TPropCallback propCallback);
using TInitXML = int32_t(ZEF_STDCALL*)(int32_t number, const char* paramsXml, TInterfaceCallback interfaceCallback,
                                       TPropCallback propCallback, char* reply);
// Option set (64 bits), then length-prefixed driver name, version text and state.
using TGetOptions = int32_t(ZEF_STDCALL*)(int32_t number, uint64_t* options, uint8_t* driverName,
                                          uint8_t* versionText, uint8_t* driverState);
using TDone = void(ZEF_STDCALL*)(int32_t number);
using TGetStatus = int32_t(ZEF_STDCALL*)(int32_t number, void* statusRecord, int32_t fieldMask);
using TUnfiscalPrint = int32_t(ZEF_STDCALL*)(int32_t number, const char* xml, int32_t flags);
// Status record with its return buffer set; address of the mask of filled fields (0 before the call).
using TFiscalDocument = int32_t(ZEF_STDCALL*)(int32_t number, const char* xml, void* statusRecord,
                                              int32_t* filledMask);
using TGetZReportData = int32_t(ZEF_STDCALL*)(int32_t number, char* buffer, int32_t* size);
using TCustomerDisplay = int32_t(ZEF_STDCALL*)(int32_t number, const char* xml, int32_t flags);
using TProgram = int32_t(ZEF_STDCALL*)(int32_t number, const char* xml);
using TOpenDrawer = int32_t(ZEF_STDCALL*)(int32_t number, int32_t drawer);
using TGetLastLogicError = void(ZEF_STDCALL*)(int32_t number, void* record);
using TStarted = void(ZEF_STDCALL*)(int32_t number);
// Request XML, then the address of a text pointer that receives the reply.
using TMenuOperation = int32_t(ZEF_STDCALL*)(int32_t number, const char* requestXml, char** reply);

// Names looked up in the library.
constexpr const char* kMaxProtocolSupported = "ZefMaxProtocolSupported";
constexpr const char* kInit = "ZefInit";
constexpr const char* kInitXML = "ZefInitXML";
constexpr const char* kGetOptions = "ZefGetOptions";
constexpr const char* kDone = "ZefDone";
constexpr const char* kGetStatus = "ZefGetStatus";
constexpr const char* kUnfiscalPrint = "ZefUnfiscalPrint";
constexpr const char* kFiscalDocument = "ZefFiscalDocument";
constexpr const char* kGetZReportData = "ZefGetZReportData";
constexpr const char* kCustomerDisplay = "ZefCustomerDisplay";
constexpr const char* kProgram = "ZefProgram";
constexpr const char* kOpenDrawer = "ZefOpenDrawer";
constexpr const char* kGetLastLogicError = "ZefGetLastLogicError";
constexpr const char* kStarted = "ZefStarted";
constexpr const char* kMenuOperation = "ZefMenuOperation";

// Result codes after which ZefGetLastLogicError is asked for the details.
inline bool AsksLogicError(int32_t code) {
  return code == 8 || code == 9 || (code >= 200 && code <= 203) || code == 302 || code == 303;
}

}  // namespace LoDrv
