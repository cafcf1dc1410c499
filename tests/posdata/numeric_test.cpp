// Fixed-point arithmetic: rounding modes, scaling, products and quotients.
#include <gtest/gtest.h>

#include <functional>

#include "posdata/numeric.h"

namespace {

TNumeric Num(int64_t value, uint8_t scale, uint8_t mode = 0) { return TNumeric{value, scale, mode}; }

std::string RaisedMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const eNumericException& e) {
    return e.what();
  }
  return "";
}

TEST(RoundDiv, ModesOnTiesAndRemainders) {
  EXPECT_EQ(TNumeric::RoundDiv(0, 10, 25), 3);
  EXPECT_EQ(TNumeric::RoundDiv(0, 10, -25), -3);
  EXPECT_EQ(TNumeric::RoundDiv(1, 10, 25), 2);
  EXPECT_EQ(TNumeric::RoundDiv(4, 10, 29), 2);
  EXPECT_EQ(TNumeric::RoundDiv(3, 10, 21), 3);
  EXPECT_EQ(TNumeric::RoundDiv(5, 10, 25), 2);
  EXPECT_EQ(TNumeric::RoundDiv(5, 10, 35), 4);
  EXPECT_EQ(TNumeric::RoundDiv(5, 10, -35), -4);
  EXPECT_EQ(TNumeric::RoundDiv(3, -10, 21), -3);
  EXPECT_EQ(TNumeric::RoundDiv(1, 10, 26), 3);   // not a tie: nearest
  EXPECT_EQ(TNumeric::RoundDiv(77, 10, 25), 2);  // unknown modes act as mode 1
  EXPECT_EQ(TNumeric::RoundDiv(0, -10, -25), 3);
}

TEST(RoundDiv, HalfRandomOnlyChoosesOnTies) {
  int away = 0;
  for (int i = 0; i < 200; ++i) {
    const int64_t q = TNumeric::RoundDiv(2, 10, 25);
    ASSERT_TRUE(q == 2 || q == 3);
    away += q == 3;
    EXPECT_EQ(TNumeric::RoundDiv(2, 10, 26), 3);
    EXPECT_EQ(TNumeric::RoundDiv(2, 10, 24), 2);
  }
  EXPECT_GT(away, 0);
  EXPECT_LT(away, 200);
}

TEST(RoundDiv, LimitsOfTheRange) {
  EXPECT_EQ(TNumeric::RoundDiv(0, INT64_MIN, INT64_MIN), 1);
  EXPECT_EQ(TNumeric::RoundDiv(0, 2, INT64_MIN), INT64_MIN / 2);
  EXPECT_EQ(TNumeric::RoundDiv(0, INT64_MAX, INT64_MIN), -1);
  EXPECT_EQ(TNumeric::RoundDiv(0, 3, INT64_MAX), 3074457345618258602);
  EXPECT_EQ(TNumeric::RoundDiv(0, -1, INT64_MAX), -INT64_MAX);
  EXPECT_EQ(RaisedMessage([] { TNumeric::RoundDiv(0, -1, INT64_MIN); }), "MulNum: Int64 overflow");
  EXPECT_EQ(RaisedMessage([] { TNumeric::RoundDiv(0, 0, 5); }), "Division by zero");
}

TEST(Numeric, InitAndPow10) {
  const TNumeric n = TNumeric::Init(4, 5);
  EXPECT_EQ(n.Value, 0);
  EXPECT_EQ(n.Scale, 4);
  EXPECT_EQ(n.RoundMode, 5);
  EXPECT_EQ(TNumeric::Pow10(0), 1);
  EXPECT_EQ(TNumeric::Pow10(18), 1000000000000000000);
}

TEST(Numeric, SetScaleBothWays) {
  TNumeric x = Num(12345, 3);
  x.SetScale(2);
  EXPECT_EQ(x.Value, 1235);
  EXPECT_EQ(x.Scale, 2);
  TNumeric y = Num(1234, 2);
  y.SetScale(4);
  EXPECT_EQ(y.Value, 123400);
  TNumeric zero = Num(0, 2);
  zero.SetScale(200);  // no digits to move: no overflow
  EXPECT_EQ(zero.Scale, 200);
  TNumeric big = Num(INT64_MAX / 10, 0);
  EXPECT_EQ(RaisedMessage([&] { big.SetScale(1); }), "MulNum: Int64 overflow");
  EXPECT_EQ(big.Value, INT64_MAX / 10);  // unchanged by the failure
  EXPECT_EQ(big.Scale, 0);
  TNumeric far = Num(-9, 30);
  far.SetScale(0);
  EXPECT_EQ(far.Value, 0);
}

TEST(Numeric, MulRoundsAtTheLeftScale) {
  TNumeric x = Num(1234, 2);
  x.Mul(Num(1500, 3));
  EXPECT_EQ(x.Value, 1851);
  TNumeric up = Num(1235, 2, 0);
  up.Mul(Num(1500, 3));
  EXPECT_EQ(up.Value, 1853);
  TNumeric down = Num(1235, 2, 1);
  down.Mul(Num(1500, 3));
  EXPECT_EQ(down.Value, 1852);
}

TEST(Numeric, MulShortensLongOperands) {
  TNumeric x = Num(12345000000000000, 2);
  x.Mul(Num(1234, 6));
  EXPECT_EQ(x.Value, 15233730000000);
  EXPECT_EQ(x.Scale, 2);
  // y loses decimals (rounded half away from zero) until the product fits.
  TNumeric a = Num(1000000007, 0);
  a.Mul(Num(123456789012345, 12));
  // 1000000007 x 123.456789012345 is 123456789876.54; y keeps 7 of its 12
  // decimals, so the product is 1000000007 x 123.4567890 = 123456789864.20.
  EXPECT_EQ(a.Value, 123456789864);
}

TEST(Numeric, MulOverflowLeavesTheOperandAlone) {
  TNumeric x = Num(INT64_MAX / 3, 0);
  EXPECT_EQ(RaisedMessage([&] { x.Mul(Num(4, 0)); }), "MulNum: Int64 overflow");
  EXPECT_EQ(x.Value, INT64_MAX / 3);
  TNumeric y = Num(1LL << 40, 0);
  EXPECT_EQ(RaisedMessage([&] { y.Mul(Num(1LL << 30, 2)); }), "MulNum: Int64 overflow");
}

TEST(Numeric, DivFormsTheQuotientWithSpareDigits) {
  TNumeric third = Num(100, 2);
  third.Div(Num(3, 0));
  EXPECT_EQ(third.Value, 33);
  TNumeric twoThirds = Num(200, 2);
  twoThirds.Div(Num(3, 0));
  EXPECT_EQ(twoThirds.Value, 67);
  TNumeric negative = Num(-200, 2);
  negative.Div(Num(3, 0));
  EXPECT_EQ(negative.Value, -67);
  TNumeric zero = Num(0, 2);
  zero.Div(Num(7, 1));
  EXPECT_EQ(zero.Value, 0);
  TNumeric byTenth = Num(100, 2);
  byTenth.Div(Num(1, 1));
  EXPECT_EQ(byTenth.Value, 1000);
}

TEST(Numeric, DivFailures) {
  TNumeric x = Num(5, 2);
  EXPECT_EQ(RaisedMessage([&] { x.Div(Num(0, 3)); }), "Division by zero");
  EXPECT_EQ(x.Value, 5);
  TNumeric big = Num(INT64_MAX, 0);
  EXPECT_EQ(RaisedMessage([&] { big.Div(Num(1, 6)); }), "MulNum: Int64 overflow");
  EXPECT_EQ(big.Value, INT64_MAX);
  TNumeric min = Num(INT64_MIN, 0);
  EXPECT_EQ(RaisedMessage([&] { min.Div(Num(-1, 0)); }), "MulNum: Int64 overflow");
}

TEST(Numeric, AddAndAssignRescaleTheRightOperand) {
  TNumeric x = Num(100, 2);
  x.Add(Num(12345, 3));
  EXPECT_EQ(x.Value, 1335);
  x.Assign(Num(-5, 3));
  EXPECT_EQ(x.Value, -1);  // -0.005 half away from zero
  TNumeric t = Num(7, 2, 4);
  t.Assign(Num(-5, 3));
  EXPECT_EQ(t.Value, 0);
  TNumeric up = Num(1, 0);
  EXPECT_EQ(RaisedMessage([&] { up.Add(TNumeric{INT64_MAX / 5, 200, 0}); }), "");
  EXPECT_EQ(up.Value, 1);
  EXPECT_EQ(RaisedMessage([&] { up.Add(Num(INT64_MAX / 5, 0)), up.Add(Num(1, 0)); }), "");
  TNumeric wide = Num(1, 3);
  EXPECT_EQ(RaisedMessage([&] { wide.Add(Num(INT64_MAX / 100, 0)); }), "MulNum: Int64 overflow");
  EXPECT_EQ(wide.Value, 1);
}

TEST(Numeric, BitLengths) {
  EXPECT_EQ(BitLength(0), 0);
  EXPECT_EQ(BitLength(1), 1);
  EXPECT_EQ(BitLength(-1), 1);
  EXPECT_EQ(BitLength(INT64_MIN), 64);
  EXPECT_EQ(BitLength(INT64_MAX), 63);
  EXPECT_TRUE(MayOverflow(INT64_MAX, 1));
  EXPECT_FALSE(MayOverflow(INT64_MAX, 0));
  EXPECT_TRUE(MayOverflow(INT64_MIN, 1));
  EXPECT_TRUE(MayOverflow(1LL << 31, 1LL << 31));
  EXPECT_FALSE(MayOverflow((1LL << 31) - 1, (1LL << 32) - 1));
}

}  // namespace
