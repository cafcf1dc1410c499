// The last step of the distribution: the kopecks by which quantity × price
// misses a line's sum are booked as correction entries, or the line is
// printed as one piece when no register could take them.
#include <algorithm>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_share.h"

namespace {

// A safety bound of the price raise; the raise needs far fewer steps for any
// line whose price was worked out from its sum.
constexpr int kMaxPriceRaises = 100000;

void RaisePrice(tFRDiscsDishInfo& line, bool payPrices) {
  ++line.Price;
  if (payPrices) ++line.PayPrice;
}

void RaisePrice(tModifierRec& modifier, bool) { ++modifier.Price; }

void BookCorrection(tFRDiscsDishInfo& line, int64_t d, bool payPrices) {
  line.Sum -= d;
  if (payPrices) line.PaySum -= d;
}

void BookCorrection(tModifierRec& modifier, int64_t d, bool) { modifier.Sum -= d; }

}  // namespace

// A positive rest becomes a small discount by raising the price kopeck by
// kopeck, where markups cannot be printed (or pay prices are corrected).
template <class Item>
int64_t tDiscountInfos::RaisedDiscrepancy(Item& item, int64_t c, bool discountsAllowed, bool markupsAllowed) {
  int64_t d = Discrepancy(item);
  if (!discountsAllowed || (markupsAllowed && !UsePayPrices)) return d;
  // Without a quantity the price does not change the amount.
  if (item.Quantity <= 0) return d;
  for (int raises = 0; c + d > 0 && raises < kMaxPriceRaises; ++raises) {
    RaisePrice(item, UsePayPrices);
    d = Discrepancy(item);
  }
  return d;
}

template <class Item>
void tDiscountInfos::CorrectItem(Item& item, int64_t& c, bool discountsAllowed, bool markupsAllowed,
                                 const std::string& name) {
  int64_t d = RaisedDiscrepancy(item, c, discountsAllowed, markupsAllowed);
  if (IsBadCorrection(discountsAllowed, markupsAllowed, d) ||
      IsBadCorrection(discountsAllowed, markupsAllowed, c + d)) {
    QuantityOne(item);
    d = 0;
  }
  if (d != 0) {
    BookCorrection(item, d, UsePayPrices);
    item.Discounts->Add(0, 0, name, d, 1, 1);
  }
  c += d;
}

void tDiscountInfos::FinalCorrection(bool discountsAllowed, bool markupsAllowed, const std::string& name) {
  int64_t c = 0;
  for (tFRDiscsDishInfo& line : Lines) {
    if (line.Skip) continue;  // not printed: takes no correction
    CorrectItem(line, c, discountsAllowed, markupsAllowed, name);
    for (tModifierRec& modifier : line.Modifiers) CorrectItem(modifier, c, discountsAllowed, markupsAllowed, name);
  }
}

bool tDiscountInfos::NeedsQuantityOne(bool discountsAllowed, bool markupsAllowed) {
  int64_t c = 0;
  for (tFRDiscsDishInfo& line : Lines) {
    if (line.Skip) continue;
    const int64_t price = line.Price, payPrice = line.PayPrice;
    const int64_t d = RaisedDiscrepancy(line, c, discountsAllowed, markupsAllowed);
    line.Price = price;
    line.PayPrice = payPrice;
    if (IsBadCorrection(discountsAllowed, markupsAllowed, d) ||
        IsBadCorrection(discountsAllowed, markupsAllowed, c + d))
      return true;
    c += d;
  }
  return false;
}

bool tDiscountInfos::AnyItemBelowZero() const {
  for (const tFRDiscsDishInfo& line : Lines) {
    if (line.Skip) continue;
    if (line.Sum < 0 || line.Sum + line.Discounts->Total() < 0 || (UsePayPrices && line.PaySum < 0)) return true;
    for (const tModifierRec& modifier : line.Modifiers)
      if (modifier.Sum < 0 || modifier.Sum + modifier.Discounts->Total() < 0) return true;
  }
  return false;
}

void tDiscountInfos::QuantityOne(tFRDiscsDishInfo& line) const {
  // With separate discounts the order preparation asks NeedsQuantityOne
  // first and prepares again without them; a line only gets here with them
  // on when the modifiers before it moved the running rest, and one piece at
  // the line's sum is as valid a receipt line then.
  if (line.Quantity > 1000 && line.Quantity % 1000 == 0)
    line.Name += "*" + std::to_string(line.Quantity / 1000);
  else if (line.IsCombo)
    line.Name += "*" + QuantityUnitsText(line.Quantity, 5);
  line.Quantity = 1000;
  line.Price = line.Sum;
  line.PayPrice = line.PaySum;
}

void tDiscountInfos::QuantityOne(tModifierRec& modifier) const {
  modifier.Quantity = 1000;
  modifier.Price = modifier.Sum;
}

int64_t tDiscountInfos::ExtractAllCorrections() {
  int64_t total = 0;
  for (tFRDiscsDishInfo& line : Lines) {
    total += line.Discounts->ExtractCorrections();
    for (tModifierRec& modifier : line.Modifiers) total += modifier.Discounts->ExtractCorrections();
  }
  return total;
}

void tDiscountInfos::FitTaxesToAmounts() {
  for (tFRDiscsDishInfo& line : Lines) {
    if (line.Skip) continue;
    int64_t basis = line.PaySum, carried = line.Sum + line.Discounts->Total();
    for (const tModifierRec& modifier : line.Modifiers) {
      basis += modifier.Sum;
      carried += modifier.Sum + modifier.Discounts->Total();
    }
    if (basis <= 0 || carried >= basis) continue;
    for (tDishTaxInfo& slot : line.Taxes) slot.Amount = Share(basis, std::max<int64_t>(carried, 0), slot.Amount);
  }
}
