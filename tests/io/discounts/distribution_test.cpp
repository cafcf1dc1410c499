// The distribution's edge cases, each from an order written as a datasets
// stream and prepared as a sale receipt, or on lines set up by hand where
// the case is about one step.
#include <gtest/gtest.h>

#include "discount_testing.h"
#include "order_checker.h"
#include "io/printer/discounts/discount_share.h"

using namespace discount_testing;

namespace {

const std::string kThreeLines = DishRow(101, 1, "Soup", "1", "100.00", "100.00", "96.66") +
                                DishRow(102, 2, "Steak", "1", "100.00", "100.00", "96.67") +
                                DishRow(103, 3, "Tea", "1", "100.00", "100.00", "96.67");

class Distribution : public ::testing::Test {
 protected:
  // Prepares the order and checks the receipt properties.
  tDiscountInfos& Prepare(const tOrderRows& rows) {
    text = OrderText(rows);
    const tCaseSettings s = ParseSettings(text);
    reg = std::make_unique<tTestRegister>(s.MaxPayType, s.TaxCount, &references);
    reg->KeepLog();
    run = RunCase(*reg, text);
    EXPECT_EQ(run.Error, "");
    for (const std::string& p : CheckPrepared(*reg, run)) ADD_FAILURE() << p;
    return reg->Distribution();
  }
  const tFRDiscsDishInfo& line(size_t i) { return reg->Distribution().Lines.at(i); }

  tReferenceAnswers answers;
  tFakeReferences references;
  std::string text;
  std::unique_ptr<tTestRegister> reg;
  tRunResult run;
};

// Lines set up by hand: quantity, price and sum.
tFRDiscsDishInfo HandLine(int64_t quantity, int64_t price, int64_t sum, const std::string& name = "Item") {
  tFRDiscsDishInfo l;
  l.Quantity = quantity;
  l.Price = price;
  l.Sum = l.PaySum = l.DiscountedSum = sum;
  l.PayPrice = price;
  l.Name = name;
  l.Discounts = tDishDiscountInfo::New();
  return l;
}

}  // namespace

TEST_F(Distribution, PosSplitOneKopeckOffOnEveryLineStillPrintsOnce) {
  tDiscountInfos& di = Prepare({"SeparateDiscounts=1 DiscountMode=3", kThreeLines,
                                "row 50 0 false -10.00 -10.00\n", "", "", "", "row 1 1 290.00 290.00 0\n"});
  EXPECT_EQ(di.ProportionalDiscs, std::vector<int32_t>{50});
  for (const tFRDiscsDishInfo& l : di.Lines) EXPECT_EQ(l.Discounts->Count(), 0);
}

TEST_F(Distribution, WithoutCompareTheDiscountStaysOnTheLines) {
  // Mode 3 on a device that cannot print a receipt-level discount.
  tDiscountInfos& di = Prepare({"SeparateDiscounts=1 DiscountMode=3 NoAbsDiscountSum=1", kThreeLines,
                                "row 50 0 false -10.00 -10.00\n", "", "", "", "row 1 1 290.00 290.00 0\n"});
  EXPECT_TRUE(di.ProportionalDiscs.empty());
  EXPECT_EQ(line(0).Discounts->SumOf(50, 0), -334);
  EXPECT_TRUE(reg->LogHas("ToCompareDistribution=1"));
}

TEST_F(Distribution, AllSameTaxSkipsMergingAndTheComparedTaxSplit) {
  tDiscountInfos& di =
      Prepare({"SeparateDiscounts=1 UseTaxDishType=1 DiscountMode=1",
               DishRow(101, 7, "Pie", "1", "30.00", "30.00", "27.00") +
                   DishRow(101, 7, "Pie", "1", "70.00", "70.00", "63.00"),
               "row 50 0 false -10.00 -10.00\n", "row 50 0 -10.00 -10.00 1\n", "", "", "row 1 1 90.00 90.00 0\n"});
  EXPECT_TRUE(di.AllSameTax);
  EXPECT_EQ(di.Lines.size(), 2u);
  EXPECT_EQ(line(1).Skip, 0);
  EXPECT_EQ(line(0).Merged, 0);
  EXPECT_EQ(di.ProportionalDiscs, std::vector<int32_t>{50});
  EXPECT_EQ(line(0).Discounts->Count(), 0);
}

TEST_F(Distribution, LinesOfOneOrderLineWithDifferentTaxClassesMerge) {
  // Not all taxes alike (an advance payment); without taxes by dish type
  // every namesake is merged into the first.
  answers.Set(1, 102, "TaxDishType.ForAdvance", "1");
  tDiscountInfos& di = Prepare({"DiscountMode=0", DishRow(101, 7, "Pie", "1", "30.00", "30.00", "30.00") +
                                                      DishRow(102, 7, "Pie", "2", "35.00", "70.00", "70.00"),
                                "", "", "", "", "row 1 1 100.00 100.00 0\n"});
  EXPECT_FALSE(di.AllSameTax);
  EXPECT_EQ(line(0).Merged, 1);
  EXPECT_EQ(line(0).Quantity, 3000);
  EXPECT_EQ(line(1).Skip, 1);
  EXPECT_EQ(line(1).Sum, 0);
  EXPECT_EQ(line(0).Sum + line(0).Discounts->Total(), 10000);
  EXPECT_EQ(line(1).IsAdvance, 1);
}

// One order line printed as two lines, with a markup and a discount of its
// own that the POS did not split by the lines' sums: each line carries what
// the POS charged it, and each record keeps its amount and its sign.
TEST_F(Distribution, DishDiscountsFollowWhatThePosChargedEachLine) {
  const std::string lines = DishRow(101, 7, "Steak", "1", "300.00", "300.00", "310.00") +
                            DishRow(102, 7, "Steak", "1", "100.00", "100.00", "60.00");
  tDiscountInfos& di = Prepare({"SeparateDiscounts=1 DiscountMode=4", lines,
                                "row 10 7 false 20.00 20.00\nrow 11 7 false -50.00 -50.00\n", "", "", "",
                                "row 1 1 370.00 370.00 0\n"});
  // The markup gives the first line its +10.00 and the 10.00 beyond that
  // by the size of the charges (10 : 40); the discount takes the rest.
  EXPECT_EQ(line(0).Discounts->SumOf(10, 1), 1200);
  EXPECT_EQ(line(0).Discounts->SumOf(11, 1), -200);
  EXPECT_EQ(line(1).Discounts->SumOf(10, 1), 800);
  EXPECT_EQ(line(1).Discounts->SumOf(11, 1), -4800);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(line(i).Sum + line(i).Discounts->Total(), line(i).PaySum) << i;
  EXPECT_EQ(di.Lines.size(), 2u);
}

TEST_F(Distribution, RestOfAWholeRubleOrMorePrintsTheLineAsOnePiece) {
  tDiscountInfos& di = Prepare({"DiscountMode=0", DishRow(101, 1, "Nails", "300", "0.33", "100.00", "100.00"), "",
                                "", "", "", "row 1 1 100.00 100.00 0\n"});
  EXPECT_EQ(line(0).Name, "Nails*300");
  EXPECT_EQ(line(0).Quantity, 1000);
  EXPECT_EQ(line(0).Price, 10000);
  EXPECT_EQ(di.ExtractAllCorrections(), 0);
}

TEST_F(Distribution, NeedsQuantityOnePreparesAgainWithoutSeparateDiscounts) {
  // 2.00 of it is paid with a discount currency: placed once, not twice.
  tDiscountInfos& di =
      Prepare({"SeparateDiscounts=1 DiscountMode=0 NoAbsDiscountSum=1",
               DishRow(101, 1, "Nails", "300", "0.33", "100.00", "100.00") +
                   DishRow(102, 2, "Glue", "1", "50.00", "50.00", "50.00"),
               "", "", "", "", "row 5 5 2.00 2.00 2\nrow 1 1 148.00 148.00 0\n"});
  EXPECT_TRUE(reg->LogHas("Need correct by quantity 1, set SeparateDiscounts:=False"));
  EXPECT_EQ(reg->EffectiveSettings.SeparateDiscounts, 0);
  EXPECT_FALSE(di.SeparateDiscounts());
  // Without separate discounts the no-pay share lowers the nails' sum, and
  // the rest of that is within a ruble: a correction.
  EXPECT_EQ(line(0).Quantity, 300000);
  EXPECT_EQ(line(0).Discounts->Count(), 1);
  EXPECT_EQ(line(0).Sum + line(0).Discounts->Total() + line(1).Sum + line(1).Discounts->Total(), 14800);
  EXPECT_EQ(reg->OrderState.NoPayDiscount, 0);
}

TEST_F(Distribution, NoPayAmountBeyondEveryCapacityIsHandedBack) {
  tDiscountInfos di("FiscRegTaxType1", 1, nullptr);
  di.Init(0, 0, false, false, nullptr, false);
  di.Lines = {HandLine(2000, 100, 200), HandLine(1000, 1000, 1000)};
  int64_t amount = 1500;
  di.DistributeAmount(amount, "Bonus", false, false);
  EXPECT_EQ(di.PendingAmount, 1500);
  EXPECT_EQ(amount, 300);  // the second pass fills the lines to zero
  EXPECT_EQ(di.Lines[0].Sum, 0);
  EXPECT_EQ(di.Lines[1].Sum, 0);
  int64_t zero = 0;
  di.DistributeAmount(zero, "Bonus", false, false);
  EXPECT_EQ(di.PendingAmount, 0);
}

TEST_F(Distribution, EqualCapacitiesShareInTheOrderOfTheSort) {
  tDiscountInfos di("FiscRegTaxType1", 1, nullptr);
  di.Init(0, 0, true, false, nullptr, false);
  di.Lines = {HandLine(1000, 101, 101), HandLine(1000, 101, 101), HandLine(1000, 101, 101)};
  int64_t amount = 100;
  di.DistributeAmount(amount, "Bonus", false, true);
  // The sort puts the last line first: 33, then 34, then the rest, 33.
  EXPECT_EQ(di.Lines[0].Discounts->SumOf(0, 0), -33);
  EXPECT_EQ(di.Lines[1].Discounts->SumOf(0, 0), -34);
  EXPECT_EQ(di.Lines[2].Discounts->SumOf(0, 0), -33);
  EXPECT_EQ(di.Lines[0].Sum, 101);  // with separate discounts the sum stays
  EXPECT_EQ(di.Lines[0].PaySum, 68);
}

TEST_F(Distribution, ComboLineOfHalfAUnitGetsItsQuantityInTheName) {
  tDiscountInfos di("FiscRegTaxType1", 1, nullptr);
  di.Init(0, 0, false, false, nullptr, false);
  di.Lines = {HandLine(500, 300, 167, "Menu"), HandLine(3000, 3333, 10000, "Tea")};
  di.Lines[0].IsCombo = 1;
  di.FinalCorrection(false, false, "Correction");
  EXPECT_EQ(di.Lines[0].Name, "Menu*0.500");
  EXPECT_EQ(di.Lines[0].Quantity, 1000);
  EXPECT_EQ(di.Lines[0].Price, 167);
  EXPECT_EQ(di.Lines[1].Name, "Tea*3");
}

TEST_F(Distribution, CorrectionsAddUpWithinARubleAcrossLines) {
  tDiscountInfos di("FiscRegTaxType1", 1, nullptr);
  di.Init(0, 0, false, false, nullptr, false);
  for (int i = 0; i < 120; ++i) di.Lines.push_back(HandLine(3000, 3333, 10000));
  // +0.01 each until the running rest would reach a ruble.
  EXPECT_TRUE(di.NeedsQuantityOne(true, true));
  EXPECT_EQ(di.Lines[0].Price, 3333);  // the question leaves the prices
  di.FinalCorrection(true, true, "Correction");
  int corrected = 0, whole = 0;
  for (const tFRDiscsDishInfo& l : di.Lines) {
    corrected += l.Discounts->Count();
    whole += l.Quantity == 1000;
    EXPECT_EQ(LineAmount(l.Quantity, l.Price), l.Sum);
  }
  EXPECT_EQ(corrected, 99);
  EXPECT_EQ(whole, 21);
  EXPECT_EQ(di.ExtractAllCorrections(), 99);
}

TEST_F(Distribution, ModifierWhosePriceMissesItsSumIsOnePieceWithItsCount) {
  Prepare({"ModifierMode=2", DishRow(101, 1, "Steak", "1", "100.00", "110.00", "110.00"), "", "", "",
           "row 501 1 30 \"Sauce\" \"Sauce alt\" 0.00 10.00 1\n", "row 1 1 110.00 110.00 0\n"});
  ASSERT_EQ(line(0).Modifiers.size(), 1u);
  const tModifierRec& m = line(0).Modifiers[0];
  EXPECT_EQ(m.Name, "  Sauce*3    ");
  EXPECT_EQ(m.Quantity, 1000);
  EXPECT_EQ(m.Price, 1000);
  EXPECT_EQ(m.Sum, 1000);
  EXPECT_EQ(line(0).Sum, 10000);
}

TEST_F(Distribution, PaidModifiersBeyondTheLineAreNotTakenOff) {
  Prepare({"ModifierMode=4", DishRow(101, 1, "Steak", "1", "5.00", "5.00", "5.00"), "", "", "",
           "row 501 1 10 \"Sauce\" \"Sauce alt\" 9.00 0.00 1\n", "row 1 1 5.00 5.00 0\n"});
  EXPECT_EQ(line(0).Sum, 500);
  EXPECT_EQ(line(0).Modifiers.at(0).Sum, 0);
}

TEST_F(Distribution, MarkupsMoveToAMarkupLinePerTaxAndDepartment) {
  tDiscountInfos& di = Prepare(
      {"SeparateDiscounts=1 UseTaxDishType=1 DiscountMode=4 MarkupLine=Service",
       DishRow(101, 1, "Soup", "1", "100.00", "100.00", "105.00") + DishRow(102, 2, "Tea", "1", "50.00", "50.00", "52.00"),
       "row 11 1 false 5.00 5.00\nrow 12 2 false 2.00 2.00\n", "", "row 1 1 20.00\nrow 2 1 10.00\n", "",
       "row 1 1 157.00 157.00 0\n"});
  ASSERT_EQ(di.Lines.size(), 3u);
  const tFRDiscsDishInfo& markup = line(2);
  EXPECT_EQ(markup.Name, "Service");
  EXPECT_EQ(markup.Sum, 700);
  EXPECT_EQ(markup.Quantity, 1000);
  EXPECT_EQ(markup.Merged, 1);
  EXPECT_EQ(line(0).Discounts->Count(), 0);
  EXPECT_EQ(line(0).PaySum, 10000);
  // The tax of the markup goes with it: 5/105 of 20.00 and 2/52 of 10.00.
  ASSERT_FALSE(markup.Taxes.empty());
  EXPECT_EQ(markup.Taxes[0].Amount, 95 + 38);
  EXPECT_EQ(line(0).Taxes[0].Amount, 2000 - 95);
}

TEST_F(Distribution, SummaryReceiptGroupsByTaxIntoOnePieceLines) {
  tDiscountInfos& di = Prepare(
      {"SummaryOnly=1 UseTaxDishType=1 SeparateDiscounts=1 DiscountMode=4",
       DishRow(101, 1, "Soup", "2", "50.00", "100.00", "90.00", 1, 1) +
           DishRow(102, 2, "Bread", "1", "50.00", "50.00", "45.00", 1, 2) +
           DishRow(103, 3, "Tea", "3", "10.00", "30.00", "27.00", 1, 1),
       "row 11 1 false -5.00 -5.00\nrow 50 0 false -13.00 -13.00\n",
       "row 11 1 -5.00 -5.00 1\nrow 50 0 -8.00 -8.00 1\nrow 50 0 -5.00 -5.00 2\n", "", "",
       "row 1 1 162.00 162.00 0\n"});
  ASSERT_EQ(di.Lines.size(), 2u);
  EXPECT_TRUE(di.OrderLevelOnly);
  EXPECT_EQ(line(0).Name, "Summary");
  EXPECT_EQ(line(0).Quantity, 1000);
  EXPECT_EQ(line(0).Sum, 13000);
  EXPECT_EQ(line(0).PaySum, 11700);
  EXPECT_EQ(line(1).Sum, 5000);
  // Every discount counts as order-level on a summary receipt, the dish
  // discount's tax record included; spread by tax, none is left for the
  // receipt level.
  EXPECT_EQ(line(0).Discounts->SumOf(11, 0), -500);
  EXPECT_EQ(line(0).Discounts->SumOf(50, 0), -800);
  EXPECT_EQ(line(1).Discounts->SumOf(50, 0), -500);
  EXPECT_TRUE(di.ProportionalDiscs.empty());
}

TEST_F(Distribution, ByTaxKeepsForTheReceiptWhatTheTaxRecordsDoNotSpread) {
  tDiscountInfos& di =
      Prepare({"SeparateDiscounts=1 UseTaxDishType=1 DiscountMode=2",
               DishRow(101, 1, "Soup", "1", "100.00", "100.00", "90.00", 1, 1) +
                   DishRow(102, 2, "Bread", "1", "100.00", "100.00", "90.00", 1, 2),
               "row 50 0 false -10.00 -10.00\nrow 51 0 false -10.00 -10.00\n",
               "row 50 0 -5.00 -5.00 1\nrow 50 0 -5.00 -5.00 2\n", "", "", "row 1 1 180.00 180.00 0\n"});
  EXPECT_EQ(di.ProportionalDiscs, std::vector<int32_t>{51});
  EXPECT_EQ(line(0).Discounts->SumOf(50, 0), -500);
}

TEST_F(Distribution, DepartmentsAndItemKindsComeFromThePosObjects) {
  references.hostValues["DepartByClassification"] = 0x1200;
  auto bar = references.Add(kClassificationGroupKind, 0x1201, "Bar");
  bar->ints = {{"Status", 3}, {"DepartCode", 5}};
  auto closed = references.Add(kClassificationGroupKind, 0x1202, "Closed");
  closed->ints = {{"Status", 0}, {"DepartCode", 7}};
  auto kind = references.Add(kItemKindTable, 1, "Service");
  kind->ints = {{"Status", 3}, {"ENUMVALUE", 4}, {"FiscDevParams^0", 33}};
  answers.Set(1, 102, "ITEMKIND", "4");
  answers.Set(1, 103, "TaxDishType.ForAdvance", "1");
  tDiscountInfos& di = Prepare({"DiscountMode=0",
                                DishRow(101, 1, "Beer", "1", "1.00", "1.00", "1.00", 5) +
                                    DishRow(102, 2, "Delivery", "1", "2.00", "2.00", "2.00", 7) +
                                    DishRow(103, 3, "Deposit", "1", "3.00", "3.00", "3.00", 5),
                                "", "", "", "", "row 1 1 6.00 6.00 0\n"});
  EXPECT_EQ(di.DepartClassification(), 0x1200);
  EXPECT_EQ(di.DepartIndices(), std::vector<uint8_t>{1});
  EXPECT_EQ(line(0).DepartName, "Bar");
  EXPECT_EQ(line(1).DepartName, "7");
  EXPECT_EQ(line(1).Tax.ItemSubject, 33);
  EXPECT_EQ(line(0).Tax.ItemSubject, 1);
  EXPECT_EQ(line(2).Tax.PaymentMethod, 3);
  EXPECT_EQ(line(2).IsAdvance, 1);
}

TEST_F(Distribution, TaxSlotsReadTheirCodeRateAndAmounts) {
  tDiscountInfos& di = Prepare({"UseTaxDishType=1 TaxCount=8",
                                DishRow(101, 1, "Beer", "1", "120.00", "120.00", "120.00", 1, 1) +
                                    DishRow(102, 2, "Bread", "1", "110.00", "110.00", "110.00", 1, 2),
                                "", "", "row 1 1 20.00\nrow 2 2 10.00\nrow 2 1 1.00\n", "",
                                "row 1 1 230.00 230.00 0\n"});
  ASSERT_EQ(line(0).Taxes.size(), 8u);
  EXPECT_EQ(line(0).Taxes[0].FiscalTaxCode, 1);
  EXPECT_EQ(line(0).Taxes[0].Rate, 2000);
  EXPECT_EQ(line(0).Taxes[0].Amount, 2000);
  EXPECT_EQ(line(0).Taxes[1].Present, 0);
  EXPECT_EQ(line(1).Taxes[0].FiscalTaxCode, 2);
  EXPECT_EQ(line(1).Taxes[0].Amount, 1000);  // a record of another tax does not count
  // Eight slots: the texts of all eight, newest first.
  EXPECT_EQ(line(0).Tax.Text.substr(line(0).Tax.Text.size() - 2), ";1");
  EXPECT_FALSE(di.AllSameTax);
}

TEST_F(Distribution, ZeroLinesAreSkippedUnlessZeroPricesPrint) {
  const std::string dishes = DishRow(101, 1, "Water", "1", "0.00", "0.00", "0.00") +
                             DishRow(102, 2, "Tea", "1", "10.00", "10.00", "10.00");
  Prepare({"DiscountMode=0", dishes, "", "", "", "", "row 1 1 10.00 10.00 0\n"});
  EXPECT_EQ(line(0).Skip, 1);
  Prepare({"DiscountMode=0 PrintDish0Price=1", dishes, "", "", "", "", "row 1 1 10.00 10.00 0\n"});
  EXPECT_EQ(line(0).Skip, 0);
}

TEST_F(Distribution, ChargeLinesUseTheChargeIdentifier) {
  Prepare({"DiscountMode=0", DishRow(0, 1, "Service", "1", "10.00", "10.00", "10.00", 1, 1, 0, 0, 77), "", "", "", "",
           "row 1 1 10.00 10.00 0\n"});
  EXPECT_EQ(line(0).ItemId, 77);
  EXPECT_EQ(line(0).ItemKind, kItemKindCharge);
}

TEST_F(Distribution, PriceStepRoundsTheLineAmountBeforeTheComparison) {
  tDiscountInfos di("FiscRegTaxType1", 1, nullptr);
  di.Init(0, 0, false, false, nullptr, false);
  di.SetPriceStep(10);
  tFRDiscsDishInfo l = HandLine(3000, 3333, 10000);
  di.RecomputePrice(l);  // 99.99 rounds to 100.00 at a step of 0.10: kept
  EXPECT_EQ(l.Price, 3333);
  di.SetPriceStep(1);
  di.RecomputePrice(l);
  EXPECT_EQ(l.Price, 3333);  // 100.00 / 3 is 33.33 again
  l.Sum = 10001;
  di.RecomputePrice(l);
  EXPECT_EQ(l.Price, 3334);
}
