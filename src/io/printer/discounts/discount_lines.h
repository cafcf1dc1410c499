// The receipt-line model of the discount distribution: a line per dish
// record, its tax class and tax slots, and the modifiers printed under it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "io/printer/discounts/discount_set.h"

// A line's tax class: the grouping key of discounts split by tax.
struct tTaxString {
  std::string Text;
  int32_t PaymentMethod = 0;
  int32_t ItemSubject = 0;
  bool operator==(const tTaxString& o) const {
    return Text == o.Text && PaymentMethod == o.PaymentMethod && ItemSubject == o.ItemSubject;
  }
  bool operator!=(const tTaxString& o) const { return !(*this == o); }
};

// Lines taxed alike share this key.
inline std::string TaxKey(const tTaxString& tax) {
  return tax.Text + '\x01' + std::to_string(tax.PaymentMethod) + '\x01' + std::to_string(tax.ItemSubject);
}

// One tax slot of a line.
struct tDishTaxInfo {
  int32_t FiscalTaxCode = -1;
  int32_t Rate = 0;
  int64_t Amount = 0;  // hundredths
  uint8_t Present = 0;
  int32_t TaxId = 0;  // the POS tax the slot stands for; matches "Taxes" records
};
using tDishTaxInfoArray = std::vector<tDishTaxInfo>;

struct tModifierRec {
  int32_t Id = 0;
  std::string Name;
  int32_t Code = 0;
  int64_t Quantity = 0;  // thousandths
  int32_t ModiCnt = 0;   // per piece of the dish
  int64_t Price = 0;     // hundredths
  int64_t Sum = 0;       // hundredths
  tDiscountSetRef Discounts;
};

constexpr int32_t kItemKindDish = 10;
constexpr int32_t kItemKindCharge = 65;

struct tFRDiscsDishInfo {
  int32_t DishUNI = 0;
  int64_t Sum = 0;            // printed amount: before discounts when they are separate
  int64_t DiscountedSum = 0;  // Sum plus the line's own discounts
  int64_t PaySum = 0;         // after discounts
  int64_t PayPrice = 0;
  tTaxString Tax;
  int32_t FirstSameUni = -1;
  uint8_t Skip = 0;
  uint8_t Merged = 0;
  uint8_t IsCombo = 0;
  uint8_t IsComboPart = 0;
  int32_t Department = 0;
  std::string DepartName;
  int64_t Quantity = 0;  // thousandths
  int32_t ItemId = 0;
  int32_t ItemKind = kItemKindDish;
  int32_t DishCode = 0;
  int64_t Price = 0;
  std::string Name;
  std::string PortionName;
  int32_t GroupIdent = 0;
  int32_t ComboUNI = 0;
  tDishTaxInfoArray Taxes;
  std::string NamePrefix;
  std::string BarCodes;
  std::vector<tModifierRec> Modifiers;
  uint8_t IsAdvance = 0;
  tDiscountSetRef Discounts;
};
