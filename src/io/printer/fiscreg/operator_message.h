// Messages and questions shown to the operator through the POS parameter
// service: the 791-byte operator message record and the older requests the
// service falls back to.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#pragma pack(push, 1)
struct tOperatorMessageRecord {
  int32_t Size;            // 0: 791
  uint8_t Kind;            // 4: 0 message, 1 question
  uint8_t Text[256];       // 5: short string
  uint8_t SecondText[256]; // 261: empty
  uint8_t Caption[256];    // 517: caption format "%s#%d:"
  uint8_t One;             // 773: 1
  uint8_t Reserved774;     // 774
  uint16_t ButtonCode;     // 775
  uint8_t Reserved777[2];  // 777
  int32_t MinusOne;        // 779: -1
  int32_t Answer;          // 783: filled by the POS
  int32_t Zero;            // 787: 0
};
#pragma pack(pop)

static_assert(sizeof(tOperatorMessageRecord) == 791, "operator message record size");
static_assert(offsetof(tOperatorMessageRecord, Kind) == 4, "Kind");
static_assert(offsetof(tOperatorMessageRecord, Text) == 5, "Text");
static_assert(offsetof(tOperatorMessageRecord, SecondText) == 261, "SecondText");
static_assert(offsetof(tOperatorMessageRecord, Caption) == 517, "Caption");
static_assert(offsetof(tOperatorMessageRecord, One) == 773, "One");
static_assert(offsetof(tOperatorMessageRecord, ButtonCode) == 775, "ButtonCode");
static_assert(offsetof(tOperatorMessageRecord, MinusOne) == 779, "MinusOne");
static_assert(offsetof(tOperatorMessageRecord, Answer) == 783, "Answer");
static_assert(offsetof(tOperatorMessageRecord, Zero) == 787, "Zero");

namespace OperatorMessage {

enum TKind : uint8_t { kMessage = 0, kQuestion = 1 };

// Button codes of the questions of a fiscal register.
constexpr uint16_t kButtonOk = 4;
constexpr uint16_t kButtonsRetryAbort = 0x20;
constexpr uint16_t kButtonsContinueOffline = 0x21;
constexpr uint16_t kButtonsRetryAbortOnline = 0x30;

// Answers.
constexpr int32_t kAnswerCancel = 2;
constexpr int32_t kAnswerAbort = 3;
constexpr int32_t kAnswerRetry = 4;
constexpr int32_t kNoAnswer = 255;

// The record of a message or question.
tOperatorMessageRecord MakeRecord(TKind kind, const std::string& text, uint16_t buttonCode);

// Shows the text and returns the operator's answer: 2 for a message and 255
// for a question when the POS offers no parameter service.
int32_t Show(uint8_t number, TKind kind, const std::string& text, uint16_t buttonCode);

}  // namespace OperatorMessage
