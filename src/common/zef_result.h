// The result object of a driver's internal error numbers: a warning group
// and an error group (connection, logic or XML error, each 0 or negative),
// mapped to the driver result codes of zef_codes.h.
#pragma once
#include <cstdint>
#include <string>

#include "standart/format.h"

class TZef_Generic_Result {
 public:
  enum TErrorKind : int32_t { ekNone = 0, ekConnection = 1, ekLogic = 2, ekXml = 3 };

  TZef_Generic_Result() { Clear(); }
  virtual ~TZef_Generic_Result() = default;

  // ---- virtual operations, in slot order ----
  virtual std::string WarningText(int32_t warningCode);
  virtual std::string ConnectionErrorText();
  virtual std::string LogicErrorText();
  virtual std::string XmlErrorText();
  // The result code of the error held; `decided` tells whether the error
  // was one this object knows.
  virtual int32_t GetResultCode(bool ignore, int32_t& code, bool& decided);
  virtual bool Negate(bool value) { return !value; }
  virtual bool CheckCode(int32_t value, int32_t& out) {
    out = value;
    return value == 0;
  }
  virtual bool IsZero(int32_t value) { return value == 0; }
  virtual void Assign(const TZef_Generic_Result* other);

  void ClearWarning();
  void ClearError();
  void Clear() {
    ClearWarning();
    ClearError();
  }
  int32_t ErrorKind() const;
  // Stores an error of `kind` with its context and the text of its code
  // formatted with `args`; `result` gets the result code even when the
  // formatting fails.
  void SetErrorV(int32_t kind, int32_t code, const std::string& context, int32_t& result, const FmtArgs& args);
  template <class... A>
  void SetError(int32_t kind, int32_t code, const std::string& context, int32_t& result, A&&... args) {
    SetErrorV(kind, code, context, result, FmtArgs{FmtArg(std::forward<A>(args))...});
  }

  // ---- fields ----
  std::string WarningMessage;
  int32_t WarningCode = 0;
  std::string WarningDetail;
  std::string Context;
  int32_t ConnectionError = 0;
  int32_t LogicError = 0;
  int32_t XmlError = 0;
  std::string ErrorMessage;
};
