// Generated orders (the discount tests' generator) printed through
// FiscDocument on the strict emulator, on registers of several kinds and
// with every combo, modifier and discount mode: every document the adapter
// sends is accepted, and the amount the register books is the order's
// fiscal total to the kopeck.
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <sstream>

#include "order_generator.h"
#include "receipt_fixture.h"

namespace {

using namespace discount_testing;

// The POS objects of the generated orders: taxes 1 to 3 (20%, 10%, 0%),
// cash, card and credit, and the register type's ranges.
const char kPosObjects[] =
    "[system]\nThisServerIdent = 1\nThisStationIdent = 3\nUserRegistered = 5\n"
    "[ref 94]\n1.MainParentIdent = 10\n[ref 137]\n10 = Cafe\n10.Code = 15\n[ref 71]\n3 = Bar\n3.Code = 3\n"
    "[ref 63]\n5 = Anna\n5.Code = 105\n"
    "[ref 3]\n1.FiscRegTaxType1 = 1\n1.Tax = 1\n1.TaxRate = 2000\n2.FiscRegTaxType1 = 2\n2.Tax = 2\n"
    "2.TaxRate = 1000\n3.FiscRegTaxType1 = 3\n3.Tax = 3\n3.TaxRate = 0\n"
    "[ref 52]\n1 = Cash\n1.Name = Cash\n1.FiscRegPayType1 = 1\n2 = Card\n2.Name = Card\n2.FiscRegPayType1 = 2\n"
    "3 = Credit\n3.Name = Credit\n3.FiscRegPayType1 = 3\n5 = Bonus\n5.Name = Bonus\n6 = Voucher\n6.Name = Voucher\n"
    "[ref 142]\n57.PayMinType = 1\n57.PayMaxType = 4\n57.PayDefault = 1\n57.TaxMinType = 1\n57.TaxMaxType = 3\n"
    "[service]\nknown = 52 3 4 63\n";

struct tRegisterKind {
  const char* Options;
  int32_t ComboMode, ModifierMode, DiscountMode;
};

// Registers that print every kind of discount, and registers that print
// none (discounts folded into prices), across the modes.
const tRegisterKind kRegisters[] = {
    {"foAbsItemDiscount foAbsItemMarkup foAbsDiscountSum foAbsMarkupSum foCalcChange foDeleteReceipt", 1, 0, 0},
    {"foCalcChange foDeleteReceipt", 2, 1, 1},
    {"foAbsItemDiscount foAbsDiscountSum foCalcChange foDeleteReceipt foDiscWithTaxes", 3, 2, 2},
    {"foAbsItemDiscount foCalcChange foDeleteReceipt", 1, 3, 3},
    {"foAbsDiscountSum foAbsMarkupSum foCalcChange foDeleteReceipt foCorrectPriceToPay", 2, 4, 4},
    {"foAbsItemDiscount foAbsItemMarkup foAbsDiscountSum foCalcChange foDeleteReceipt foTextInLine", 3, 5, 1},
    {"foAbsItemDiscount foAbsItemMarkup foAbsDiscountSum foAbsMarkupSum foCalcChange foDeleteReceipt foCorrectPriceToPay", 1, 0, 3},
    {"foAbsItemDiscount foAbsDiscountSum foCalcChange foDeleteReceipt foCorrectPriceToPay", 3, 2, 4},
};

constexpr int kOrdersPerRegister = 500;

int32_t FlagsOf(const tDocSettings& s) {
  return (s.SummaryOnly ? fdfSummaryOnly : 0) | (s.SeparateDiscounts ? fdfSeparateDiscount : 0) |
         (s.UseTaxDishType ? fdfUseTaxDishType : 0) | (s.PrintChange ? fdfPrintChange : 0) |
         (s.PrintDish0Price ? fdfPrintDish0Price : 0) | (s.UseAltNames ? fdfUseAltNames : 0);
}

struct tTally {
  int Ran = 0, Printed = 0, Wrong = 0, Refused = 0;
};

// Prints kOrdersPerRegister orders of the seed on each register kind (only
// the kind `onlyKind` when it is not negative; the orders of the other kinds
// are still drawn, so the orders are the same as in the full run). Every
// order that is sent is accepted, and the register books exactly the
// order's fiscal total; nothing is booked for an order that is not
// printed. A refused order is listed with ZEF_GENERATED_SHOW=1, with the
// document the register refused.
class GeneratedReceipts : public ReceiptTest {
 protected:
  int64_t Sales() const {
    std::istringstream in(Read("emu1.state"));
    for (std::string line; std::getline(in, line);)
      if (line.rfind("sales = ", 0) == 0) return std::stoll(line.substr(8));
    return 0;
  }

  tTally PrintOrders(uint32_t seed, int onlyKind) {
    std::mt19937 random(seed);
    tTally t;
    for (int k = 0; k < int(std::size(kRegisters)); ++k) {
      const tRegisterKind& kind = kRegisters[k];
      const bool printing = onlyKind < 0 || onlyKind == k;
      if (printing) {
        Restart();
        // Index 0 is the zero rate while the register's tax-rate list is
        // not read (the zero-rate entry's index is 0 then).
        Start(std::string("protocol = 40\ntaxes = 0:0 1:2000 2:1000 3:0\noptions = ") + kind.Options + "\n",
              "5 = 0\n26 = " + std::to_string(kind.ComboMode) + "\n27 = " + std::to_string(kind.ModifierMode) +
                  "\n28 = " + std::to_string(kind.DiscountMode) + "\n",
              kPosObjects);
      }
      for (int n = 0; n < kOrdersPerRegister; ++n) {
        const tRecipe recipe = RandomRecipe(random, 8);
        if (printing) PrintOrder(kind, recipe, n, t);
      }
    }
    return t;
  }

 private:
  void PrintOrder(const tRegisterKind& kind, const tRecipe& recipe, int n, tTally& t) {
    ++t.Ran;
    tExpected expected;
    const std::string description = Describe(recipe, &expected) +
                                    "\ndataset PrintChecks\ncolumn CheckNum integer\ncolumn Author integer\nrow " +
                                    std::to_string(n + 1) +
                                    " 5\n\ndataset Orders\ncolumn TableName string\ncolumn GuestCount integer\n"
                                    "row 7 2\n";
    const bool deletion = recipe.Settings.IsDeletion;
    const int64_t before = Sales();
    const tAnswer a =
        PrintDescription(description, deletion ? fdDeleteCheck : fdFiscCheck, FlagsOf(recipe.Settings.Document));
    const int64_t booked = (Sales() - before) * (deletion ? -1 : 1);
    const bool sent = expected.TotalSum != 0 || recipe.NonFiscal == 0;
    if (!sent) {
      if (booked != 0) ++t.Wrong;
      return;
    }
    ++t.Printed;
    if (!a.Result && a.Doc.ErrorCode == 0 && (a.Doc.LogicError == 200 || a.Doc.LogicError == 303)) {
      ++t.Refused;
      if (getenv("ZEF_GENERATED_SHOW")) {
        fprintf(stderr, "REFUSED %s modes %d%d%d: %s\n%s\n", kind.Options, kind.ComboMode, kind.ModifierMode,
                kind.DiscountMode, a.ErrorText.c_str(), description.c_str());
        const std::string docs = Read("emu1.docs");
        const size_t at = docs.rfind("<!-- refused");
        if (at != std::string::npos) fprintf(stderr, "DOCUMENT\n%s\nEND\n", docs.substr(at).c_str());
      }
      return;
    }
    if (a.Result && booked == expected.TotalSum) return;
    // A register without receipt discounts cannot print what was paid
    // with a discount currency: the POS is told so and nothing is booked.
    const bool noDiscountSum = std::string(kind.Options).find("foAbsDiscountSum") == std::string::npos;
    if (!a.Result && booked == 0 && noDiscountSum && recipe.NoPay > 0 &&
        a.ErrorText == "Fiscal type 'Add a discount to the amount' for this printer is not supported")
      return;
    if (++t.Wrong <= 3)
      ADD_FAILURE() << kind.Options << " modes " << kind.ComboMode << kind.ModifierMode << kind.DiscountMode
                    << ": result " << a.Result << " " << a.ErrorText << ", booked " << booked << ", expected "
                    << expected.TotalSum << "\n"
                    << description;
  }
};

TEST_F(GeneratedReceipts, AcceptedDocumentsBookTheOrderTotal) {
  // ZEF_GENERATED_SEED=N prints other orders, for a search by hand; the
  // count of printed orders below holds for the suite's seed only.
  const char* seedText = getenv("ZEF_GENERATED_SEED");
  const uint32_t seed = seedText ? uint32_t(std::strtoul(seedText, nullptr, 10)) : 20250314u;
  const tTally t = PrintOrders(seed, -1);
  EXPECT_EQ(t.Wrong, 0);
  EXPECT_EQ(t.Refused, 0) << t.Refused << " of " << t.Printed << " refused";
  EXPECT_EQ(t.Ran, int(std::size(kRegisters)) * kOrdersPerRegister);
  // The seed fixes the orders: all but those paid wholly in a non-fiscal
  // currency are sent.
  if (!seedText) {
    EXPECT_EQ(t.Printed, 3983);
  }
}

// Seed 6 holds an order with only markups whose dish markup, split over the
// two lines of one order line other than the POS split it, left a small
// discount on one line: the register that corrects prices to pay (discount
// mode 4, no item discounts) could print it neither on the item nor at
// receipt level, and refused the receipt. It now goes with the discounts in
// the prices.
TEST_F(GeneratedReceipts, PricesToPayRegisterTakesMarkupOnlyOrders) {
  const tTally t = PrintOrders(6, 4);
  EXPECT_EQ(t.Wrong, 0);
  EXPECT_EQ(t.Refused, 0) << t.Refused << " of " << t.Printed << " refused";
  EXPECT_EQ(t.Ran, kOrdersPerRegister);
}

}  // namespace
