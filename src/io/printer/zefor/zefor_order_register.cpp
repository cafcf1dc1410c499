#include "io/printer/zefor/zefor_order_register.h"

#include "io/printer/zefor/pos_objects.h"
#include "io/printer/zefor/zefor.h"

tOrderSettings& tZeforOrderRegister::OrderSettings() { return reg_.EffectiveSettings; }
TPDDataSource& tZeforOrderRegister::OrderData() { return reg_.PosData(); }
void tZeforOrderRegister::OrderLog(const std::string& text) { reg_.AddLogLine(text); }
void tZeforOrderRegister::OrderLogAtLevel(int level, const std::string& text) { reg_.LogAtLevel(level, text); }
int32_t tZeforOrderRegister::DeviceParamIndex() { return reg_.DeviceParamIndex(); }
int32_t tZeforOrderRegister::MinPayType() { return reg_.MinPayType(); }
int32_t tZeforOrderRegister::MaxPayType() { return reg_.MaxPayType(); }
int32_t tZeforOrderRegister::DefaultPayType() { return reg_.DefaultPayType(); }
bool tZeforOrderRegister::IsChangePayType(int32_t type) {
  if (!(reg_.Driver.Options & ZefOptions::foCalcChange) || !reg_.EffectiveSettings.PrintChange) return false;
  if (reg_.HasChangeFromTypes) return reg_.IsChangePayType(type);
  return iOrderRegister::IsChangePayType(type);
}
bool tZeforOrderRegister::FixedNames() { return reg_.FixedNames(); }
bool tZeforOrderRegister::PosTextValue(const std::string& name, std::string& text) {
  return PosObjects::SystemValue(name, text);
}
