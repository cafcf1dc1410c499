// The arithmetic of the clock check, the tax rates and the Z-report counters.
#include <gtest/gtest.h>

#include "io/printer/zefor/day/zef_clock.h"
#include "io/printer/zefor/day/zef_taxes.h"
#include "io/printer/zefor/day/zef_zreport.h"

namespace {

using ZefClock::tMoment;

constexpr int32_t kSecond = 1000;
constexpr int32_t kMidnight = 0;
constexpr int32_t kLastSecond = 86399 * kSecond;

TEST(ClockDifference, AcrossMidnightBothWays) {
  const tMoment before{45000, kLastSecond - 29 * kSecond};  // 23:59:30
  const tMoment after{45001, kMidnight + 31 * kSecond};     // 00:00:31 the next day
  EXPECT_EQ(ZefClock::DifferenceSeconds(before, after), 61);
  EXPECT_EQ(ZefClock::DifferenceSeconds(after, before), 61);
  EXPECT_TRUE(ZefClock::Earlier(before, after));
  EXPECT_FALSE(ZefClock::Earlier(after, before));
}

TEST(ClockDifference, TruncatesToWholeSecondsAndCountsTimeAboveADay) {
  EXPECT_EQ(ZefClock::DifferenceSeconds({45000, 1000}, {45000, 60999}), 59);
  EXPECT_EQ(ZefClock::DifferenceSeconds({45000, 0}, {45000, 60000}), 60);
  EXPECT_EQ(ZefClock::DifferenceSeconds({45000, 86400000 + 5000}, {45001, 0}), 5);
}

TEST(EffectiveRate, GrossRatesBecomeNetRatesRoundedHalfUp) {
  int64_t value = 0;
  ASSERT_TRUE(ZefTaxes::EffectiveRate(1800, true, value));
  EXPECT_EQ(value, 2195);
  ASSERT_TRUE(ZefTaxes::EffectiveRate(1000, true, value));
  EXPECT_EQ(value, 1111);
  ASSERT_TRUE(ZefTaxes::EffectiveRate(1800, false, value));
  EXPECT_EQ(value, 1800);
  EXPECT_FALSE(ZefTaxes::EffectiveRate(10000, true, value)) << "100 % of the gross amount has no net rate";
}

TEST(CounterValue, HundredthsRoundedHalfToEven) {
  EXPECT_EQ(ZReportData::CounterHundredths("1500.50"), 150050);
  EXPECT_EQ(ZReportData::CounterHundredths("1500,5"), 150050);
  EXPECT_EQ(ZReportData::CounterHundredths("12"), 1200);
  EXPECT_EQ(ZReportData::CounterHundredths("-0.125"), -12);
  EXPECT_EQ(ZReportData::CounterHundredths("0.135"), 14);
  EXPECT_EQ(ZReportData::CounterHundredths("0.1251"), 13);
  EXPECT_THROW(ZReportData::CounterHundredths("1.2.3"), std::exception);
  EXPECT_THROW(ZReportData::CounterHundredths(""), std::exception);
}

}  // namespace
