// The last error of a failed document, kept across the status reads after
// it, so that the POS hears why the document failed, not how the status
// read went.
#pragma once
#include <string>

#include "io/printer/zefor/zefor.h"

struct tSavedError {
  int32_t LastRes = 0, LastExecErrorCode = 0;
  std::string LastExecErrorText, LastError0Text;
  explicit tSavedError(const TZefor& reg)
      : LastRes(reg.LastRes), LastExecErrorCode(reg.LastExecErrorCode), LastExecErrorText(reg.LastExecErrorText),
        LastError0Text(reg.LastError0Text) {}
  void Restore(TZefor& reg) const {
    reg.LastRes = LastRes;
    reg.LastExecErrorCode = LastExecErrorCode;
    reg.LastExecErrorText = LastExecErrorText;
    reg.LastError0Text = LastError0Text;
  }
};
