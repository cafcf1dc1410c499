// The two entry points that the low-level driver calls back into the
// adapter (handed over with ZefInit / ZefInitXML), the records it passes,
// and the table of the devices the callbacks may reach.
//
// Everything the driver passes lives in the driver's memory: a record is
// never read or written beyond the size it announces (the print and XML
// records, whose size drivers may leave 0, beyond their fixed layout), texts
// are read up to 255 characters, and nothing the adapter raises returns into
// the driver.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/abi.h"

class TZefor;

#pragma pack(push, 1)
struct tMessageDlgRecord {
  int32_t Size;                // 0: 528; a shorter record is read as far as it goes
  uint8_t Text[256];           // 4: short string
  uint8_t Reserved260[256];    // 260
  uint8_t DialogType;          // 516
  uint8_t Variant;             // 517: 1 = first variant, else second
  uint8_t Buttons;             // 518
  uint8_t Reserved519;         // 519
  int32_t Result;              // 520: out
  int32_t Wait;                // 524
};
struct tProgressRecord {
  int32_t Size;                // 0: 268
  uint8_t Text[256];           // 4
  int32_t Total;               // 260
  int32_t Position;            // 264
};
struct tInputBoxRecord {
  int32_t Size;                // 0: 1290
  uint8_t Prompt[256];         // 4
  uint8_t Caption[256];        // 260: empty = module name "#" device number + 1
  uint8_t Third[256];          // 516
  uint8_t Fourth[256];         // 772
  uint8_t Text;                // 1028: 0 = numeric input
  uint8_t OK;                  // 1029: out
  uint8_t Result[256];         // 1030: out
  int32_t Limit;               // 1286
};
struct tLogEventRecord {
  int32_t Size;                // 0: 20
  int32_t Kind;                // 4: 1 to 9
  uint32_t Text;               // 8: zero-terminated UTF-8, or nil
  int32_t DataLength;          // 12
  uint32_t Data;               // 16
};
struct tPrintOtherRecord {
  int32_t Size;                // 0: 526, or 0 (not given)
  uint8_t PrinterName[256];    // 4
  uint32_t Markup;             // 260: zero-terminated markup text
  uint8_t Reserved264[257];    // 264
  uint8_t Flag;                // 521
  int32_t Value;               // 522: never negative
};
struct tSignalRecord {
  int32_t Size;                // 0: at least 268
  int32_t Kind;                // 4
  int32_t Parameter;           // 8
  uint8_t Text[256];           // 12
};
struct tMessageRecord {
  int32_t Size;                // 0: at least 20
  int32_t Values[3];           // 4, 8, 12
  int32_t Reserved16;          // 16
};
struct tExecXmlRecord {
  int32_t Size;                // 0: 16, or 0 (not given)
  uint32_t Request;            // 4: zero-terminated XML
  uint32_t Answer;             // 8: buffer
  int32_t AnswerSize;          // 12
};
#pragma pack(pop)

static_assert(sizeof(tMessageDlgRecord) == 528, "message dialog record");
static_assert(offsetof(tMessageDlgRecord, DialogType) == 516, "DialogType");
static_assert(offsetof(tMessageDlgRecord, Result) == 520, "Result");
static_assert(sizeof(tProgressRecord) == 268, "progress record");
static_assert(sizeof(tInputBoxRecord) == 1290, "input box record");
static_assert(offsetof(tInputBoxRecord, Result) == 1030, "Result");
static_assert(sizeof(tLogEventRecord) == 20, "log event record");
static_assert(offsetof(tPrintOtherRecord, Flag) == 521, "Flag");
static_assert(sizeof(tPrintOtherRecord) == 526, "print other record");
static_assert(sizeof(tSignalRecord) == 268, "signal record");
static_assert(sizeof(tExecXmlRecord) == 16, "exec XML record");

namespace ZefCallbacks {

enum TKind : int32_t {
  kMessageDlg = 1,
  kProgress = 2,
  kInputBox = 3,
  kRegisterMenu = 4,
  kLogEvent = 5,
  kPrintOther = 7,
  kDeviceSignal = 8,
  kPerformMessage = 9,
  kExecXml = 10,
};

// The ring of signal texts the POS reads after the signal was sent.
constexpr int32_t kSignalSlots = 10;

// The device of a number while it can take callbacks (from its creation to
// the end of its destruction); one device per number.
void Attach(uint8_t number, TZefor* device);
void Detach(uint8_t number, TZefor* device);

// The POS task that receives the devices' signals (set by the library's
// start-up to the device table's value).
void SetSignalTaskSource(int32_t (*source)());

// How a message dialog is shown: the values of the driver's record.
struct tDialogForm {
  uint8_t DialogType;
  uint8_t Variant;  // 1: first variant, else second
  uint8_t Buttons;
  int32_t Wait;
};
// A message dialog of the device `number` as callback kind 1 shows it, in the
// calling thread; the host's answer (2 or 255 when the host has none).
int32_t ShowMessageDialog(int32_t number, const std::string& text, const tDialogForm& form);

}  // namespace ZefCallbacks

extern "C" {
// context: not used; device number; kind; parameter; record address.
void ZEF_STDCALL InterfaceCallback(int32_t context, int32_t number, int32_t kind, int32_t parameter, void* record);
// Object name, property name, object identifier, answer buffer and its size.
void ZEF_STDCALL PropCallback(const char* objectName, const char* propertyName, int32_t id, char* answer,
                              int32_t size);
}
