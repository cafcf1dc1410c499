// What a fiscal register keeps for the preparation of a receipt's order
// data: the preparation settings read at creation, the name properties, the
// payment table and totals of the current receipt and the discount
// distribution object. One record per register (tCommonFiscReg::OrderState).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class tDiscountInfos;

// One entry of the payment table, indexed by fiscal payment type.
struct tPayTableEntry {
  int64_t Amount = 0;       // hundredths
  int64_t OriginalSum = 0;  // hundredths, in the payment's currency
  uint8_t IsChange = 0;
  std::string CurrencyName;
  int32_t CurrencyId = 0;
};

struct tOrderPreparationState {
  tOrderPreparationState();
  ~tOrderPreparationState();
  tOrderPreparationState(const tOrderPreparationState&) = delete;
  tOrderPreparationState& operator=(const tOrderPreparationState&) = delete;

  // The device's modes, read here from its parameters and read from here by
  // the preparation and the receipt. A receipt may settle on another
  // discount mode for itself; it restores the device's when it ends.
  int32_t ComboMode = 0;     // device parameter 26
  int32_t ModifierMode = 0;  // device parameter 27
  int32_t DiscountMode = 0;  // device parameter 28
  std::string PayTypeProperty;
  std::string TaxTypeProperty;
  std::string NameSuffix;    // device parameter 33
  std::vector<tPayTableEntry> PayTable;  // MaxPayType + 1 entries
  int64_t TotalSum = 0;
  int64_t NoPayDiscount = 0;
  std::string NoPayDiscountName;
  bool AllNonFiscal = false;
  bool TabooPayment = false;  // a payment forbids the fiscal receipt
  bool OpenBox = false;
  std::unique_ptr<tDiscountInfos> DiscountInfos;
};
