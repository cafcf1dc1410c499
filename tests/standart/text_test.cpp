// The shared text helpers: trimming and decimal numbers.
#include <gtest/gtest.h>

#include "standart/text.h"

TEST(Trim, DropsBlanksAndControlCharactersAtBothEndsOnly) {
  EXPECT_EQ(Trim(" \t\r\n 57 \r\n"), "57");
  EXPECT_EQ(Trim("a b"), "a b");
  EXPECT_EQ(Trim(std::string("\x01x\x1f", 3)), "x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // bytes above the space stay
}

TEST(ParseDecimal, TakesTheWholeInt32RangeWithAnOptionalSign) {
  int32_t value = 0;
  EXPECT_TRUE(ParseDecimal("-2147483648", value));
  EXPECT_EQ(value, INT32_MIN);
  EXPECT_TRUE(ParseDecimal("2147483647", value));
  EXPECT_EQ(value, INT32_MAX);
  EXPECT_TRUE(ParseDecimal("+57", value));
  EXPECT_EQ(value, 57);
  EXPECT_TRUE(ParseDecimal("007", value));
  EXPECT_EQ(value, 7);
}

TEST(ParseDecimal, RefusesAnythingElseAndKeepsTheValue) {
  int32_t value = 12;
  for (const char* text : {"", "-", "+", " 5", "5 ", "2147483648", "-2147483649", "1e3", "0x10", "5-", "99999999999"})
    EXPECT_FALSE(ParseDecimal(text, value)) << text;
  EXPECT_EQ(value, 12);
}
