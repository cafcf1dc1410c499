#include "order_checker.h"

#include "io/printer/discounts/discount_record.h"
#include "io/printer/discounts/discount_share.h"
#include "posdata/numeric.h"
#include "standart/errors.h"

namespace discount_testing {

tRunResult RunCase(tTestRegister& reg, const std::string& description) {
  tRunResult run;
  run.Settings = ParseSettings(description);
  const tCaseSettings& s = run.Settings;
  try {
    ApplySettings(reg, s);
    LoadOrderInto(reg.PosData(), description);
    reg.preparation.PreparePayments(s.IsDeletion);
    run.NoPayBefore = reg.OrderState.NoPayDiscount;
    reg.preparation.PrepareOrder(s.Args);
  } catch (const std::exception& e) {
    run.Error = e.what();
  }
  return run;
}

namespace {

// What the POS says the customer pays for the dishes.
int64_t PosPaid(TPDDataSet& dishes, bool orderDocument) {
  tRecordReader record(dishes);
  int64_t paid = 0;
  ForEachRecord(dishes, [&] { paid += record.Hundredths(orderDocument ? "FiscRegPaySum" : "NationalPaySum"); });
  return paid;
}

// The amounts of the order-level records of one discount.
int64_t OrderLevelAmount(TPDDataSet& discounts, int32_t id, bool orderLevelOnly) {
  tRecordReader record(discounts);
  const std::string field = record.Has("FiscRegAmount") ? "FiscRegAmount" : "NationalAmount";
  int64_t amount = 0;
  ForEachRecord(discounts, [&] {
    if (record.Raw("IsCharge").AsBoolean()) return;
    if (record.Identifier("Discount") != id) return;
    if (record.Identifier("DishUNI") == 0 || orderLevelOnly) amount += record.Hundredths(field);
  });
  return amount;
}

int64_t Rounded(int64_t amount, int64_t step) {
  return step >= 2 ? TNumeric::RoundDiv(nrHalfAwayFromZero, step, amount) * step : amount;
}

// The register's amount of a quantity in thousandths at a price in kopecks:
// the product rounded half away from zero, worked out here on its own.
int64_t RegisterAmount(int64_t quantity, int64_t price) {
  const int64_t product = quantity * price;
  const int64_t whole = product / 1000, rest = product % 1000;
  if (2 * (rest < 0 ? -rest : rest) >= 1000) return whole + (product < 0 ? -1 : 1);
  return whole;
}

// Whether some price to pay in kopecks makes the register's amount at the
// line's quantity what the line pays, whatever price the receipt chose. The
// amount moves by at most one kopeck per kopeck of price below one unit and
// by a unit or more above it, so the prices next to the quotient are enough.
bool SomePriceToPayGives(int64_t quantity, int64_t pay) {
  if (quantity == 0) return pay == 0;
  const int64_t near = pay * 1000 / quantity;
  for (int64_t price = near - 2; price <= near + 2; ++price)
    if (RegisterAmount(quantity, price) == pay) return true;
  return false;
}

}  // namespace

std::vector<std::string> CheckPrepared(tTestRegister& reg, const tRunResult& run) {
  std::vector<std::string> bad;
  auto fail = [&](const std::string& what) { bad.push_back(what); };
  if (!run.Error.empty()) {
    fail("preparation failed: " + run.Error);
    return bad;
  }
  const tCaseSettings& s = run.Settings;
  tDiscountInfos& di = reg.Distribution();
  const tDocSettings& doc = reg.EffectiveSettings;
  const bool itemised = !doc.SummaryOnly && !reg.OrderState.AllNonFiscal && s.Args.GroupClassification == 0;
  int64_t printed = 0;
  for (size_t i = 0; i < di.Lines.size(); ++i) {
    const tFRDiscsDishInfo& l = di.Lines[i];
    if (l.Skip) continue;
    const std::string at = "line " + std::to_string(i) + " (uni " + std::to_string(l.DishUNI) + "): ";
    printed += l.Sum + l.Discounts->Total();
    if (itemised) {
      // The register checks quantity x price against the sum, and with pay
      // prices quantity x price to pay against the sum after the item's
      // own discounts (the corrections go to the receipt).
      if (RegisterAmount(l.Quantity, l.Price) != l.Sum)
        fail(at + "quantity x price " + std::to_string(RegisterAmount(l.Quantity, l.Price)) + " != sum " +
             std::to_string(l.Sum));
      const int64_t pay = l.Sum + TotalWithoutCorrections(*l.Discounts);
      if (di.UsePayPrices && !SomePriceToPayGives(l.Quantity, pay))
        fail(at + "no price to pay gives quantity " + std::to_string(l.Quantity) + " x price = pay " +
             std::to_string(pay));
    } else if (RegisterAmount(l.Quantity, l.Price) != l.Sum &&
               Rounded(RegisterAmount(l.Quantity, l.Price), di.PriceStep()) != l.Sum) {
      fail(at + "summary line quantity x price != sum");
    }
    // What the receipt prints: the sum and the sum after the line's
    // discounts, and the pay amount where the register prints pay prices.
    if (l.Sum < 0 || l.Price < 0 || l.Sum + l.Discounts->Total() < 0 || (di.UsePayPrices && l.PaySum < 0))
      fail(at + "below zero: sum " + std::to_string(l.Sum) + " pay " + std::to_string(l.PaySum) + " with discounts " +
           std::to_string(l.Sum + l.Discounts->Total()));
    // The line's tax is the POS's for what the line and its modifiers are
    // paid with: never negative, never above what they print.
    int64_t carried = l.Sum + l.Discounts->Total(), tax = 0;
    for (const tModifierRec& m : l.Modifiers) carried += m.Sum + m.Discounts->Total();
    for (const tDishTaxInfo& slot : l.Taxes) {
      if (!slot.Present) continue;
      if (slot.Amount < 0) fail(at + "negative tax " + std::to_string(slot.Amount));
      tax += slot.Amount;
    }
    if (tax > carried) fail(at + "tax " + std::to_string(tax) + " above the amount " + std::to_string(carried));
    for (size_t k = 0; k < l.Modifiers.size(); ++k) {
      const tModifierRec& m = l.Modifiers[k];
      printed += m.Sum + m.Discounts->Total();
      if (itemised && RegisterAmount(m.Quantity, m.Price) != m.Sum)
        fail(at + "modifier " + std::to_string(k) + " quantity x price != sum");
      if (m.Sum < 0 || m.Sum + m.Discounts->Total() < 0) fail(at + "modifier below zero");
    }
  }
  // Discounts kept for the receipt level are what their records say, less
  // what is still printed on the lines.
  int64_t receiptLevel = 0;
  TPDDataSet& discounts = *reg.PosData().GetDataSet("Discounts");
  if (doc.SeparateDiscounts)
    for (int32_t id : di.ProportionalDiscs) {
      int64_t onLines = 0;
      for (const tFRDiscsDishInfo& l : di.Lines)
        if (!l.Skip) onLines += l.Discounts->SumOf(id, 0);
      receiptLevel += OrderLevelAmount(discounts, id, di.OrderLevelOnly) - onLines;
    }
  const int64_t paid = PosPaid(*reg.PosData().GetDataSet("Dishes"), doc.OrderDocument);
  const int64_t receipt = printed + receiptLevel - reg.OrderState.NoPayDiscount;
  if (receipt != paid - run.NoPayBefore)
    fail("receipt " + std::to_string(receipt) + " (items " + std::to_string(printed) + ", receipt discounts " +
         std::to_string(receiptLevel) + ", no-pay left " + std::to_string(reg.OrderState.NoPayDiscount) +
         ") != paid " + std::to_string(paid) + " less no-pay " + std::to_string(run.NoPayBefore));
  return bad;
}

}  // namespace discount_testing
