// The POS objects that the fiscal documents name (the restaurant, the
// station, users, register types, currencies), read through the POS's
// parameter service: properties with "*_RefProp#", display names with
// "*_RefName#". The system values that name them ("#SYS#ThisStationIdent")
// come from the POS callback interface (tCommonFiscReg::PosIntValue).
#pragma once
#include <cstdint>
#include <string>

namespace PosObjects {

constexpr int32_t kCurrencyClass = 52;
constexpr int32_t kUserClass = 63;
constexpr int32_t kStationClass = 71;
constexpr int32_t kServerClass = 94;
constexpr int32_t kRestaurantClass = 137;
constexpr int32_t kFiscRegTypeClass = 142;

// A property (a path such as "Code" or "RateClass.ISOCode") of object `id`
// of class `cls`; false when the POS does not answer.
bool Property(int32_t cls, int32_t id, const std::string& path, std::string& text);
std::string PropertyText(int32_t cls, int32_t id, const std::string& path);
// The display name of an object; empty when the POS does not answer.
std::string Name(int32_t cls, int32_t id);

// Decimal integer text (surrounding blanks allowed); `otherwise` when the
// text is no 32-bit number.
int32_t IntegerOr(const std::string& text, int32_t otherwise);

}  // namespace PosObjects
