// The proportional shares, line amounts and quantity texts of the discount
// distribution: every split of an amount goes through these, in the exact
// decimal arithmetic of TNumeric (money in hundredths, quantities in
// thousandths), never in floating point.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// amount × weight / total with amount and weight in hundredths: the product
// is exact at scale 4, the quotient is taken at scale 4 and rounded to
// hundredths, both half away from zero. 0 when amount or weight is 0; the
// whole amount when weight equals total. Raises "MulNum: Int64 overflow" for
// a product beyond 64 bits and "Division by zero" for a zero total.
int64_t Share(int64_t total, int64_t weight, int64_t amount);
// The same with total and weight in thousandths (a quantity) and the amount
// in hundredths: ShareByQuantity(quantity, 1000, sum) is the unit price.
int64_t ShareByQuantity(int64_t total, int64_t weight, int64_t amount);
// The same with the amount in thousandths (a quantity split by sums).
int64_t QuantityShare(int64_t total, int64_t weight, int64_t amount);

// Share with any scales (2 money, 3 quantity), computed the quick way and
// step by step with TNumeric; the two always agree (the tests check it).
int64_t ShareFast(int64_t total, int64_t weight, int64_t amount, int weightScale, int amountScale);
int64_t ShareByNumerics(int64_t total, int64_t weight, int64_t amount, int weightScale, int amountScale);

// quantity (thousandths) × price (hundredths) rounded half away from zero to
// hundredths; a price of the largest 64-bit value (no price) gives 0.
int64_t LineAmount(int64_t quantity, int64_t price);

// Splits amount over the weights in order: each part is the share of what
// is left by the weight within the weights left, so the last non-zero
// weight takes the remainder and the parts add up to the amount.
enum class tShareKind { Money, ByQuantity, OfQuantity };
std::vector<int64_t> SplitSequential(int64_t amount, const std::vector<int64_t>& weights,
                                     tShareKind kind = tShareKind::Money);

// A quantity (thousandths, not negative) with as few decimals as show it
// exactly, the part after the whole units padded with blanks to four
// characters: 2.500 gives "2.5  ", 3.000 "3    ", 1.234 "1.234".
std::string QuantityText(int64_t quantity);

// A quantity in units with three decimals, right-aligned in `width`
// characters ("%5.3f" of the quantity): 500 gives "0.500".
std::string QuantityUnitsText(int64_t quantity, int width);
