#include "io/printer/fiscreg/operator_message.h"

#include <cstring>

#include "standart/errors.h"
#include "standart/host_params.h"

namespace OperatorMessage {

namespace {

constexpr int32_t kRecordIndex = -12;
constexpr int32_t kMessageIndex = -2;
constexpr int32_t kQuestionIndex = -3;
const char kCaptionFormat[] = "%s#%d:";

// The older request: the value cell goes in with the button code and comes
// back with the answer; an unchanged cell is no answer.
int32_t AskOlderForm(uint8_t number, TKind kind, std::string text, uint16_t buttonCode) {
  const uint32_t sent = (1u << 11) + (buttonCode & 0x7FFu);
  uint32_t cell = sent;
  int32_t index = kind == kMessage ? kMessageIndex : kQuestionIndex;
  HostParams::Get(HostParams::AdapterFileName(), number, index, cell, text);
  return cell != sent ? int32_t(cell) : kNoAnswer;
}

}  // namespace

tOperatorMessageRecord MakeRecord(TKind kind, const std::string& text, uint16_t buttonCode) {
  tOperatorMessageRecord record;
  std::memset(&record, 0, sizeof record);
  record.Size = int32_t(sizeof record);
  record.Kind = kind;
  StoreShortString(record.Text, text);
  StoreShortString(record.Caption, kCaptionFormat);
  record.One = 1;
  record.ButtonCode = buttonCode;
  record.MinusOne = -1;
  return record;
}

int32_t Show(uint8_t number, TKind kind, const std::string& text, uint16_t buttonCode) {
  if (!HostParams::Available()) return kind == kMessage ? kAnswerCancel : kNoAnswer;
  tOperatorMessageRecord record = MakeRecord(kind, text, buttonCode);
  uint32_t cell = uint32_t(uintptr_t(&record));
  std::string textCopy = text;
  if (HostParams::Get(HostParams::AdapterFileName(), number, kRecordIndex, cell, textCopy)) return record.Answer;
  return AskOlderForm(number, kind, text, buttonCode);
}

}  // namespace OperatorMessage
