// The requests the POS's parameter service answers, by name, number and
// index form; the stand-in answers nothing else, and the tests' fakes of the
// service hold to the same list (tests/support/params_guard.h).
//
//   name                   number          index     what it is for
//   the adapter's file name device 0..255  N >= 0    device parameter N
//                                          -1        port host of the device
//                                          -12 -2 -3 operator message or question
//                                          -4        progress indicator
//                                          -8        menu registration
//                                          -13 -11 -10 input box
//   "*Translate"           0               0         translation of a text
//   "*IntCallback"         0               0         the host callback interface
//   "*Text2BaseLangAddr"   0               0         single-byte to Unicode procedure
//   "*_RefProp#"           0               kind      whether the kind is known
//   "*_RefProp#"           1               kind      property of a reference object
//   "*_RefName#"           0               kind      display name of a reference object
//
// System values ("#SYS#ThisStationIdent", "BillAlways") are no requests of
// this service: the host callback interface answers them.
#pragma once
#include <cstdint>
#include <string>

namespace ParamsListing {

constexpr int32_t kHighestDeviceNumber = 255;

inline bool DeviceIndexListed(int32_t index) {
  switch (index) {
    case -1: case -2: case -3: case -4: case -8: case -10: case -11: case -12: case -13: return true;
    default: return index >= 0;
  }
}

// Whether the service answers a request of this form. Device requests carry
// the file name (without folder) of the library that asks: `isModule(name)`
// tells whether a module of that file name is loaded in the process.
template <class IsModule>
bool Listed(const std::string& name, int32_t number, int32_t index, IsModule isModule) {
  if (name == "*Translate" || name == "*IntCallback" || name == "*Text2BaseLangAddr")
    return number == 0 && index == 0;
  if (name == "*_RefProp#") return number == 0 || number == 1;
  if (name == "*_RefName#") return number == 0;
  if (name.empty() || name[0] == '*' || name[0] == '#') return false;
  return number >= 0 && number <= kHighestDeviceNumber && DeviceIndexListed(index) && isModule(name);
}

// The request as the failure of a test names it.
inline std::string RequestText(const std::string& name, int32_t number, int32_t index) {
  return "GetParamValue(\"" + name + "\", " + std::to_string(number) + ", " + std::to_string(index) + ")";
}

}  // namespace ParamsListing
