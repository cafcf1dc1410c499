// Binding to the POS's parameter, dialog and reference service (PARAMS.DLL):
// loaded by name on first need; without it every request is unanswered.
#pragma once
#include <cstdint>
#include <string>

#include "platform/abi.h"

// GetParamValue(Name, Number, Index, Value, Text, TextSize): Name and Text are
// short strings; Value is the address of a 32-bit cell.
using TGetParamValue = uint8_t(ZEF_STDCALL*)(const uint8_t* name, int32_t number, int32_t index,
                                              uint32_t* value, uint8_t* text, int32_t textSize);

namespace HostParams {

// File name (without directory) of the loaded adapter or converter library:
// the module name of device requests.
std::string AdapterFileName();

// Raw request. `text` is passed in and receives the answer's text.
bool Get(const std::string& name, int32_t number, int32_t index, uint32_t& value, std::string& text);

// Device parameter N of a device: text and 32-bit value; false = default.
bool DeviceParam(int32_t number, int32_t index, uint32_t& value, std::string& text);

// "*Translate": the POS-language form of a message; the text itself when unanswered.
std::string Translate(const std::string& message);

// The POS's main character set (the host value "MainCharset" of the POS
// callback interface given under "*IntCallback"); `unanswered` when the POS
// gives no interface or no value.
int32_t MainCharset(int32_t unanswered);

// Whether the service library could be loaded.
bool Available();

// For tests and tools: replaces the bound function (nullptr = unbound, no
// further loading attempts) or forgets the binding so the next request loads
// the library again.
void OverrideFunction(TGetParamValue function);
void Reset();

}  // namespace HostParams
