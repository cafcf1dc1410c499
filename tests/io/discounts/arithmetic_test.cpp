// The splitting and rounding rules of the distribution and the discount sets.

#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "io/printer/discounts/discount_set.h"
#include "io/printer/discounts/discount_share.h"
#include "posdata/numeric.h"
#include "posdata/pdlocale.h"

TEST(Share, RoundsThroughFourDecimalsHalfAwayFromZero) {
  EXPECT_EQ(Share(30000, 10000, -1000), -333);
  EXPECT_EQ(Share(20000, 10000, -667), -334);  // -3.335 goes away from zero
  EXPECT_EQ(Share(20000, 10000, 667), 334);
  EXPECT_EQ(Share(10000, 10000, -333), -333);  // the whole amount for the whole weight
  EXPECT_EQ(Share(0, 0, 500), 0);
  EXPECT_EQ(Share(100, 50, 0), 0);
  // 1 × 1 / 3 = 0.3333 -> 0; 2 × 1 / 3 = 0.6667 -> 1.
  EXPECT_EQ(Share(3, 1, 1), 0);
  EXPECT_EQ(Share(3, 1, 2), 1);
}

TEST(Share, RoundsTwiceAsTheArithmeticDoes) {
  // 49.99 × 0.01 / 100.00 = 0.004999: at four decimals 0.0050, then 0.01;
  // 49.49 × 0.01 / 100.00 = 0.004949: 0.0049, then 0.00.
  EXPECT_EQ(Share(10000, 1, 4999), 1);
  EXPECT_EQ(Share(10000, 1, 4949), 0);
}

TEST(Share, FailsOnAZeroTotalAndOnOverflow) {
  EXPECT_THROW(Share(0, 5, 100), eNumericException);
  try {
    Share(1, INT64_MAX / 2, INT64_MAX / 2);
    FAIL();
  } catch (const eNumericException& e) {
    EXPECT_STREQ(e.what(), "MulNum: Int64 overflow");
  }
}

TEST(Share, ByQuantityGivesUnitPricesAndQuantityShares) {
  EXPECT_EQ(ShareByQuantity(3000, 1000, 10000), 3333);  // 100.00 for 3 pieces
  EXPECT_EQ(ShareByQuantity(1000, 1000, 12345), 12345);
  EXPECT_EQ(ShareByQuantity(2000, 1000, 117), 59);
  EXPECT_EQ(QuantityShare(45000, 32000, 2000), 1422);  // 2.000 pieces × 320 / 450
  try {
    ShareByQuantity(0, 1000, 500);
    FAIL();
  } catch (const eNumericException& e) {
    EXPECT_STREQ(e.what(), "Division by zero");
  }
}

TEST(Share, SequentialSplitsAddUpAndTheLastWeightTakesTheRest) {
  const std::vector<int64_t> parts = SplitSequential(-1000, {10000, 10000, 10000});
  EXPECT_EQ(parts, (std::vector<int64_t>{-333, -334, -333}));
  EXPECT_EQ(SplitSequential(-1000, {3000, 7000}), (std::vector<int64_t>{-300, -700}));
  // Zero weights take nothing, also at the end.
  EXPECT_EQ(SplitSequential(101, {0, 50, 50, 0}), (std::vector<int64_t>{0, 51, 50, 0}));
  for (int64_t amount : {1, -7, 99999, -123456789})
    for (const std::vector<int64_t>& w : {std::vector<int64_t>{1, 1, 1}, {5, 0, 17, 3}, {1000000, 1}}) {
      int64_t total = 0;
      for (int64_t p : SplitSequential(amount, w)) total += p;
      EXPECT_EQ(total, amount);
    }
}

TEST(LineAmount, RoundsHalfAwayFromZeroAndKnowsNoPrice) {
  EXPECT_EQ(LineAmount(3000, 3333), 9999);
  EXPECT_EQ(LineAmount(3000, 3334), 10002);
  EXPECT_EQ(LineAmount(500, 1), 1);     // 0.005 -> 0.01
  EXPECT_EQ(LineAmount(500, -1), -1);
  EXPECT_EQ(LineAmount(1500, 1235), 1853);
  EXPECT_EQ(LineAmount(1000, INT64_MAX), 0);
}

TEST(QuantityText, ShowsAsFewDecimalsAsNeededPaddedToFour) {
  EXPECT_EQ(QuantityText(2500), "2.5  ");
  EXPECT_EQ(QuantityText(3000), "3    ");
  EXPECT_EQ(QuantityText(1234), "1.234");
  EXPECT_EQ(QuantityText(1230), "1.23 ");
  EXPECT_EQ(QuantityText(50), "0.05 ");
  PDFormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(QuantityText(2500), "2,5  ");
  PDFormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(QuantityUnitsText(500, 5), "0.500");
  EXPECT_EQ(QuantityUnitsText(12345, 5), "12.345");
}

TEST(DiscountSet, AddMergesByIdentifierOwnershipAndCorrection) {
  tDishDiscountInfo set;
  EXPECT_EQ(set.Add(7, 70, "A", -100, 1, 0), 0);
  EXPECT_EQ(set.Add(7, 71, "B", -50, 1, 0), 0);  // same key: amount added, first code and name kept
  EXPECT_EQ(set.Add(7, 70, "A", -5, 0, 0), 1);
  EXPECT_EQ(set.Add(0, 0, "Corr", 2, 1, 1), 2);
  EXPECT_EQ(set.Count(), 3);
  EXPECT_EQ(set.GetAmount(0), -150);
  EXPECT_EQ(set.GetCode(0), 70);
  EXPECT_EQ(set.GetName(0), "A");
  EXPECT_EQ(set.SumOf(7, 1), -150);
  EXPECT_EQ(set.SumOf(7, 0), -5);
  EXPECT_EQ(set.Total(), -153);
  EXPECT_EQ(set.ExtractCorrections(), 2);
  EXPECT_EQ(set.Count(), 2);
  set.Remove(7, 1);
  ASSERT_EQ(set.Count(), 1);
  EXPECT_EQ(set.GetDiscountId(0), 7);
  EXPECT_EQ(set.SumOf(7, 0), -5);
  tDishDiscountInfo other;
  other.Add(7, 0, "x", -1, 0, 0);
  set.CopyTo(other);
  EXPECT_EQ(other.Count(), 1);
  EXPECT_EQ(other.GetAmount(0), -6);
}

// Large sets find their entries through an index; they must behave exactly
// as small ones.
TEST(DiscountSet, LargeSetsBehaveAsSmallOnes) {
  tDishDiscountInfo large;
  std::vector<tDishDiscInfo> model;
  auto add = [&](int32_t id, uint8_t own, uint8_t corr, int64_t amount) {
    const int at = large.Add(id, id, "n" + std::to_string(id), amount, own, corr);
    for (size_t i = 0; i < model.size(); ++i)
      if (model[i].DiscountId == id && model[i].IsOwn == own && model[i].IsCorrection == corr) {
        model[i].Amount += amount;
        EXPECT_EQ(at, int(i));
        return;
      }
    model.push_back(tDishDiscInfo{id, id, "n" + std::to_string(id), amount, own, corr});
    EXPECT_EQ(at, int(model.size()) - 1);
  };
  for (int round = 0; round < 3; ++round)
    for (int32_t id = 0; id < 40; ++id) add(id % 23, uint8_t(id % 2), uint8_t(id % 5 == 0), -id - round);
  large.Remove(4, 0);
  model.erase(std::remove_if(model.begin(), model.end(),
                             [](const tDishDiscInfo& e) { return e.DiscountId == 4 && e.IsOwn == 0; }),
              model.end());
  large.RemoveAll({1, 3, 22}, 1);
  model.erase(std::remove_if(model.begin(), model.end(),
                             [](const tDishDiscInfo& e) {
                               return e.IsOwn == 1 && (e.DiscountId == 1 || e.DiscountId == 3 || e.DiscountId == 22);
                             }),
              model.end());
  for (int32_t id = 0; id < 30; ++id) add(id, 1, 0, 1);
  ASSERT_EQ(large.Count(), int(model.size()));
  for (size_t i = 0; i < model.size(); ++i) {
    EXPECT_EQ(large.Entry(int(i)).DiscountId, model[i].DiscountId);
    EXPECT_EQ(large.Entry(int(i)).Amount, model[i].Amount);
  }
}

// The quick share must give what the decimal arithmetic gives, step by
// step, for every kind of operand.
TEST(Share, QuickWayAgreesWithTheDecimalArithmetic) {
  std::mt19937_64 random(7);
  const int64_t magnitudes[] = {10, 1000, 100000, 10000000, 1000000000, 100000000000, 10000000000000,
                                1000000000000000, 100000000000000000};
  auto draw = [&](bool mayBeZero) {
    const int64_t m = magnitudes[random() % 9];
    int64_t v = int64_t(random() % uint64_t(m)) + (mayBeZero ? 0 : 1);
    if (random() % 3 == 0) v = v / 10 * 10;  // trailing zeros
    return random() % 4 == 0 ? -v : v;
  };
  int compared = 0, failures = 0;
  for (int i = 0; i < 200000; ++i) {
    const int64_t total = draw(false), weight = random() % 5 == 0 ? total : draw(true), amount = draw(true);
    const int ws = int(2 + random() % 2), as = int(2 + random() % 2);
    std::string slow, fast;
    int64_t s = 0, f = 0;
    try {
      s = ShareByNumerics(total, weight, amount, ws, as);
    } catch (const eNumericException& e) {
      slow = e.what();
    }
    try {
      f = ShareFast(total, weight, amount, ws, as);
    } catch (const eNumericException& e) {
      fast = e.what();
    }
    ++compared;
    if ((s != f || slow != fast) && ++failures < 10)
      ADD_FAILURE() << total << " " << weight << " " << amount << " scales " << ws << "/" << as << ": " << s
                    << slow << " vs " << f << fast;
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(compared, 200000);
}

// Shares whose exact value lies just below a half of the last kopeck (or
// tenth of a kopeck): the decimal arithmetic rounds twice and carries such a
// share up; the quick way must do the same.
TEST(Share, QuickWayRoundsNearHalvesAsTheDecimalArithmetic) {
  std::mt19937_64 random(11);
  // x^-1 mod m by the extended Euclidean algorithm (gcd(x, m) = 1).
  auto inverse = [](int64_t x, int64_t m) {
    int64_t a = x % m, b = m, u = 1, v = 0;
    while (b != 0) {
      const int64_t t = a / b;
      a -= t * b;
      std::swap(a, b);
      u -= t * v;
      std::swap(u, v);
    }
    return (u % m + m) % m;
  };
  // a × b mod m without a 128-bit product (m below 2^41).
  auto MulMod = [](int64_t a, int64_t b, int64_t m) {
    int64_t r = 0;
    for (a %= m; b > 0; b >>= 1, a = a * 2 % m)
      if (b & 1) r = (r + a) % m;
    return r;
  };
  int compared = 0, failures = 0;
  for (int i = 0; i < 20000; ++i) {
    const int ws = int(2 + random() % 2), as = int(2 + random() % 2);
    // An odd total not divisible by 5, from about 10^6 to 10^12.
    int64_t total = int64_t(1000000 + random() % 1000000000000);
    total |= 1;
    if (total % 5 == 0) total += 2;
    const int64_t weight = 1 + int64_t(random() % 1000);
    const int64_t scale = ws == 2 ? 100 : 1000;
    if (std::gcd(weight * scale, total) != 1) continue;
    // amount × weight × 10^ws ≡ (total − 1) / 2: the fraction is a half less
    // 1 / (2 × total).
    int64_t amount = MulMod((total - 1) / 2, inverse(weight * scale % total, total), total);
    if (random() % 2 == 0) amount = -amount;
    const int64_t s = ShareByNumerics(total, weight, amount, ws, as);
    const int64_t f = ShareFast(total, weight, amount, ws, as);
    ++compared;
    if (s != f && ++failures < 10)
      ADD_FAILURE() << total << " " << weight << " " << amount << " scales " << ws << "/" << as << ": " << s
                    << " vs " << f;
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(compared, 5000);
}
