// Number conversions with a default and bytes as hexadecimal text.
#include <gtest/gtest.h>

#include "common/zef_str_utils.h"

namespace {

TEST(TextToInt, DecimalHexadecimalAndTheDefault) {
  EXPECT_EQ(TZef_StrUtils::TextToInt("42", -1), 42);
  EXPECT_EQ(TZef_StrUtils::TextToInt("  -7", 0), -7) << "leading blanks are allowed";
  EXPECT_EQ(TZef_StrUtils::TextToInt("+3", 0), 3);
  EXPECT_EQ(TZef_StrUtils::TextToInt("$1F", 0), 31);
  EXPECT_EQ(TZef_StrUtils::TextToInt("0x10", 0), 16);
  EXPECT_EQ(TZef_StrUtils::TextToInt("$FFFFFFFF", 0), -1) << "the bit pattern of the type";
  for (const char* bad : {"", " ", "-", "12a", "3 ", "0x", "$", "abc", "2147483648", "1.5"})
    EXPECT_EQ(TZef_StrUtils::TextToInt(bad, -9), -9) << bad;
  EXPECT_EQ(TZef_StrUtils::TextToInt("2147483647", 0), 2147483647);
  EXPECT_EQ(TZef_StrUtils::TextToInt("-2147483648", 0), INT32_MIN);
  EXPECT_EQ(TZef_StrUtils::TextToInt64("999999999999", -1), 999999999999LL);
  EXPECT_EQ(TZef_StrUtils::TextToInt64("-9223372036854775808", 0), INT64_MIN);
  EXPECT_EQ(TZef_StrUtils::TextToInt64("9223372036854775808", -1), -1);
}

TEST(BytesToHex, PlainAndReversedOrder) {
  const uint8_t bytes[] = {0x1B, 0x40, 0x0A, 0xFF};
  EXPECT_EQ(TZef_StrUtils::BytesToHex(bytes, 4), "1B400AFF");
  EXPECT_EQ(TZef_StrUtils::BytesToHex(bytes, 4, true), "FF0A401B");
  EXPECT_EQ(TZef_StrUtils::BytesToHex(bytes, 0), "");
}

}  // namespace
