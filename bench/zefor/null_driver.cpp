// A low-level driver that answers at once: the benchmark of the receipt
// measures the adapter's own work, not a register's. Every document is
// accepted and counted.
#include <cstdint>
#include <cstring>

#include "io/printer/zefor/driver/lodrv_api.h"
#include "io/printer/zefor/driver/zef_options.h"
#include "io/printer/zefor/status/zef_status_record.h"

namespace {

int32_t g_documents = 0;

void ShortString(uint8_t* target, const char* text) {
  target[0] = uint8_t(std::strlen(text));
  std::memcpy(target + 1, text, target[0]);
}

}  // namespace

ZEF_EXPORT int32_t ZEF_STDCALL ZefMaxProtocolSupported() { return 40; }

ZEF_EXPORT int32_t ZEF_STDCALL ZefInit(int32_t, const char*, LoDrv::TInterfaceCallback, LoDrv::TPropCallback) {
  return 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefGetOptions(int32_t, uint64_t* options, uint8_t* driverName, uint8_t* versionText,
                                            uint8_t* driverState) {
  using namespace ZefOptions;
  *options = foText | foTextInReceipt | foAbsItemDiscount | foAbsDiscountSum | foCalcChange | foDeleteReceipt;
  ShortString(driverName, "Null driver");
  ShortString(versionText, "1.0");
  ShortString(driverState, "Ready");
  return 0;
}

ZEF_EXPORT void ZEF_STDCALL ZefDone(int32_t) {}

ZEF_EXPORT int32_t ZEF_STDCALL ZefGetStatus(int32_t, void* record, int32_t) {
  TZefStatus& status = *static_cast<TZefStatus*>(record);
  ShortString(status.SerialNum, "NULL0000001");
  status.ShiftState = 1;
  status.LastDocNum = g_documents;
  status.LastReceiptNum = g_documents;
  return 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefFiscalDocument(int32_t, const char*, void*, int32_t*) {
  ++g_documents;
  return 0;
}

ZEF_EXPORT int32_t ZEF_STDCALL ZefUnfiscalPrint(int32_t, const char*, int32_t) { return 0; }

ZEF_EXPORT void ZEF_STDCALL ZefGetLastLogicError(int32_t, void*) {}
