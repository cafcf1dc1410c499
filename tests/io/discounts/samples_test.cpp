// The sample orders of every discount, combo and modifier mode, written as
// datasets streams and prepared as a sale receipt: each keeps the receipt
// properties, and each shows what its mode does.
#include <gtest/gtest.h>

#include <dirent.h>

#include <functional>
#include <map>

#include "discount_testing.h"
#include "order_checker.h"

using namespace discount_testing;

namespace {

std::vector<std::string> ModeSamples() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(ZEF_ORDER_SAMPLES)) {
    while (dirent* e = readdir(dir)) {
      const std::string n = e->d_name;
      const bool ours = n.rfind("discount_", 0) == 0 || n.rfind("combo_", 0) == 0 || n.rfind("modifier_", 0) == 0;
      if (ours && n.size() > 4 && n.compare(n.size() - 4, 4, ".txt") == 0) names.push_back(n);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class PreparedSample : public ::testing::Test {
 protected:
  void Run(const std::string& name) {
    text = ReadSample(name);
    ASSERT_FALSE(text.empty()) << name;
    const tCaseSettings s = ParseSettings(text);
    reg = std::make_unique<tTestRegister>(s.MaxPayType, s.TaxCount);
    reg->KeepLog();
    run = RunCase(*reg, text);
    ASSERT_EQ(run.Error, "") << name;
    for (const std::string& problem : CheckPrepared(*reg, run)) ADD_FAILURE() << name << ": " << problem;
  }
  tDiscountInfos& di() { return reg->Distribution(); }
  const tFRDiscsDishInfo& line(size_t i) { return di().Lines.at(i); }
  int64_t Entry(size_t i, int32_t id, uint8_t own) { return line(i).Discounts->SumOf(id, own); }

  tReferenceAnswers answers;
  std::string text;
  std::unique_ptr<tTestRegister> reg;
  tRunResult run;
};

}  // namespace

TEST_F(PreparedSample, EveryModeSampleKeepsTheReceiptProperties) {
  const std::vector<std::string> names = ModeSamples();
  EXPECT_GE(names.size(), 18u);
  for (const std::string& name : names) Run(name);
}

TEST_F(PreparedSample, DiscountModeZeroLeavesThePosAmounts) {
  Run("discount_mode0_receipt_level.txt");
  EXPECT_EQ(di().ProportionalDiscs, std::vector<int32_t>{50});
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(line(i).Sum, 10000);
    EXPECT_EQ(line(i).Discounts->Count(), 0);
  }
  EXPECT_EQ(line(1).PaySum, 9666);
}

TEST_F(PreparedSample, ByDishComparedKeepsAProportionalDiscountForTheReceipt) {
  Run("discount_mode3_by_dish_compare.txt");
  EXPECT_EQ(di().ProportionalDiscs, std::vector<int32_t>{50});
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(line(i).Discounts->Count(), 0) << i;
  EXPECT_TRUE(reg->LogHas("FillReceiptDiscountsByDish, ToCompareDistribution=1, length(ProportionalDiscs)=1"));
}

TEST_F(PreparedSample, ByDishComparedTwoKopecksOffPrintsPerLine) {
  Run("discount_mode3_pos_differs.txt");
  EXPECT_TRUE(di().ProportionalDiscs.empty());
  EXPECT_EQ(Entry(0, 50, 0), -331);
  EXPECT_EQ(Entry(1, 50, 0), -336);
  EXPECT_EQ(Entry(2, 50, 0), -333);
}

TEST_F(PreparedSample, ByDishWithoutCompareKeepsLinesAsThePosSpreadThem) {
  Run("discount_mode4_by_dish.txt");
  EXPECT_TRUE(di().ProportionalDiscs.empty());
  EXPECT_EQ(Entry(0, 11, 1), -2000);
  EXPECT_EQ(Entry(0, 50, 0), -2800);
  EXPECT_EQ(Entry(1, 50, 0), -2000);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(line(i).Sum + line(i).Discounts->Total(), line(i).PaySum);
}

TEST_F(PreparedSample, ByTaxComparedPrintsOnceWhenTheSplitsAgree) {
  Run("discount_mode1_by_tax_compare.txt");
  EXPECT_FALSE(di().AllSameTax);
  EXPECT_EQ(di().ProportionalDiscs, std::vector<int32_t>{50});
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(line(i).Discounts->Count(), 0) << i;
  EXPECT_TRUE(reg->LogHas("FillReceiptDiscountsByTax..."));
}

TEST_F(PreparedSample, ByTaxWithoutCompareSpreadsEachClassOverItsLines) {
  Run("discount_mode2_by_tax.txt");
  EXPECT_EQ(Entry(0, 50, 0), -1000);
  EXPECT_EQ(Entry(1, 50, 0), -500);
  EXPECT_EQ(Entry(2, 50, 0), -500);
  // The shares stay on the lines, so the discount is not also kept for the
  // receipt level.
  EXPECT_TRUE(di().ProportionalDiscs.empty());
}

TEST_F(PreparedSample, DishDiscountOnASharedOrderLineSplitsBySum) {
  Run("discount_shared_uni.txt");
  ASSERT_EQ(di().Lines.size(), 2u);
  EXPECT_TRUE(di().HasDuplicateUni);
  EXPECT_EQ(line(0).FirstSameUni, 0);
  EXPECT_EQ(line(1).FirstSameUni, 0);
  EXPECT_EQ(Entry(0, 11, 1), -300);
  EXPECT_EQ(Entry(1, 11, 1), -700);
}

TEST_F(PreparedSample, NoPayAmountGoesByCapacityKeepingAKopeckPerPiece) {
  Run("discount_nopay_currency.txt");
  EXPECT_EQ(reg->OrderState.TotalSum, 700);
  EXPECT_EQ(run.NoPayBefore, 500);
  EXPECT_EQ(reg->OrderState.NoPayDiscount, 0);
  EXPECT_EQ(di().PendingAmount, 500);
  // 0.83 and 4.17 are taken; the first line's 1.17 for two pieces needs a
  // correction of one kopeck.
  EXPECT_EQ(line(0).PaySum, 117);
  EXPECT_EQ(line(1).PaySum, 583);
  EXPECT_EQ(line(0).Sum + line(0).Discounts->Total(), 117);
  EXPECT_EQ(line(1).Sum, 583);
}

TEST_F(PreparedSample, PositiveRestBecomesASmallDiscountWithoutMarkups) {
  Run("discount_quantity_one.txt");
  EXPECT_EQ(line(0).Price, 3334);
  EXPECT_EQ(line(0).Sum, 10002);
  ASSERT_EQ(line(0).Discounts->Count(), 1);
  EXPECT_EQ(line(0).Discounts->Entry(0).Amount, -2);
  EXPECT_EQ(line(0).Discounts->Entry(0).IsCorrection, 1);
  EXPECT_EQ(line(0).Discounts->Entry(0).Name, "Correction");
  EXPECT_EQ(di().ExtractAllCorrections(), -2);
  EXPECT_EQ(line(0).Discounts->Count(), 0);
}

TEST_F(PreparedSample, ComboModeOneIndentsPartsUnderAPrintedComboLine) {
  Run("combo_mode1.txt");
  EXPECT_EQ(line(0).IsCombo, 1);
  EXPECT_EQ(line(0).Skip, 0);
  EXPECT_EQ(line(0).Sum, 0);
  EXPECT_EQ(line(1).NamePrefix, "  ");
  EXPECT_EQ(line(2).NamePrefix, "  ");
  EXPECT_EQ(line(3).NamePrefix, "");
}

TEST_F(PreparedSample, ComboModeTwoPrefixesPartsWithTheComboName) {
  Run("combo_mode2.txt");
  EXPECT_EQ(line(0).Skip, 1);
  EXPECT_EQ(line(1).NamePrefix, "Burger menu: ");
  EXPECT_EQ(line(1).IsComboPart, 1);
}

TEST_F(PreparedSample, ComboModeThreeFoldsPartsIntoComboLinesPerTax) {
  Run("combo_mode3.txt");
  ASSERT_EQ(di().Lines.size(), 3u);
  const tFRDiscsDishInfo& a = line(0);
  const tFRDiscsDishInfo& b = line(1);
  EXPECT_EQ(a.Name, "Burger menu");
  EXPECT_EQ(a.DishUNI, 31);
  EXPECT_EQ(b.DishUNI, 31);
  EXPECT_EQ(a.Sum + a.Discounts->Total(), 32000);
  EXPECT_EQ(b.Sum + b.Discounts->Total(), 13000);
  // The combo's two pieces split by sum: 2.000 × 320 / 450.
  EXPECT_EQ(a.Quantity + b.Quantity, 2000);
  EXPECT_TRUE(a.Quantity == 1422 || a.Quantity == 1000) << a.Quantity;
  EXPECT_EQ(a.FirstSameUni, 0);
  EXPECT_EQ(b.FirstSameUni, 0);
  EXPECT_TRUE(di().HasDuplicateUni);
  EXPECT_EQ(line(2).Name, "Juice");
}

TEST_F(PreparedSample, ModifierModesZeroToFive) {
  Run("modifier_mode0.txt");
  EXPECT_TRUE(line(0).Modifiers.empty());
  EXPECT_EQ(line(0).Sum, 134500);
  for (const char* name : {"modifier_mode1.txt", "modifier_mode3.txt"}) {
    Run(name);
    ASSERT_EQ(line(0).Modifiers.size(), 3u) << name;
    EXPECT_EQ(line(0).Sum, 134500);
    for (const tModifierRec& m : line(0).Modifiers) EXPECT_EQ(m.Sum, 0);
    EXPECT_EQ(line(0).Modifiers[0].Name, "  Medium");
  }
  for (const char* name : {"modifier_mode2.txt", "modifier_mode4.txt"}) {
    Run(name);
    ASSERT_EQ(line(0).Modifiers.size(), 3u) << name;
    EXPECT_EQ(line(0).Sum, 125000);
    EXPECT_EQ(line(0).Modifiers[1].Sum, 5000);
    EXPECT_EQ(line(0).Modifiers[2].Sum, 4500);
    EXPECT_EQ(line(0).Modifiers[2].Quantity, 500);
    EXPECT_EQ(line(0).Modifiers[2].Price, 9000);
  }
  Run("modifier_mode5.txt");
  ASSERT_EQ(line(0).Modifiers.size(), 3u);
  // Priced in the ratio paid / listed (1210.50 / 1345.00), then part of the
  // 100.00 no-pay amount.
  EXPECT_LE(line(0).Modifiers[1].Sum + line(0).Modifiers[1].Discounts->Total(), 4500);
  EXPECT_EQ(reg->OrderState.NoPayDiscount, 0);
  int64_t onModifiers = 0;
  for (const tModifierRec& m : line(0).Modifiers) onModifiers += m.Discounts->Total();
  EXPECT_LT(onModifiers, 0);
}
