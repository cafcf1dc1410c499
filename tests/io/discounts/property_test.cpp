// Generated orders: thousands of seeded orders with every combination of
// settings must come out of the preparation with exact line arithmetic and
// exact totals, the same way every time. A failing order is shrunk to a
// small reproducer written to the build folder; moved into the regressions
// folder, it runs on every build.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

#include "discount_testing.h"
#include "order_checker.h"
#include "order_generator.h"
#include "platform/platform.h"

using namespace discount_testing;

namespace {

struct tVerdict {
  std::vector<std::string> Problems;
  bool Failed() const { return !Problems.empty(); }
};

tVerdict Judge(const tRecipe& recipe) {
  tExpected expected;
  const std::string description = Describe(recipe, &expected);
  tReferenceAnswers answers;
  tVerdict verdict;
  tTestRegister reg(recipe.Settings.MaxPayType, recipe.Settings.TaxCount);
  const tRunResult run = RunCase(reg, description);
  verdict.Problems = CheckPrepared(reg, run);
  if (run.Error.empty()) {
    if (reg.OrderState.TotalSum != expected.TotalSum)
      verdict.Problems.push_back("TotalSum " + std::to_string(reg.OrderState.TotalSum) + " != " +
                                 std::to_string(expected.TotalSum));
    if (run.NoPayBefore != expected.NoPay)
      verdict.Problems.push_back("NoPayDiscount " + std::to_string(run.NoPayBefore) + " != " +
                                 std::to_string(expected.NoPay));
    // The same order again, on a register that has just prepared another
    // one: nothing of the first may show.
    tTestRegister again(recipe.Settings.MaxPayType, recipe.Settings.TaxCount);
    tRecipe other = recipe;
    other.Lines.push_back(tRecipeLine());
    other.OrderDiscounts.push_back(-123);
    RunCase(again, Describe(other));
    const tRunResult second = RunCase(again, description);
    if (!second.Error.empty() || DumpPrepared(again) != DumpPrepared(reg))
      verdict.Problems.push_back("a second preparation of the same order differs");
  }
  return verdict;
}

tRecipe Shrink(tRecipe recipe) {
  for (int round = 0; round < 200; ++round) {
    bool smaller = false;
    for (const tRecipe& candidate : Simplifications(recipe))
      if (Judge(candidate).Failed()) {
        recipe = candidate;
        smaller = true;
        break;
      }
    if (!smaller) break;
  }
  return recipe;
}

// Writes the reproducer into the build folder, from where a developer moves it
// into the suite's regressions once the fault is mended; the path for the message.
std::string KeepReproducer(const tRecipe& recipe, const std::string& name, const std::string& problem) {
  const std::string path = std::string(ZEF_DISCOUNT_NEW_REPRODUCERS) + "/" + name + ".txt";
  platform::WriteWholeFile(path, "# Reproducer of " + name + ": " + problem + "\n" + Describe(recipe));
  return path;
}

// ZEF_DISCOUNT_SEED_FACTOR=N runs N times the usual seeds, for a longer
// search by hand; the suite keeps its own count.
uint32_t SeedFactor() {
  const char* factor = std::getenv("ZEF_DISCOUNT_SEED_FACTOR");
  const long value = factor ? std::atol(factor) : 1;
  return value > 0 ? uint32_t(value) : 1;
}

void RunSeeds(uint32_t first, uint32_t count, int maxLines, const char* family) {
  count *= SeedFactor();
  int failures = 0;
  for (uint32_t seed = first; seed < first + count && failures < 3; ++seed) {
    std::mt19937 random(seed);
    const tRecipe recipe = RandomRecipe(random, maxLines);
    const tVerdict verdict = Judge(recipe);
    if (!verdict.Failed()) continue;
    ++failures;
    const tRecipe small = Shrink(recipe);
    const tVerdict smallVerdict = Judge(small);
    const std::string problem = smallVerdict.Problems.empty() ? verdict.Problems[0] : smallVerdict.Problems[0];
    const std::string path = KeepReproducer(small, std::string(family) + "_" + std::to_string(seed), problem);
    ADD_FAILURE() << "seed " << seed << ": " << verdict.Problems[0] << "\nshrunk to " << path << ":\n"
                  << problem << "\n" << Describe(small);
  }
}

std::vector<std::string> StoredReproducers() {
  std::vector<std::string> files;
  if (DIR* dir = opendir(ZEF_DISCOUNT_REGRESSIONS)) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) files.push_back(name);
    }
    closedir(dir);
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

TEST(DiscountProperties, SmallGeneratedOrders) { RunSeeds(1, 6000, 8, "small"); }

TEST(DiscountProperties, LargerGeneratedOrders) { RunSeeds(100001, 600, 40, "larger"); }

TEST(DiscountProperties, StoredReproducersStayFixed) {
  const std::vector<std::string> stored = StoredReproducers();
  ASSERT_EQ(stored.size(), size_t(ZEF_DISCOUNT_REGRESSION_COUNT)) << "the folder listing missed reproducers";
  for (const std::string& name : stored) {
    std::string text;
    ASSERT_TRUE(platform::ReadWholeFile(std::string(ZEF_DISCOUNT_REGRESSIONS) + "/" + name, text)) << name;
    tReferenceAnswers answers;
    const tCaseSettings s = ParseSettings(text);
    tTestRegister reg(s.MaxPayType, s.TaxCount);
    const tRunResult run = RunCase(reg, text);
    const std::vector<std::string> problems = CheckPrepared(reg, run);
    EXPECT_TRUE(problems.empty()) << name << ": " << problems.front();
    tTestRegister again(s.MaxPayType, s.TaxCount);
    RunCase(again, text);
    EXPECT_EQ(DumpPrepared(again), DumpPrepared(reg)) << name;
  }
}

// The generator must reach every mode and the rarer shapes it is meant for.
TEST(DiscountProperties, GeneratorCoversTheModes) {
  std::set<int> discountModes, comboModes, modifierModes;
  int combos = 0, duplicates = 0, noPay = 0, change = 0, partQuantities = 0;
  for (uint32_t seed = 1; seed <= 2000; ++seed) {
    std::mt19937 random(seed);
    const tRecipe r = RandomRecipe(random, 8);
    discountModes.insert(r.Settings.DiscountMode);
    comboModes.insert(r.Settings.ComboMode);
    modifierModes.insert(r.Settings.ModifierMode);
    noPay += r.NoPay > 0;
    change += r.Change > 0;
    for (const tRecipeLine& l : r.Lines) {
      combos += l.ComboHead;
      duplicates += l.SameUniAsPrevious;
      partQuantities += l.Quantity % 1000 != 0;
    }
  }
  EXPECT_EQ(discountModes.size(), 5u);
  EXPECT_EQ(comboModes.size(), 3u);
  EXPECT_EQ(modifierModes.size(), 6u);
  EXPECT_GT(combos, 100);
  EXPECT_GT(duplicates, 100);
  EXPECT_GT(noPay, 100);
  EXPECT_GT(change, 100);
  EXPECT_GT(partQuantities, 1000);
}
