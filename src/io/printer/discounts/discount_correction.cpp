// The last step of the distribution: the kopecks by which quantity × price
// misses a line's sum are booked as correction entries, or the line is
// printed as one piece when no register could take them.
#include <algorithm>
#include <cstdlib>

#include "io/printer/discounts/discount_infos.h"
#include "io/printer/discounts/discount_share.h"

namespace {

// A safety bound of the price raise; the raise needs far fewer steps for any
// line whose price was worked out from its sum.
constexpr int kMaxPriceRaises = 100000;

// With pay prices the register checks quantity × price against the item's
// sum, and quantity × price to pay against what the item pays after the
// discounts printed on it. A line with such discounts keeps its list amount;
// its rest is taken on the pay side, from its discounts.
// The line's own discounts with pay prices, 0 without them.
int64_t OwnDiscounts(const tFRDiscsDishInfo& line, bool payPrices) {
  return payPrices && line.Discounts ? TotalWithoutCorrections(*line.Discounts) : 0;
}

bool PaysAfterItsDiscounts(const tFRDiscsDishInfo& line, bool payPrices) { return OwnDiscounts(line, payPrices) != 0; }

void RaisePrice(tFRDiscsDishInfo& line, bool payPrices) {
  if (!PaysAfterItsDiscounts(line, payPrices)) ++line.Price;
  if (payPrices) ++line.PayPrice;
}

void RaisePrice(tModifierRec& modifier, bool) { ++modifier.Price; }

// The entry of a line that can take the kopecks -d without turning from a
// discount into a markup or back: the largest one; -1 when there is none.
int EntryTakingKopecks(const iDishDiscountInfo& set, int64_t d) {
  int best = -1;
  for (int e = 0; e < set.Count(); ++e) {
    const tDishDiscInfo& entry = set.Entry(e);
    if (entry.IsCorrection || entry.Amount == 0) continue;
    if (best < 0 || std::llabs(entry.Amount) > std::llabs(set.GetAmount(best))) best = e;
  }
  if (best < 0) return -1;
  const int64_t amount = set.GetAmount(best), moved = amount - d;
  return moved == 0 || (moved < 0) == (amount < 0) ? best : -1;
}

bool MoveIntoEntries(tFRDiscsDishInfo& line, int64_t d) {
  const int e = EntryTakingKopecks(*line.Discounts, d);
  if (e < 0) return false;
  const tDishDiscInfo entry = line.Discounts->Entry(e);
  // An entry taken down to nothing is not printed as a zero discount.
  if (entry.Amount == d)
    line.Discounts->Delete(e);
  else
    line.Discounts->Add(entry.DiscountId, entry.Code, entry.Name, -d, entry.IsOwn, 0);
  return true;
}

void BookCorrection(tFRDiscsDishInfo& line, int64_t d, bool payPrices) {
  if (PaysAfterItsDiscounts(line, payPrices) && MoveIntoEntries(line, d)) {
    line.PaySum -= d;
    return;
  }
  line.Sum -= d;
  if (payPrices) line.PaySum -= d;
}

void BookCorrection(tModifierRec& modifier, int64_t d, bool) { modifier.Sum -= d; }

// Before the rest of a line paid after its discounts is taken: a list
// amount that quantity × price misses (a sum the POS did not work out from
// the price) is brought to it, the discounts taking the kopecks; and where
// part of the line's discounts is printed for the receipt, the price to pay
// is that of what the item itself pays.
void PreparePayPrice(tFRDiscsDishInfo& line, bool payPrices) {
  if (!PaysAfterItsDiscounts(line, payPrices) || line.Quantity <= 0) return;
  const int64_t d = line.Sum - LineAmount(line.Quantity, line.Price);
  if (d != 0 && MoveIntoEntries(line, -d)) line.Sum -= d;
  const int64_t pay = line.Sum + OwnDiscounts(line, payPrices);
  if (pay != line.PaySum) line.PayPrice = ShareByQuantity(line.Quantity, 1000, pay);
}

}  // namespace

int64_t tDiscountInfos::Discrepancy(const tFRDiscsDishInfo& line) const {
  const int64_t own = OwnDiscounts(line, UsePayPrices);
  if (own != 0) return line.Sum + own - LineAmount(line.Quantity, line.PayPrice);
  return line.Sum - LineAmount(line.Quantity, line.Price);
}

int64_t tDiscountInfos::Discrepancy(const tModifierRec& modifier) const {
  return modifier.Sum - LineAmount(modifier.Quantity, modifier.Price);
}

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
    PreparePayPrice(line, UsePayPrices);
    CorrectItem(line, c, discountsAllowed, markupsAllowed, name);
    for (tModifierRec& modifier : line.Modifiers) CorrectItem(modifier, c, discountsAllowed, markupsAllowed, name);
  }
}

bool tDiscountInfos::NeedsQuantityOne(bool discountsAllowed, bool markupsAllowed) {
  int64_t c = 0;
  for (tFRDiscsDishInfo& line : Lines) {
    if (line.Skip) continue;
    PreparePayPrice(line, UsePayPrices);
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
