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
};

constexpr int kOrdersPerRegister = 500;

int32_t FlagsOf(const tDocSettings& s) {
  return (s.SummaryOnly ? fdfSummaryOnly : 0) | (s.SeparateDiscounts ? fdfSeparateDiscount : 0) |
         (s.UseTaxDishType ? fdfUseTaxDishType : 0) | (s.PrintChange ? fdfPrintChange : 0) |
         (s.PrintDish0Price ? fdfPrintDish0Price : 0) | (s.UseAltNames ? fdfUseAltNames : 0);
}

class GeneratedReceipts : public ReceiptTest {
 protected:
  int64_t Sales() const {
    std::istringstream in(Read("emu1.state"));
    for (std::string line; std::getline(in, line);)
      if (line.rfind("sales = ", 0) == 0) return std::stoll(line.substr(8));
    return 0;
  }
};

// Every generated order that is sent is accepted, and the register books
// exactly the order's fiscal total; nothing is booked for an order that is
// not printed. A refused order is listed with ZEF_GENERATED_SHOW=1, with
// the document the register refused.
TEST_F(GeneratedReceipts, AcceptedDocumentsBookTheOrderTotal) {
  // ZEF_GENERATED_SEED=N prints other orders, for a search by hand; the
  // count of printed orders below holds for the suite's seed only.
  const char* seedText = getenv("ZEF_GENERATED_SEED");
  const uint32_t seed = seedText ? uint32_t(std::strtoul(seedText, nullptr, 10)) : 20250314u;
  std::mt19937 random(seed);
  int ran = 0, printed = 0, wrong = 0, refused = 0;
  for (const tRegisterKind& kind : kRegisters) {
    Restart();
    // Index 0 is the zero rate while the register's tax-rate list is not
    // read (the zero-rate entry's index is 0 then).
    Start(std::string("protocol = 40\ntaxes = 0:0 1:2000 2:1000 3:0\noptions = ") + kind.Options + "\n",
          "5 = 0\n26 = " + std::to_string(kind.ComboMode) + "\n27 = " + std::to_string(kind.ModifierMode) +
              "\n28 = " + std::to_string(kind.DiscountMode) + "\n",
          kPosObjects);
    for (int n = 0; n < kOrdersPerRegister; ++n) {
      ++ran;
      const tRecipe recipe = RandomRecipe(random, 8);
      tExpected expected;
      const std::string description = Describe(recipe, &expected) +
                                      "\ndataset PrintChecks\ncolumn CheckNum integer\ncolumn Author integer\nrow " +
                                      std::to_string(n + 1) +
                                      " 5\n\ndataset Orders\ncolumn TableName string\ncolumn GuestCount integer\n"
                                      "row 7 2\n";
      const bool deletion = recipe.Settings.IsDeletion;
      const int64_t before = Sales();
      const tAnswer a = PrintDescription(description, deletion ? fdDeleteCheck : fdFiscCheck,
                                         FlagsOf(recipe.Settings.Document));
      const int64_t booked = (Sales() - before) * (deletion ? -1 : 1);
      const bool sent = expected.TotalSum != 0 || recipe.NonFiscal == 0;
      if (!sent) {
        if (booked != 0) ++wrong;
        continue;
      }
      ++printed;
      if (!a.Result && a.Doc.ErrorCode == 0 && (a.Doc.LogicError == 200 || a.Doc.LogicError == 303)) {
        ++refused;
        if (getenv("ZEF_GENERATED_SHOW")) {
          fprintf(stderr, "REFUSED %s modes %d%d%d: %s\n%s\n", kind.Options, kind.ComboMode, kind.ModifierMode,
                  kind.DiscountMode, a.ErrorText.c_str(), description.c_str());
          const std::string docs = Read("emu1.docs");
          const size_t at = docs.rfind("<!-- refused");
          if (at != std::string::npos) fprintf(stderr, "DOCUMENT\n%s\nEND\n", docs.substr(at).c_str());
        }
        continue;
      }
      if (a.Result && booked == expected.TotalSum) continue;
      // A register without receipt discounts cannot print what was paid
      // with a discount currency: the POS is told so and nothing is booked.
      const bool noDiscountSum = std::string(kind.Options).find("foAbsDiscountSum") == std::string::npos;
      if (!a.Result && booked == 0 && noDiscountSum && recipe.NoPay > 0 &&
          a.ErrorText == "Fiscal type 'Add a discount to the amount' for this printer is not supported")
        continue;
      if (++wrong <= 3)
        ADD_FAILURE() << kind.Options << " modes " << kind.ComboMode << kind.ModifierMode << kind.DiscountMode
                      << ": result " << a.Result << " " << a.ErrorText << ", booked " << booked << ", expected "
                      << expected.TotalSum << "\n"
                      << description;
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(refused, 0) << refused << " of " << printed << " refused";
  EXPECT_EQ(ran, int(std::size(kRegisters)) * kOrdersPerRegister);
  // The seed fixes the orders: all but those paid wholly in a non-fiscal
  // currency are sent.
  if (!seedText) EXPECT_EQ(printed, 2986);
}

}  // namespace
