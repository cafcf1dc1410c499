#include <gtest/gtest.h>

#include "standart/format.h"

TEST(Format, PlaceholdersAsMessagesUseThem) {
  EXPECT_EQ(Fmt("Prn %d. Printing %d bytes.", 1, 20), "Prn 1. Printing 20 bytes.");
  EXPECT_EQ(Fmt("Host DLL %s loading error %d", "port.dll", 126), "Host DLL port.dll loading error 126");
  EXPECT_EQ(Fmt("%x/%X/%.8X", 255, 255, 0xABC), "ff/FF/00000ABC");
  EXPECT_EQ(Fmt("%5d|%-5d|%.3d", 42, 42, 7), "   42|42   |007");
  EXPECT_EQ(Fmt("%.2f %s", 3.14159, "pi"), "3.14 pi");
  EXPECT_EQ(Fmt("%u", -1), "4294967295");
  EXPECT_EQ(Fmt("100%%"), "100%");
  EXPECT_EQ(Fmt("%.3s", "abcdef"), "abc");
  EXPECT_EQ(Fmt("%d", int64_t(-9223372036854775807LL - 1)), "-9223372036854775808");
}

TEST(Format, MismatchesRaise) {
  EXPECT_THROW(Fmt("%d", "text"), EFormatError);
  EXPECT_THROW(Fmt("%s", 5), EFormatError);
  EXPECT_THROW(Fmt("%d %d", 5), EFormatError);
  EXPECT_THROW(Fmt("%", 5), EFormatError);
  EXPECT_THROW(Fmt("%q", 5), EFormatError);
}
