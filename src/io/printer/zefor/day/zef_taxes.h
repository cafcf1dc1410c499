// The tax rates of the POS's management configuration as the universal
// register reads them: the device's tax-rate list with its zero-rate entry,
// and the reading of tax objects and their rates from the POS object model.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "standart/pos_callback.h"

struct TKvt_Tax {
  uint16_t RateValue = 0;     // hundredths of a percent
  int32_t TaxRateIndex = 0;   // fiscal index
  bool Defined = false;
};

class TKvt_ManagerTaxesOptionsList {
 public:
  std::vector<TKvt_Tax> Entries;
  TKvt_Tax ZeroRateEntry;

  void Clear() {
    Entries.clear();
    ZeroRateEntry = TKvt_Tax();
  }
};

namespace ZefTaxes {

constexpr int32_t kTaxClass = 33;
constexpr int32_t kTaxRateClass = 36;
constexpr int32_t kGroupClass = 8;
constexpr int32_t kActive = 3;
constexpr int32_t kTaxNameSize = 41;
constexpr int32_t kRateNameSize = 11;
constexpr int32_t kGroupNameSize = 41;

// The rate as a percentage of the net amount for a tax computed from the
// gross amount, rounded half up; the rate itself otherwise. False for a
// gross rate of 100 % or more, which has no net form.
bool EffectiveRate(int64_t rate, bool percentFromTotal, int64_t& value);

// One rate of an active tax object, as the POS defines it.
struct tRate {
  int32_t Index = 0;
  int64_t Value = 0;          // effective, hundredths of a percent
  bool StatusKnown = false;
  int32_t Status = 0;
  std::string TaxName, RateName;
};

// Every rate of class 36 under the active tax objects (class 33) whose index
// and rate can be read and whose index lies in [minIndex, maxIndex], in the
// host's order. `indexProperty` names the property with the fiscal index.
void ForEachRate(const PosHost::tHost& host, const std::string& indexProperty, int32_t minIndex,
                 int32_t maxIndex, const std::function<void(const tRate&)>& visit);

}  // namespace ZefTaxes
