#include "order_generator.h"

#include <algorithm>
#include <sstream>
#include <utility>

#include "io/printer/discounts/discount_share.h"

namespace discount_testing {
namespace {

std::string Money(int64_t hundredths) { return DecimalText(hundredths, 2); }

std::string Quantity(int64_t thousandths) { return DecimalText(thousandths, 3); }

int64_t Pick(std::mt19937& random, int64_t low, int64_t high) {
  return std::uniform_int_distribution<int64_t>(low, high)(random);
}

bool Chance(std::mt19937& random, int percent) { return Pick(random, 1, 100) <= percent; }

bool PaidModifiers(int32_t mode) { return mode == 2 || mode == 4 || mode == 5; }

int64_t ModifierValue(const tRecipeModifier& m) {
  if (m.PriceSum != 0) return m.PriceSum;
  const int64_t pieces = m.Pieces * 100;  // thousandths
  return pieces % 1000 == 0 ? LineAmount(pieces, m.Price) : 0;
}

// One line as the POS sends it.
struct tPosLine {
  int32_t Dish = 0, Charge = 0, Uni = 0, ComboUni = 0, IsCombo = 0;
  int64_t Quantity = 0, Price = 0, Sum = 0, DiscountedSum = 0, PaySum = 0;
  int32_t TaxRate = 1, Department = 1;
  std::vector<std::pair<int32_t, int64_t>> Own;  // discount id, amount
  std::vector<tRecipeModifier> Modifiers;
};

}  // namespace

tRecipe RandomRecipe(std::mt19937& random, int maxLines) {
  tRecipe r;
  tCaseSettings& s = r.Settings;
  s = ParseSettings("");
  s.Document.PrintChange = Chance(random, 50);
  s.Document.UseTaxDishType = Chance(random, 60);
  s.Document.SummaryOnly = Chance(random, 8);
  s.Document.SeparateDiscounts = Chance(random, 60);
  s.Document.PrintDish0Price = Chance(random, 40);
  s.Document.UseAltNames = Chance(random, 20);
  s.Document.OrderDocument = Chance(random, 15);
  s.ComboMode = int32_t(Pick(random, 1, 3));
  s.ModifierMode = int32_t(Pick(random, 0, 5));
  s.DiscountMode = int32_t(Pick(random, 0, 4));
  s.Args.CommonDiscWithTaxes = Chance(random, 20);
  s.Args.ByDepartment = Chance(random, 40);
  s.Args.NoAbsDiscountSum = Chance(random, 50);
  s.Args.MarkupsAllowed = Chance(random, 60);
  s.Args.DiscountsAllowed = Chance(random, 90);
  if (Chance(random, 20)) s.Args.MarkupLineName = "Markup";
  s.UsePayPrices = Chance(random, 20);
  s.PriceStep = Chance(random, 10) ? 10 : 1;
  s.TaxCount = Chance(random, 20) ? 8 : 1;
  s.IsDeletion = Chance(random, 10);
  const int lines = int(Pick(random, 1, maxLines));
  for (int i = 0; i < lines; ++i) {
    tRecipeLine l;
    const int q = int(Pick(random, 1, 100));
    if (q <= 5) l.Quantity = 0;
    else if (q <= 40) l.Quantity = Pick(random, 1, 5000);
    else l.Quantity = 1000 * Pick(random, 1, 5);
    l.Price = Chance(random, 8) ? 0 : Pick(random, 1, Chance(random, 70) ? 50000 : 5000000);
    l.TaxRate = int32_t(Pick(random, 1, 3));
    l.Department = int32_t(Pick(random, 1, 3));
    l.SameUniAsPrevious = i > 0 && Chance(random, 10);
    l.Charge = Chance(random, 4);
    l.ComboHead = Chance(random, 8);
    l.ComboPart = !l.ComboHead && i > 0 && Chance(random, 25);
    if (Chance(random, 30)) {
      const int n = int(Pick(random, 1, 2));
      for (int k = 0; k < n; ++k)
        l.OwnDiscounts.push_back(Chance(random, 20) ? Pick(random, 1, 2000) : -Pick(random, 1, 30000));
    }
    if (Chance(random, 25)) {
      const int n = int(Pick(random, 1, 3));
      for (int k = 0; k < n; ++k) {
        tRecipeModifier m;
        m.Pieces = Chance(random, 20) ? 5 : 10 * Pick(random, 1, 3);
        m.Price = Chance(random, 30) ? 0 : Pick(random, 1, 20000);
        m.PriceSum = Chance(random, 40) ? Pick(random, 1, 30000) : 0;
        l.Modifiers.push_back(m);
      }
    }
    r.Lines.push_back(l);
  }
  const int orderLevel = int(Pick(random, 0, 3));
  for (int k = 0; k < orderLevel; ++k)
    r.OrderDiscounts.push_back(Chance(random, 15) ? Pick(random, 1, 5000) : -Pick(random, 1, 50000));
  r.Noise = Chance(random, 70) ? 0 : int(Pick(random, 1, 2));
  r.NoiseSeed = uint32_t(random());
  if (Chance(random, 25)) r.NoPay = Pick(random, 1, 100000);
  if (Chance(random, 40)) r.Card = Pick(random, 1, 500000);
  if (Chance(random, 30)) r.Change = Pick(random, 1, 50000);
  if (Chance(random, 5)) r.NonFiscal = Pick(random, 1, 10000);
  return r;
}

namespace {

std::vector<tPosLine> PosLines(const tRecipe& r) {
  std::vector<tPosLine> lines;
  int32_t comboUni = 0;
  for (size_t i = 0; i < r.Lines.size(); ++i) {
    const tRecipeLine& rl = r.Lines[i];
    tPosLine p;
    p.Uni = rl.SameUniAsPrevious && !lines.empty() && !lines.back().IsCombo ? lines.back().Uni : int32_t(1000 + i);
    p.Quantity = rl.Quantity;
    p.TaxRate = rl.TaxRate;
    p.Department = rl.Department;
    if (rl.Charge) p.Charge = int32_t(900 + i);
    else p.Dish = int32_t(2000 + i);
    if (rl.ComboHead) {
      p.IsCombo = 1;
      p.Quantity = std::max<int64_t>(rl.Quantity, 1000);
      p.Uni = int32_t(1000 + i);
      comboUni = p.Uni;
      lines.push_back(p);
      continue;
    }
    if (rl.ComboPart && comboUni != 0) p.ComboUni = comboUni;
    else comboUni = 0;
    p.Price = rl.Price;
    const bool paid = PaidModifiers(r.Settings.ModifierMode);
    int64_t modifiers = 0;
    for (tRecipeModifier m : rl.Modifiers) {
      // Modifiers of a line without quantity are free: such a line has no sum.
      if (p.Quantity == 0) m.Price = m.PriceSum = 0;
      if (paid) modifiers += ModifierValue(m);
      p.Modifiers.push_back(m);
    }
    p.Sum = LineAmount(p.Quantity, p.Price) + modifiers;
    // As a POS discounts: no discount takes more than nine tenths of the
    // dish, and markups come to no more than what the discounts leave.
    int64_t discounts = 0, markups = 0;
    for (int64_t a : rl.OwnDiscounts)
      if (a < 0) discounts += std::max(a, -(p.Sum * 9 / 10 + discounts));
    std::vector<int64_t> own;
    int64_t discountsLeft = discounts;
    for (int64_t a : rl.OwnDiscounts) {
      int64_t amount = a;
      if (a < 0) {
        amount = std::max(a, discountsLeft);
        discountsLeft -= amount;
      } else {
        amount = std::min(a, p.Sum + discounts - markups);
        markups += amount;
      }
      own.push_back(amount);
    }
    p.DiscountedSum = p.Sum;
    for (size_t k = 0; k < own.size(); ++k) {
      if (own[k] == 0 || p.Sum == 0) continue;
      p.Own.emplace_back(int32_t(10 + k), own[k]);
      p.DiscountedSum += own[k];
    }
    lines.push_back(p);
  }
  return lines;
}

// The POS's split of the order-level amounts, moved by the noise.
std::vector<std::vector<int64_t>> PosShares(const tRecipe& r, std::vector<tPosLine>& lines,
                                            std::vector<int64_t>& amounts) {
  int64_t base = 0;
  std::vector<int64_t> weights;
  for (const tPosLine& l : lines) {
    weights.push_back(l.IsCombo ? 0 : l.DiscountedSum);
    base += weights.back();
  }
  std::mt19937 noise(r.NoiseSeed);
  std::vector<std::vector<int64_t>> shares;
  // What each line is paid after the shares so far: the POS's kopecks move
  // no line below zero, whatever the number of order-level amounts.
  std::vector<int64_t> paid = weights;
  int64_t used = 0;
  for (int64_t amount : r.OrderDiscounts) {
    // The POS gives no order-level amount to an order with nothing to carry it.
    if (amount < 0) amount = std::max(amount, -std::max<int64_t>(base / 3 - used, 0));
    if (amount > 0) amount = std::min(amount, base / 3);
    if (amount < 0) used += -amount;
    amounts.push_back(amount);
    std::vector<int64_t> parts = SplitSequential(amount, weights);
    for (int step = 0; step < r.Noise * 2 && lines.size() > 1; ++step) {
      const size_t a = noise() % lines.size(), b = noise() % lines.size();
      if (a == b || weights[a] <= 0 || weights[b] <= 0) continue;
      if (paid[a] + parts[a] - 1 < 0) continue;
      parts[a] -= 1;
      parts[b] += 1;
    }
    for (size_t i = 0; i < lines.size(); ++i) paid[i] += parts[i];
    shares.push_back(parts);
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    lines[i].PaySum = lines[i].DiscountedSum;
    for (const auto& parts : shares) lines[i].PaySum += parts[i];
  }
  return shares;
}

}  // namespace

std::string Describe(const tRecipe& r, tExpected* expected) {
  std::vector<tPosLine> lines = PosLines(r);
  std::vector<int64_t> orderAmounts;
  const std::vector<std::vector<int64_t>> shares = PosShares(r, lines, orderAmounts);
  std::ostringstream out;
  out << SettingsLine(r.Settings);
  out << "resource PDDATA\nsource PDS version=1\n\ndataset Dishes\n"
         "column Dish integer ref=1\ncolumn Charge integer\ncolumn DishUNI integer\ncolumn ComboUNI integer\n"
         "column IsCombo integer\ncolumn DishCode integer\ncolumn DishName string\ncolumn AltDishName string\n"
         "column Quantity frac\ncolumn DishPrice frac\ncolumn NationalSum frac\ncolumn NationalPaySum frac\n"
         "column FiscRegSum frac\ncolumn FiscRegPaySum frac\ncolumn Department integer\n"
         "column TaxRate1 integer ref=3\n";
  int64_t paid = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const tPosLine& l = lines[i];
    out << "row " << l.Dish << " " << l.Charge << " " << l.Uni << " " << l.ComboUni << " " << l.IsCombo << " "
        << 100 + i << " \"Dish " << i << "\" \"Alt " << i << "\" " << Quantity(l.Quantity) << " " << Money(l.Price)
        << " " << Money(l.Sum) << " " << Money(l.PaySum) << " " << Money(l.Sum) << " " << Money(l.PaySum) << " "
        << l.Department << " " << l.TaxRate << "\n";
    paid += l.PaySum;
  }
  out << "\ndataset Discounts\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn IsCharge boolean\n"
         "column NationalAmount frac\ncolumn FiscRegAmount frac\n";
  for (const tPosLine& l : lines)
    for (const auto& [id, amount] : l.Own)
      out << "row " << id << " " << l.Uni << " false " << Money(amount) << " " << Money(amount) << "\n";
  for (size_t k = 0; k < orderAmounts.size(); ++k)
    out << "row " << 50 + k << " 0 false " << Money(orderAmounts[k]) << " " << Money(orderAmounts[k]) << "\n";
  for (const tPosLine& l : lines)
    if (l.Charge != 0) out << "row 70 0 true " << Money(l.Sum) << " " << Money(l.Sum) << "\n";

  out << "\ndataset DiscTaxes\ncolumn Discount integer ref=4\ncolumn DishUNI integer\ncolumn NationalAmount frac\n"
         "column FiscRegAmount frac\ncolumn TaxRate1 integer ref=3\n";
  for (const tPosLine& l : lines)
    for (const auto& [id, amount] : l.Own)
      out << "row " << id << " " << l.Uni << " " << Money(amount) << " " << Money(amount) << " " << l.TaxRate << "\n";
  for (size_t k = 0; k < shares.size(); ++k)
    for (int32_t rate = 1; rate <= 3; ++rate) {
      int64_t sum = 0;
      bool any = false;
      for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].TaxRate == rate && !lines[i].IsCombo) {
          sum += shares[k][i];
          any = true;
        }
      if (any) out << "row " << 50 + k << " 0 " << Money(sum) << " " << Money(sum) << " " << rate << "\n";
    }

  out << "\ndataset Taxes\ncolumn DishUNI integer\ncolumn Tax integer ref=3\ncolumn NationalSum frac\n";
  for (const tPosLine& l : lines)
    if (!l.IsCombo) out << "row " << l.Uni << " " << l.TaxRate << " " << Money(l.PaySum / 6) << "\n";

  out << "\ndataset Modifiers\ncolumn Modifier integer ref=5\ncolumn DishUNI integer\ncolumn Pieces frac\n"
         "column ModiName string\ncolumn AltName string\ncolumn Price frac\ncolumn PriceSum frac\n"
         "column ModiCnt integer\n";
  for (const tPosLine& l : lines)
    for (size_t k = 0; k < l.Modifiers.size(); ++k) {
      const tRecipeModifier& m = l.Modifiers[k];
      out << "row " << 500 + k << " " << l.Uni << " " << m.Pieces << " \"Modifier " << k << "\" \"Alt modifier "
          << k << "\" " << Money(m.Price) << " " << Money(m.PriceSum) << " 1\n";
    }

  // Payments: what the customer owes, less what is paid with a discount
  // currency and a non-fiscal currency, by card and in cash with change.
  const int64_t noPay = std::min(r.NoPay, std::max<int64_t>(paid, 0));
  const int64_t money = paid - noPay;
  const int64_t nonFiscal = std::min(r.NonFiscal, std::max<int64_t>(money, 0));
  const int64_t card = std::min(r.Card, money - nonFiscal);
  const int64_t cash = money - nonFiscal - card;
  out << "\ndataset Payments\ncolumn Currency integer ref=52\ncolumn CurrLineCurrency integer ref=52\n"
         "column NationalSum frac\ncolumn OriginalSum frac\ncolumn FiscRegUnfiscType integer\n";
  if (card > 0) out << "row 2 2 " << Money(card) << " " << Money(card) << " 0\n";
  if (cash + r.Change > 0 || card <= 0) out << "row 1 1 " << Money(cash + r.Change) << " " << Money(cash + r.Change) << " 0\n";
  if (r.Change > 0) out << "row 1 1 " << Money(-r.Change) << " " << Money(-r.Change) << " 0\n";
  if (noPay > 0) out << "row 5 5 " << Money(noPay) << " " << Money(noPay) << " 2\n";
  if (nonFiscal > 0) out << "row 6 6 " << Money(nonFiscal) << " " << Money(nonFiscal) << " 3\n";
  if (expected) {
    expected->TotalSum = money - nonFiscal;
    expected->NoPay = noPay;
  }
  return out.str();
}

std::vector<tRecipe> Simplifications(const tRecipe& r) {
  std::vector<tRecipe> out;
  for (size_t i = 0; i < r.Lines.size(); ++i) {
    tRecipe s = r;
    s.Lines.erase(s.Lines.begin() + long(i));
    out.push_back(s);
  }
  for (size_t k = 0; k < r.OrderDiscounts.size(); ++k) {
    tRecipe s = r;
    s.OrderDiscounts.erase(s.OrderDiscounts.begin() + long(k));
    out.push_back(s);
  }
  auto vary = [&](auto change) {
    tRecipe s = r;
    if (change(s)) out.push_back(s);
  };
  vary([](tRecipe& s) { return std::exchange(s.Noise, 0) != 0; });
  vary([](tRecipe& s) { return std::exchange(s.NoPay, 0) != 0; });
  vary([](tRecipe& s) { return std::exchange(s.Card, 0) != 0; });
  vary([](tRecipe& s) { return std::exchange(s.Change, 0) != 0; });
  vary([](tRecipe& s) { return std::exchange(s.NonFiscal, 0) != 0; });
  for (size_t i = 0; i < r.Lines.size(); ++i) {
    vary([i](tRecipe& s) { return !std::exchange(s.Lines[i].OwnDiscounts, {}).empty(); });
    vary([i](tRecipe& s) { return !std::exchange(s.Lines[i].Modifiers, {}).empty(); });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].ComboHead, false); });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].ComboPart, false); });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].SameUniAsPrevious, false); });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].Charge, false); });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].TaxRate, 1) != 1; });
    vary([i](tRecipe& s) { return std::exchange(s.Lines[i].Department, 1) != 1; });
    vary([i](tRecipe& s) { return s.Lines[i].Quantity % 1000 != 0 && (s.Lines[i].Quantity = 1000); });
    vary([i](tRecipe& s) {
      const int64_t rounded = s.Lines[i].Price / 100 * 100;
      return rounded != s.Lines[i].Price && (s.Lines[i].Price = rounded, true);
    });
  }
  tCaseSettings plain = ParseSettings("");
  auto setting = [&](auto field) {
    tRecipe s = r;
    if (field(s.Settings) != field(plain)) {
      field(s.Settings) = field(plain);
      out.push_back(s);
    }
  };
  setting([](tCaseSettings& c) -> int32_t& { return c.ModifierMode; });
  setting([](tCaseSettings& c) -> int32_t& { return c.ComboMode; });
  setting([](tCaseSettings& c) -> int32_t& { return c.DiscountMode; });
  setting([](tCaseSettings& c) -> uint8_t& { return c.Document.SummaryOnly; });
  setting([](tCaseSettings& c) -> uint8_t& { return c.Document.OrderDocument; });
  setting([](tCaseSettings& c) -> uint8_t& { return c.Document.UseAltNames; });
  setting([](tCaseSettings& c) -> uint8_t& { return c.Document.PrintChange; });
  setting([](tCaseSettings& c) -> uint8_t& { return c.Document.PrintDish0Price; });
  setting([](tCaseSettings& c) -> bool& { return c.IsDeletion; });
  setting([](tCaseSettings& c) -> bool& { return c.UsePayPrices; });
  setting([](tCaseSettings& c) -> int64_t& { return c.PriceStep; });
  setting([](tCaseSettings& c) -> int& { return c.TaxCount; });
  setting([](tCaseSettings& c) -> bool& { return c.Args.CommonDiscWithTaxes; });
  setting([](tCaseSettings& c) -> bool& { return c.Args.ByDepartment; });
  setting([](tCaseSettings& c) -> std::string& { return c.Args.MarkupLineName; });
  return out;
}

}  // namespace discount_testing
