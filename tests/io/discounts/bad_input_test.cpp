// Orders the preparation must refuse: identifiers that are no integers or
// do not fit 32 bits (they reach the adapter as texts or decimals: the
// stream's integers have 32 bits), a quantity of 0 with a sum, missing datasets and
// amounts beyond 64 bits. Each fails with its message, nothing crashes, and
// the next order on the same register comes out as on a fresh one.
#include <gtest/gtest.h>

#include "discount_testing.h"
#include "order_checker.h"

using namespace discount_testing;

namespace {

struct tBadCase {
  const char* What;
  std::string Description;
  std::string Message;
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Drops the dataset named `name` with its columns and rows.
std::string WithoutDataSet(const std::string& text, const std::string& name) {
  const size_t from = text.find("dataset " + name + "\n");
  EXPECT_NE(from, std::string::npos) << name;
  const size_t to = text.find("dataset ", from + 1);
  return text.substr(0, from) + (to == std::string::npos ? std::string() : text.substr(to));
}

const std::string kGood = OrderText({"SeparateDiscounts=1 UseTaxDishType=1 DiscountMode=1 ModifierMode=2",
                                     DishRow(101, 1, "Soup", "1", "100.00", "110.00", "104.50", 1, 1) +
                                         DishRow(102, 2, "Bread", "2", "25.00", "50.00", "47.50", 1, 2),
                                     "row 50 0 false -8.00 -8.00\n",
                                     "row 50 0 -5.50 -5.50 1\nrow 50 0 -2.50 -2.50 2\n", "row 1 1 17.42\n",
                                     "row 501 1 10 \"Sauce\" \"Sauce alt\" 10.00 0.00 1\n",
                                     "row 1 1 152.00 152.00 0\n"});

std::vector<tBadCase> BadCases() {
  std::vector<tBadCase> cases;
  auto dishesWith = [](const std::string& row, const std::string& columns = "") {
    return OrderText({"DiscountMode=0", row, "", "", "", "", "row 1 1 1.00 1.00 0\n"});
  };
  cases.push_back({"a DishUNI that is text",
                   Replace(Replace(dishesWith(DishRow(101, 1, "Soup", "1", "1.00", "1.00", "1.00")),
                                   "column DishUNI integer", "column DishUNI string"),
                           "row 101 0 1 0", "row 101 0 abc 0"),
                   "'abc' is not a valid integer value"});
  cases.push_back({"a DishUNI beyond 32 bits",
                   dishesWith(DishRow(101, 1, "Soup", "1", "1.00", "1.00", "1.00")).replace(
                       dishesWith(DishRow(101, 1, "Soup", "1", "1.00", "1.00", "1.00")).find("row 101 0 1 "), 12,
                       "row 101 0 frac:4294967297 "),
                   "Range check error"});
  cases.push_back({"a Department beyond 32 bits",
                   dishesWith(DishRow(101, 1, "Soup", "1", "1.00", "1.00", "1.00", -1)).replace(
                       dishesWith(DishRow(101, 1, "Soup", "1", "1.00", "1.00", "1.00", -1)).find(" -1 1\n"), 6,
                       " frac:-3000000000 1\n"),
                   "Range check error"});
  cases.push_back({"a discount identifier beyond 32 bits", Replace(kGood, "row 50 0 false", "row frac:9999999999 0 false"),
                   "Range check error"});
  cases.push_back({"a dish discount bound by a text DishUNI",
                   Replace(Replace(kGood, "column DishUNI integer\ncolumn IsCharge", "column DishUNI string\ncolumn IsCharge"),
                           "row 50 0 false", "row 50 x1 false"),
                   "'x1' is not a valid integer value"});
  cases.push_back({"a currency beyond 32 bits", Replace(kGood, "row 1 1 152.00", "row str:2147483648 1 152.00"),
                   "Range check error"});
  cases.push_back({"a modifier identifier beyond 32 bits", Replace(kGood, "row 501 1 10", "row frac:8589934592 1 10"),
                   "Range check error"});
  cases.push_back({"a quantity of 0 with a sum",
                   dishesWith(DishRow(101, 1, "Soup", "0", "1.00", "5.00", "5.00")), "Division by zero"});
  cases.push_back({"a line amount beyond 64 bits",
                   dishesWith(DishRow(101, 1, "Gold", "1000000", "900000000000.00", "1.00", "1.00")),
                   "MulNum: Int64 overflow"});
  for (const char* name : {"Dishes", "Discounts", "Payments", "Modifiers", "DiscTaxes"})
    cases.push_back({name, WithoutDataSet(kGood, name), std::string("Unknown dataset \"") + name + "\""});
  return cases;
}

}  // namespace

TEST(BadInput, EachFailsWithItsMessageAndTheNextOrderIsRight) {
  tReferenceAnswers answers;
  tTestRegister fresh{4};
  const tRunResult good = RunCase(fresh, kGood);
  ASSERT_EQ(good.Error, "");
  ASSERT_TRUE(CheckPrepared(fresh, good).empty());
  const std::string expected = DumpPrepared(fresh);
  tTestRegister reg{4};
  for (const tBadCase& c : BadCases()) {
    const tRunResult bad = RunCase(reg, c.Description);
    EXPECT_EQ(bad.Error, c.Message) << c.What;
    const tRunResult next = RunCase(reg, kGood);
    EXPECT_EQ(next.Error, "") << "after " << c.What;
    EXPECT_EQ(DumpPrepared(reg), expected) << "after " << c.What;
  }
}

TEST(BadInput, TaxesMayBeMissing) {
  tReferenceAnswers answers;
  tTestRegister reg{4};
  const tRunResult run = RunCase(reg, WithoutDataSet(kGood, "Taxes"));
  EXPECT_EQ(run.Error, "");
  EXPECT_TRUE(CheckPrepared(reg, run).empty());
  EXPECT_EQ(reg.Distribution().Lines.at(0).Taxes.size(), 0u);
}

TEST(BadInput, DiscountsForNoLineAndTaxRecordsOfNoClassAreIgnored) {
  tReferenceAnswers answers;
  tTestRegister reg{4};
  std::string text = Replace(kGood, "row 50 0 false -8.00 -8.00\n", "row 50 0 false -8.00 -8.00\nrow 60 77 false -3.00 -3.00\n");
  text = Replace(text, "row 50 0 -2.50 -2.50 2\n", "row 50 0 -2.50 -2.50 2\nrow 50 0 -1.00 -1.00 3\n");
  const tRunResult run = RunCase(reg, text);
  EXPECT_EQ(run.Error, "");
  for (const tFRDiscsDishInfo& l : reg.Distribution().Lines) EXPECT_EQ(l.Discounts->SumOf(60, 1), 0);
}

TEST(BadInput, ZeroQuantityWithoutASumIsAccepted) {
  tReferenceAnswers answers;
  tTestRegister reg{4};
  const tRunResult run = RunCase(reg, OrderText({"DiscountMode=0 PrintDish0Price=1",
                                                 DishRow(101, 1, "Note", "0", "5.00", "0.00", "0.00"), "", "", "", "",
                                                 "row 1 1 0.00 0.00 0\n"}));
  EXPECT_EQ(run.Error, "");
  EXPECT_TRUE(CheckPrepared(reg, run).empty());
}
