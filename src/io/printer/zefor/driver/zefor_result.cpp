// Call results of the universal register: the last-result fields, the error
// text of a failed call and the initialisation-error check.
#include "common/zef_codes.h"
#include "io/printer/fiscreg/operator_message.h"
#include "io/printer/zefor/zefor.h"
#include "standart/errors.h"
#include "standart/host_params.h"
#include "xml/textconv.h"

namespace {

std::string ShortText(const uint8_t* text) { return std::string(reinterpret_cast<const char*>(text + 1), text[0]); }

const char* const kContextNames[] = {
    "cx__uf_BarcodeToXml", "cx__PrintFiscCheck",  "cx__MoneyInOut",      "cx__CloseDay",
    "cx__PrintFullLastShift", "cx__PrintAnyReport", "cx__OpenDrawer",   "cx__IsReadyFR",
    "cx__ConvertZReportDataForVessa", "cx__ZefProgram", "cx__ZefUnfiscalPrint", "cx__ZefFiscalDocument",
    "cx__ZefOpenDrawer",
};

}  // namespace

const char* TZefor::ContextName(uint8_t context) {
  return context < sizeof kContextNames / sizeof kContextNames[0] ? kContextNames[context] : "cx__Unknown";
}

bool TZefor::CreateResult(int32_t code, const std::string& callName) {
  LastError0Text.clear();
  LastExecErrorText.clear();
  LastExecErrorCode = 0;
  LastRes = 0;
  if (code == 0) return true;
  std::string text = ZefCodes::ErrorText(code);
  if (LoDrv::AsksLogicError(code)) {
    tZefLogicError record;
    Driver.GetLastLogicError(record);
    std::string utf8 = ShortText(record.Utf8), ansi = ShortText(record.Ansi);
    if (!utf8.empty())
      text = Fmt("%s (0x%2.2X): %s", text, record.Code, Utf8ToCodePage(utf8, 0));
    else if (!ansi.empty() || record.Code != 0)
      text = Fmt("%s (0x%2.2X): %s", text, record.Code, ansi);
  }
  text = Fmt("%s (%d). %s", HostParams::Translate("Error"), code, text);
  LastExecErrorText = text;
  if (code >= 1 && code <= 199) {
    LastRes = code;
  } else {
    if (code >= 300 && code <= 399) LastError0Text = text;
    LastExecErrorCode = code;
  }
  if (!LastError0Text.empty())
    Journal.Write(0,
                  Fmt("{%s}[%s] (%s = %s, %s = %s, %s = %s, %s = %s) = %s", "CreateResult", callName, "LastRes",
                      std::to_string(LastRes), "LastExecErrorCode", std::to_string(LastExecErrorCode),
                      "LastExecErrorText", LastExecErrorText, "LastError0Text", LastError0Text, "FALSE"),
                  true);
  else
    Journal.Write(0,
                  Fmt("{%s}[%s] (%s = %s, %s = %s, %s = %s) = %s", "CreateResult", callName, "LastRes",
                      std::to_string(LastRes), "LastExecErrorCode", std::to_string(LastExecErrorCode),
                      "LastExecErrorText", LastExecErrorText, "FALSE"),
                  true);
  return false;
}

void TZefor::SetLastError0Text(uint8_t context, const std::string& text, bool translated) {
  LastError0Text = translated ? text : HostParams::Translate(text);
  Journal.Write(0,
                Fmt("{%s}/%s/ %s = %s", "SetLastError0Text", ContextName(context), "LastError0Text", LastError0Text),
                true);
}

void TZefor::CheckInitError() {
  if (!IsInitError()) return;
  std::string message = Fmt("%s: %s", Params.LowDriverModule, LastExecErrorText);
  std::string text = Fmt(HostParams::Translate("Initialization error: %s"), message);
  Journal.Write(0, tZefJournal::Value("IsInitError", "err3614", text), true);
  OperatorMessage::Show(Number, OperatorMessage::kMessage, text, OperatorMessage::kButtonOk);
  ZefRaise(kErrInitialization, Fmt("Initialization error: %s", message));
}
