#include "common/zef_result.h"

#include <stdexcept>

std::string TZef_Generic_Result::WarningText(int32_t warningCode) {
  switch (warningCode) {
    case 0: return "OK";
    case 1: return "Current change exceeds 24 hours";
    case 2: return "Current change exceeds 23 hours";
    case 4: return "Non fiscal mode";
    default: return "Undocumented warning";
  }
}

std::string TZef_Generic_Result::ConnectionErrorText() {
  static const char* const kTexts[] = {
      "OK",
      "Port is not open",
      "Printer is not ready",
      "Stop transmission by timeout",
      "Timeout waiting the end of the data into the printer is over",
      "Timeout waiting reception of the next byte of data from the printer is over",
      "Mismatching of sent and received by the command code",
      "Accepted invalid number of answer bytes",
      "CRC mismatch",
      "No printer data",
      "Function not supported",
  };
  if (ConnectionError <= 0 && ConnectionError >= -10) return kTexts[-ConnectionError];
  return "Undocumented error";
}

std::string TZef_Generic_Result::LogicErrorText() {
  switch (LogicError) {
    case 0: return "OK";
    case -1: return "Cash sum available is less than the ordered";
    case -2: return "Incorrect index of the tax rate";
    case -3: return "Incorrect code for pay type: %d";
    case -4: return "No free article numbers";
    default: return "Undocumented error";
  }
}

std::string TZef_Generic_Result::XmlErrorText() {
  switch (XmlError) {
    case 0: return "OK";
    case -1: return "XML: Element <%s> not found";
    case -2: return "XML: Undefined value for attribute \"%s\" of the element <%s>";
    case -3: return "XML: Unknown value for attribute \"%s\" of the element <%s>";
    case -4: return "XML: Value (%s) for attribute \"%s\" of the element <%s> not found";
    default: return "Undocumented error";
  }
}

namespace {

bool KnownNegative(int32_t value, int32_t lowest) { return value == -100 || (value >= lowest && value <= -1); }

int32_t ConnectionResult(int32_t error) {
  switch (error) {
    case -100: case -9: case -7: return 102;
    case -10: return 4;
    case -8: case -6: return 105;
    case -5: return 103;
    case -4: case -3: case -2: return 101;
    default: return 6;  // -1
  }
}

}  // namespace

int32_t TZef_Generic_Result::GetResultCode(bool ignore, int32_t& code, bool& decided) {
  code = 0;
  decided = false;
  if (ignore) {
    decided = true;
    return code;
  }
  switch (ErrorKind()) {
    case ekNone:
      decided = true;
      break;
    case ekConnection:
      if (KnownNegative(ConnectionError, -10)) {
        decided = true;
        code = ConnectionResult(ConnectionError);
      }
      break;
    case ekLogic:
      if (KnownNegative(LogicError, -4)) {
        decided = true;
        code = 200;
      }
      break;
    case ekXml:
      if (KnownNegative(XmlError, -4)) {
        decided = true;
        code = 303;
      }
      break;
  }
  return code;
}

void TZef_Generic_Result::Assign(const TZef_Generic_Result* other) {
  if (!other) return;
  WarningMessage = other->WarningMessage;
  WarningCode = other->WarningCode;
  WarningDetail = other->WarningDetail;
  Context = other->Context;
  ConnectionError = other->ConnectionError;
  LogicError = other->LogicError;
  XmlError = other->XmlError;
  ErrorMessage = other->ErrorMessage;
}

void TZef_Generic_Result::ClearWarning() {
  WarningMessage.clear();
  WarningCode = 0;
  WarningDetail.clear();
}

void TZef_Generic_Result::ClearError() {
  Context.clear();
  ConnectionError = 0;
  LogicError = 0;
  XmlError = 0;
  ErrorMessage.clear();
}

int32_t TZef_Generic_Result::ErrorKind() const {
  if (ConnectionError != 0) return ekConnection;
  if (LogicError != 0) return ekLogic;
  if (XmlError != 0) return ekXml;
  return ekNone;
}

void TZef_Generic_Result::SetErrorV(int32_t kind, int32_t code, const std::string& context, int32_t& result,
                                    const FmtArgs& args) {
  ClearError();
  Context = context;
  std::string format;
  switch (kind) {
    case ekConnection: ConnectionError = code; format = ConnectionErrorText(); break;
    case ekLogic: LogicError = code; format = LogicErrorText(); break;
    case ekXml: XmlError = code; format = XmlErrorText(); break;
    default: throw std::logic_error("Assertion failed: bad error kind (ZefResult)");
  }
  bool decided = false;
  try {
    ErrorMessage = FormatText(format, args);
  } catch (...) {
    GetResultCode(false, result, decided);
    throw;
  }
  GetResultCode(false, result, decided);
}
