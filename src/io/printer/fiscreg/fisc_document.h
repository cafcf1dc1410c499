// The fiscal document call: one POS document on one fiscal register, from
// the record the POS passed to the counters written back into it.
#pragma once
#include <cstdint>
#include <string>

#include "io/printer/fiscreg/fisc_doc_info.h"

class tCommonFiscReg;

// The process-wide mode word passed to the POS's reference-name lookup; a
// document sets its two low bits (3: alternative names, 2: the usual ones)
// for the length of the call.
uint32_t NameLookupMode();
void SetNameLookupMode(uint32_t mode);

class tFiscDocumentCall {
 public:
  static constexpr const char* kErrorInputFile = "FRErrorInputData.log";
  static constexpr const char* kExceptInputFile = "FRExceptInputData.log";

  // Kinds whose datasets are loaded, whose input is saved after a failure,
  // that are fiscal receipts, and that carry a text to print.
  static constexpr TFiscDocKinds kLoadKinds =
      KindBit(fdFiscCheck) | KindBit(fdDeleteCheck) | KindBit(fdCashInOut) | KindBit(fdCollectCash) |
      KindBit(fdCheckCopy) | KindBit(fdFiscReturn) | KindBit(fdDeleteReturn) | KindBit(fdBill) |
      KindBit(fdFillOrder) | KindBit(fdVoids) | KindBit(fdCloseOrder) | KindBit(fdUndoBill) |
      KindBit(fdCreateOrder) | KindBit(fdCancelOrder);
  static constexpr TFiscDocKinds kSavedKinds = KindBit(fdFiscCheck) | KindBit(fdDeleteCheck) |
                                               KindBit(fdCashInOut) | KindBit(fdCollectCash) |
                                               KindBit(fdCheckCopy) | KindBit(fdFiscReturn) |
                                               KindBit(fdDeleteReturn);
  static constexpr TFiscDocKinds kReceiptKinds = KindBit(fdFiscCheck) | KindBit(fdDeleteCheck) |
                                                 KindBit(fdCheckCopy) | KindBit(fdFiscReturn) |
                                                 KindBit(fdDeleteReturn);
  static constexpr TFiscDocKinds kToPrintKinds =
      KindBit(fdFiscCheck) | KindBit(fdDeleteCheck) | KindBit(fdCheckCopy) | KindBit(fdFiscReturn) |
      KindBit(fdDeleteReturn) | KindBit(fdBill) | KindBit(fdCloseOrder) | KindBit(fdUndoBill) |
      KindBit(fdCancelOrder);

  // Special report sub-kinds that are X and full last-shift reports.
  static constexpr int32_t kSubTypeXReport = 21;
  static constexpr int32_t kSubTypeFullLastShift = 26;

  tFiscDocumentCall(tCommonFiscReg& reg, int32_t handle, TFiscDocInfo& doc);

  // Runs the call under the device lock; the input data of a failed
  // document are saved afterwards. An exception is reported, answered in
  // the record and raised again once the lock is left.
  bool Run();

 private:
  bool RunLocked();
  void WriteDebugLines();
  void StartCall();
  bool DoDocument();
  void TakeSettings();
  void ReadCopyNumber();
  bool Route();
  bool SpecialReport();
  bool CloseShift();
  bool RefreshCounters();
  void AfterDocument(bool result);
  bool ShouldRefresh(bool receipt);
  void Refresh(bool receipt);
  bool CheckDeviceID();
  void FinishCall(bool result, bool prepared);
  void AnswerException(const std::string& message);
  void SaveInputData(const char* fileName);

  tCommonFiscReg& reg_;
  int32_t handle_;
  TFiscDocInfo& doc_;
  uint8_t kind_;
  uint32_t savedMode_ = 0;
  bool modeSaved_ = false;
  bool idChanged_ = false;
  std::string toPrint_;
};
