// Generated orders for the property tests: a compact recipe (lines,
// discounts, modifiers, payments, settings) that a seeded generator draws
// and a shrinker simplifies, and the order description the POS would send
// for it, with the amounts worked out as the POS works them out.
#pragma once
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "discount_testing.h"

namespace discount_testing {

struct tRecipeModifier {
  int64_t Pieces = 10;  // tenths of a piece, as the POS counts them
  int64_t Price = 0;
  int64_t PriceSum = 0;
};

struct tRecipeLine {
  int64_t Quantity = 1000;
  int64_t Price = 10000;
  int32_t TaxRate = 1;
  int32_t Department = 1;
  bool SameUniAsPrevious = false;
  bool Charge = false;
  bool ComboHead = false;
  bool ComboPart = false;
  std::vector<int64_t> OwnDiscounts;  // negative discounts, positive markups
  std::vector<tRecipeModifier> Modifiers;
};

struct tRecipe {
  tCaseSettings Settings;
  std::vector<tRecipeLine> Lines;
  std::vector<int64_t> OrderDiscounts;
  int Noise = 0;  // kopecks by which the POS's own split moves between lines
  uint32_t NoiseSeed = 0;
  int64_t NoPay = 0;  // paid with a currency that is a discount
  int64_t Card = 0;
  int64_t Change = 0;
  int64_t NonFiscal = 0;
};

// What the payments must come to.
struct tExpected {
  int64_t TotalSum = 0;
  int64_t NoPay = 0;
};

tRecipe RandomRecipe(std::mt19937& random, int maxLines);
// The description text (settings line included) and the expected totals.
std::string Describe(const tRecipe& recipe, tExpected* expected = nullptr);
// Simpler recipes, most drastic first, for shrinking a failing one.
std::vector<tRecipe> Simplifications(const tRecipe& recipe);

}  // namespace discount_testing
