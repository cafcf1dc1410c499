// The order preparation of a fiscal register: payments per fiscal type,
// the name properties and name getters, and the order of the distribution
// steps, each from an order written as a datasets stream.
#include <gtest/gtest.h>

#include "discount_testing.h"
#include "io/printer/fiscreg/name_getters.h"
#include "order_checker.h"
#include "posdata/pderrors.h"

using namespace discount_testing;

namespace {

const std::string kDish = DishRow(101, 1, "Soup", "1", "100.00", "100.00", "100.00");

class Preparation : public ::testing::Test {
 protected:
  void SetUp() override { reg.KeepLog(); }
  // Only the payments.
  void Pay(const std::string& payments, const std::string& settings = "", bool isDeletion = false) {
    LoadOrderInto(reg.PosData(), OrderText({settings, kDish, "", "", "", "", payments}));
    reg.EffectiveSettings = ParseSettings(OrderText({settings, "", "", "", "", "", ""})).Document;
    reg.preparation.PreparePayments(isDeletion);
  }
  const tPayTableEntry& entry(size_t type) { return reg.OrderState.PayTable.at(type); }

  tReferenceAnswers answers;
  tTestRegister reg{4};
};

}  // namespace

TEST_F(Preparation, DiscountCurrencyBecomesNoPayDiscountAndNoPayment) {
  Pay("row 5 5 100.00 100.00 2\n");
  EXPECT_EQ(reg.OrderState.NoPayDiscount, 10000);
  EXPECT_EQ(reg.OrderState.NoPayDiscountName, "5");
  EXPECT_EQ(reg.OrderState.TotalSum, 0);
  for (const tPayTableEntry& e : reg.OrderState.PayTable) EXPECT_EQ(e.Amount, 0);
  EXPECT_TRUE(reg.LogHas("FiscRegUnfiscType=2 value=10000"));
}

TEST_F(Preparation, ChangeInAChangeTypeWithPrintChangeLeavesTheAmount) {
  Pay("row 1 1 500.00 500.00 0\nrow 1 1 -120.00 -120.00 0\n", "PrintChange=1");
  EXPECT_EQ(entry(1).Amount, 50000);
  EXPECT_EQ(entry(1).IsChange, 1);
  EXPECT_EQ(entry(1).CurrencyId, 1);
  EXPECT_EQ(reg.OrderState.TotalSum, 38000);
  EXPECT_EQ(entry(1).CurrencyName, "Currency 1");
  EXPECT_TRUE(reg.OrderState.OpenBox);
  EXPECT_TRUE(reg.LogHas("Currency=1 PayTypeProperty=FiscRegPayType1 Currency Type=1 value=50000 type=1"));
  EXPECT_TRUE(reg.LogHas("CurrLineCurrency=1 PayTypeProperty=FiscRegPayType1 Currency Type=1 value=-12000 type=1"));
}

TEST_F(Preparation, ChangeWithoutPrintChangeOrOnADeletionIsCounted) {
  Pay("row 1 1 500.00 500.00 0\nrow 1 1 -120.00 -120.00 0\n");
  EXPECT_EQ(entry(1).Amount, 38000);
  EXPECT_EQ(entry(1).IsChange, 0);
  EXPECT_EQ(entry(1).OriginalSum, 38000);
  Pay("row 1 1 500.00 500.00 0\nrow 1 1 -120.00 -120.00 0\n", "PrintChange=1", true);
  EXPECT_EQ(entry(1).Amount, 38000);
  EXPECT_TRUE(reg.LogHas("Document deletion ("));
}

TEST_F(Preparation, TypesOutsideTheTableCountAsTheDefaultType) {
  answers.Set(52, 9, "FiscRegPayType1", "7");
  answers.Set(52, 8, "FiscRegPayType1", "0");
  Pay("row 9 9 10.00 10.00 0\nrow 8 8 5.00 5.00 0\nrow 2 2 1.00 1.00 0\n");
  EXPECT_EQ(entry(1).Amount, 1500);
  EXPECT_EQ(entry(1).CurrencyId, 8);  // the last payment of a type names it
  EXPECT_EQ(entry(2).Amount, 100);
  EXPECT_EQ(reg.OrderState.TotalSum, 1600);
}

TEST_F(Preparation, MoreChangeThanCashMovesToTheFirstTypeThatTakesIt) {
  Pay("row 2 2 300.00 300.00 0\nrow 1 1 100.00 100.00 0\nrow 1 1 -150.00 -150.00 0\n");
  EXPECT_EQ(entry(1).Amount, 0);
  EXPECT_EQ(entry(2).Amount, 25000);
  EXPECT_EQ(reg.OrderState.TotalSum, 25000);
}

TEST_F(Preparation, ByteOrderMarkNameCountsAsEmpty) {
  reg.OrderState.NameSuffix = "EngName";
  answers.Set(52, 2, "EngName", "\xEF\xBB\xBF");
  answers.Set(52, 3, "EngName", "Credit");
  Pay("row 2 2 1.00 1.00 0\nrow 3 3 2.00 2.00 0\n");
  EXPECT_EQ(entry(2).CurrencyName, "Currency 2");
  EXPECT_EQ(entry(3).CurrencyName, "Credit");
}

TEST_F(Preparation, AlternativeNamesWhenAsked) {
  Pay("row 2 2 1.00 1.00 0\n", "UseAltNames=1");
  EXPECT_EQ(entry(2).CurrencyName, "Alt currency 2");
  EXPECT_TRUE(reg.LogHas(" Discounts in prices, no taxes, no change, use AltName"));
}

TEST_F(Preparation, ForbiddenAndNonFiscalCurrencies) {
  Pay("row 1 1 50.00 50.00 0\nrow 7 7 10.00 10.00 1\n", "SeparateDiscounts=1");
  EXPECT_TRUE(reg.OrderState.TabooPayment);
  EXPECT_FALSE(reg.OrderState.OpenBox);
  EXPECT_EQ(reg.OrderState.TotalSum, 5000);
  // " Есть запрeщенная оплата" in code page 1251, with its Latin "e".
  const std::string taboo =
      " \xC5\xF1\xF2\xFC \xE7\xE0\xEF\xF0" "e" "\xF9\xE5\xED\xED\xE0\xFF \xEE\xEF\xEB\xE0\xF2\xE0";
  EXPECT_TRUE(reg.LogHas("TotalSum=5000 Separate discounts, no taxes, no change, use Name" + taboo));
  Pay("row 1 1 50.00 50.00 0\nrow 6 6 10.00 10.00 3\n", "SeparateDiscounts=1");
  EXPECT_TRUE(reg.OrderState.AllNonFiscal);
  EXPECT_EQ(reg.EffectiveSettings.SeparateDiscounts, 0);
  EXPECT_TRUE(reg.LogHas("TotalSum=5000 NeedSummaryOnly, Discounts in prices"));
}

TEST_F(Preparation, NegativeTotalIsTakenFromTheNoPayDiscount) {
  Pay("row 5 5 30.00 30.00 2\nrow 1 1 -10.00 -10.00 0\n");
  EXPECT_EQ(reg.OrderState.NoPayDiscount, 2000);
  EXPECT_EQ(reg.OrderState.TotalSum, 0);
  EXPECT_EQ(entry(1).Amount, 0);
}

TEST_F(Preparation, PayTypeFromTheCurrencyWhenThePosDoesNotKnowTheProperty) {
  reg.kindKnown = false;
  answers.Set(52, 8, "FiscRegPayType1", "");
  answers.Set(52, 8, "FiscRegUnfiscType", "3");
  answers.Set(52, 9, "FiscRegPayType1", "");
  answers.Set(52, 9, "FiscRegUnfiscType", "x");
  Pay("row 8 8 10.00 10.00 0\nrow 9 9 5.00 5.00 0\n");
  EXPECT_TRUE(reg.OrderState.AllNonFiscal);
  EXPECT_TRUE(reg.LogHas("FiscRegUnfiscType=3"));
  EXPECT_EQ(entry(1).Amount, 500);  // "x" is no kind: the default type
}

TEST_F(Preparation, PayTypeTextThatIsNoNumberFails) {
  answers.Set(52, 2, "FiscRegPayType1", "card");
  try {
    Pay("row 2 2 1.00 1.00 0\n");
    FAIL();
  } catch (const EPDError& e) {
    EXPECT_STREQ(e.what(), "'card' is not a valid integer value");
  }
}

TEST_F(Preparation, NamePropertiesFromTheParameterOrTheServerVersion) {
  reg.preparation.SetNameProperties(true, 2);
  EXPECT_EQ(reg.OrderState.PayTypeProperty, "FiscRegPayType3");
  EXPECT_EQ(reg.OrderState.TaxTypeProperty, "FiscRegTaxType3");
  reg.deviceIndex = 2;
  reg.midServerVersion = "7.0.30.0";
  reg.preparation.SetNameProperties(true, 3);
  EXPECT_EQ(reg.OrderState.PayTypeProperty, "FiscDevParams^2");
  EXPECT_EQ(reg.OrderState.TaxTypeProperty, "FiscDevParams^2");
  reg.midServerVersion = "7.0.4.1";
  reg.preparation.SetNameProperties(false, 0);
  EXPECT_EQ(reg.OrderState.PayTypeProperty, "FiscRegPayType1");
  reg.midServerVersion = "7.1";
  reg.deviceIndex = 0;
  reg.preparation.SetNameProperties(false, 0);
  EXPECT_EQ(reg.OrderState.TaxTypeProperty, "FiscRegTaxType1");
  reg.midServerVersion.clear();
  reg.deviceIndex = 3;
  reg.preparation.SetNameProperties(false, 0);
  EXPECT_EQ(reg.OrderState.PayTypeProperty, "FiscRegPayType1");
}

TEST_F(Preparation, NameGettersReadTheirPaths) {
  const auto source = LoadOrder(
      "resource PDDATA\nsource PDS\ndataset Dishes\ncolumn Dish integer ref=1\ncolumn Charge integer ref=2\n"
      "column DishName string\ncolumn AltDishName string\nrow 5 0 \"Soup\" \"Soup alt\"\nrow 0 9 \"Tip\" \"Tip alt\"\n");
  TPDDataSet& dishes = *source->GetDataSet("Dishes");
  answers.Set(1, 5, "Eng", "Soup en");
  answers.Set(2, 9, "Eng", "\xEF\xBB\xBF");
  answers.Set(2, 9, "Name", "Service charge");
  const tNameGetterRef plain = NewDishNameGetter(false, false, "Eng");
  const tNameGetterRef fixed = NewDishNameGetter(true, false, "");
  const tNameGetterRef alt = NewDishNameGetter(false, true, "");
  EXPECT_FALSE(plain->IsPath());
  EXPECT_TRUE(fixed->IsPath());
  dishes.First();
  EXPECT_EQ(plain->GetName(dishes), "Soup en");
  EXPECT_EQ(alt->GetName(dishes), "Soup alt");
  dishes.Next();
  // A charge: "Charge.Eng" is only the mark, "Dish.Eng" is not answered,
  // so the plain field is read; with fixed names "Charge.Name" comes first.
  EXPECT_EQ(plain->GetName(dishes), "Tip");
  EXPECT_EQ(fixed->GetName(dishes), "Service charge");

  tFakeReferent group;
  group.name = "A group with a name longer than forty-two characters";
  group.altName = "Alt group";
  group.texts["Eng"] = "\xEF\xBB\xBF";
  EXPECT_EQ(plain->GetObjectName(group), group.name.substr(0, 42));
  EXPECT_EQ(alt->GetObjectName(group), "Alt group");
  group.texts["Eng"] = "Group en";
  EXPECT_EQ(plain->GetObjectName(group), "Group en");
  EXPECT_EQ(NewModifierNameGetter(false, "Eng")->GetObjectName(group), "Group en");
  EXPECT_EQ(NewPortionNameGetter(true)->GetName(dishes), "");  // the POS knows no portion of it
}

TEST_F(Preparation, DiscountModeZeroAndTheDistributionWish) {
  reg.OrderState.DiscountMode = 0;
  EXPECT_FALSE(reg.DistributionWanted());
  reg.OrderState.DiscountMode = 1;
  reg.EffectiveSettings.UseTaxDishType = 0;
  EXPECT_FALSE(reg.DistributionWanted());
  reg.EffectiveSettings.UseTaxDishType = 1;
  EXPECT_TRUE(reg.DistributionWanted());
  reg.OrderState.DiscountMode = 3;
  reg.EffectiveSettings.UseTaxDishType = 0;
  EXPECT_TRUE(reg.DistributionWanted());
}

TEST_F(Preparation, DiscountsWithTaxesNeedNoSplitByTax) {
  const std::string text =
      OrderText({"SeparateDiscounts=1 UseTaxDishType=1 DiscountMode=1 CommonDiscWithTaxes=1",
                 DishRow(101, 1, "Soup", "1", "100.00", "100.00", "95.00", 1, 1) +
                     DishRow(102, 2, "Bread", "1", "100.00", "100.00", "95.00", 1, 2),
                 "row 50 0 false -10.00 -10.00\n", "row 50 0 -5.00 -5.00 1\nrow 50 0 -5.00 -5.00 2\n", "", "",
                 "row 1 1 190.00 190.00 0\n"});
  const tRunResult run = RunCase(reg, text);
  EXPECT_EQ(run.Error, "");
  EXPECT_TRUE(reg.LogHas("FillReceiptDiscountsByTax not needed, CommonDiscWithTaxes=True"));
  EXPECT_EQ(reg.Distribution().ProportionalDiscs, std::vector<int32_t>{50});
  EXPECT_TRUE(CheckPrepared(reg, run).empty());
}

TEST_F(Preparation, EachDocumentStartsAfresh) {
  const std::string first = OrderText({"SeparateDiscounts=1 DiscountMode=4", kDish + kDish,
                                       "row 11 1 false -5.00 -5.00\n", "", "", "",
                                       "row 5 5 10.00 10.00 2\nrow 1 1 185.00 185.00 0\n"});
  const std::string second = OrderText({"DiscountMode=0", kDish, "", "", "", "", "row 1 1 100.00 100.00 0\n"});
  RunCase(reg, first);
  RunCase(reg, second);
  tTestRegister fresh{4};
  RunCase(fresh, second);
  EXPECT_EQ(DumpPrepared(reg), DumpPrepared(fresh));
  EXPECT_EQ(reg.OrderState.NoPayDiscount, 0);
  EXPECT_EQ(reg.Distribution().Lines.size(), 1u);
}

TEST(CompareVersion, ComparesComponentsByNumberThenText) {
  EXPECT_EQ(CompareVersion("7.0.4.1", "7.0.30.0"), -1);
  EXPECT_EQ(CompareVersion("7.0.30.0", "7.0.30.0"), 0);
  EXPECT_EQ(CompareVersion("7.0.31", "7.0.30.0"), 1);
  EXPECT_EQ(CompareVersion("7.0.30", "7.0.30.0"), -1);  // the shorter runs out first
  EXPECT_EQ(CompareVersion(" 7 .0.30.0", "7.0.30.0"), 0);  // blanks around a component do not count
  EXPECT_EQ(CompareVersion("7.0.30b", "7.0.30a"), 1);
  EXPECT_EQ(CompareVersion("", "1"), -1);
  EXPECT_EQ(CompareVersion("x", ""), 1);
  EXPECT_EQ(CompareVersion("8.0", "7.99999999999999999999999"), 1);
  EXPECT_EQ(CompareVersion("7.00030.0.0", "7.0.30.0"), 1);
}
