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

TEST(ParseDecimalAfterSpaces, SkipsLeadingSpacesOnlyAndTakesTheWholeInt64Range) {
  int64_t value = 0;
  EXPECT_TRUE(ParseDecimalAfterSpaces("-9223372036854775808", value));
  EXPECT_EQ(value, INT64_MIN);
  EXPECT_TRUE(ParseDecimalAfterSpaces("9223372036854775807", value));
  EXPECT_EQ(value, INT64_MAX);
  EXPECT_FALSE(ParseDecimalAfterSpaces("9223372036854775808", value));
  EXPECT_TRUE(ParseDecimalAfterSpaces("   -42", value));
  EXPECT_EQ(value, -42);
  value = 7;
  for (const char* text : {"\t42", "42 ", "   ", "", "4 2"}) EXPECT_FALSE(ParseDecimalAfterSpaces(text, value)) << text;
  EXPECT_EQ(value, 7);
}

TEST(ParseDigits, TakesNoSign) {
  int32_t value = 0;
  EXPECT_TRUE(ParseDigits("0042", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(ParseDigits("2147483647", value));
  EXPECT_EQ(value, INT32_MAX);
  value = 3;
  for (const char* text : {"+1", "-1", "", "2147483648", "1a"}) EXPECT_FALSE(ParseDigits(text, value)) << text;
  EXPECT_EQ(value, 3);
}

TEST(ParseDecimalOrHex, DecimalOrTheBitPatternOfHexadecimal) {
  int32_t small = 0;
  EXPECT_TRUE(ParseDecimalOrHex(" \t-17", small));
  EXPECT_EQ(small, -17);
  EXPECT_TRUE(ParseDecimalOrHex("$FFFFFFFF", small));
  EXPECT_EQ(small, -1);
  EXPECT_TRUE(ParseDecimalOrHex("0x7f", small));
  EXPECT_EQ(small, 127);
  small = 9;
  for (const char* text : {"$100000000", "2147483648", "0x", "$", "12 ", "0xG"})
    EXPECT_FALSE(ParseDecimalOrHex(text, small)) << text;
  EXPECT_EQ(small, 9);
  int64_t large = 0;
  EXPECT_TRUE(ParseDecimalOrHex("$FFFFFFFFFFFFFFFF", large));
  EXPECT_EQ(large, -1);
  EXPECT_TRUE(ParseDecimalOrHex("4294967296", large));
  EXPECT_EQ(large, 4294967296LL);
}
