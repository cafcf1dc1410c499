// The universal register as the register of the order preparation: its
// settings, payment types, POS data and log, and the preparation state of
// the current receipt.
#pragma once
#include <string>

#include "io/printer/order_preparation.h"

class TZefor;

class tZeforOrderRegister : public iOrderRegister {
 public:
  explicit tZeforOrderRegister(TZefor& reg) : reg_(reg) {}

  tOrderSettings& OrderSettings() override;
  tOrderPreparationState& OrderState() override { return state_; }
  TPDDataSource& OrderData() override;
  void OrderLog(const std::string& text) override;
  void OrderLogAtLevel(int level, const std::string& text) override;
  int32_t DeviceParamIndex() override;
  int32_t MinPayType() override;
  int32_t MaxPayType() override;
  int32_t DefaultPayType() override;
  bool IsChangePayType(int32_t type) override;
  bool FixedNames() override;
  bool PosTextValue(const std::string& name, std::string& text) override;

 private:
  TZefor& reg_;
  tOrderPreparationState state_;
};
