// Typed values and their text forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "xml/simplexml.h"

namespace {

TEST(XmlValues, TextOfEveryType) {
  EXPECT_EQ(TXmlValue().Text(), "{{null}}");
  EXPECT_EQ(TXmlValue::Int(INT64_MIN).Text(), "-9223372036854775808");
  EXPECT_EQ(TXmlValue::UInt(UINT64_MAX).Text(), "18446744073709551615");
  EXPECT_EQ(TXmlValue::Double(0.1).Text(), "0.1");
  EXPECT_EQ(TXmlValue::Double(-2.5e-7).Text(), "-2.5e-07");
  EXPECT_EQ(TXmlValue::Double(100).Text(), "100");
  EXPECT_EQ(TXmlValue::Single(0.1f).Text(), "0.1");
  EXPECT_EQ(TXmlValue::Double(std::nan("")).Text(), "NAN");
  EXPECT_EQ(TXmlValue::Currency(125000).Text(), "12.5");
  EXPECT_EQ(TXmlValue::Currency(-10001).Text(), "-1.0001");
  EXPECT_EQ(TXmlValue::Currency(30000).Text(), "3");
  EXPECT_EQ(TXmlValue::Boolean(true).Text(), "1");
  EXPECT_EQ(TXmlValue::Boolean(false).Text(), "0");
  EXPECT_EQ(TXmlValue::String("as is").Text(), "as is");
  EXPECT_EQ(TXmlValue::Bytes("AB").Text(), "QUI=");
  EXPECT_EQ(TXmlValue::Wide(u"\u0401").Text(65001), "\xD0\x81");
  EXPECT_EQ(TXmlValue::Wide(u"\u0401").Text(1251), "\xA8");
  EXPECT_EQ(TXmlValue::Wide(u"\u0401").Text(866), "\xF0");
}

TEST(XmlValues, DateTexts) {
  EXPECT_EQ(TXmlValue::Date(tXmlDateTime::Encode(2024, 12, 31, 23, 59, 59, 999)).Text(), "2024-12-31T23:59:59");
  EXPECT_EQ(TXmlValue::Date(tXmlDateTime::Encode(1, 1, 1)).Text(), "0001-01-01T00:00:00");
  EXPECT_EQ(TXmlValue::Date(tXmlDateTime::Encode(1899, 12, 29, 6)).Text(), "1899-12-29T06:00:00");
  EXPECT_EQ(TXmlValue::Date({0}).Text(), "1899-12-30T00:00:00");
  EXPECT_EQ(TXmlValue::Date({45351.5}).Text(), "2024-02-29T12:00:00");
  EXPECT_EQ(TXmlValue::Date({1e12}).Text(), "*** ERROR !!! ***");
  EXPECT_EQ(TXmlValue::Date({std::numeric_limits<double>::quiet_NaN()}).Text(), "*** ERROR !!! ***");
  EXPECT_THROW(tXmlDateTime::Encode(2023, 2, 29), SimpleXMLException);
  EXPECT_THROW(tXmlDateTime::EncodeTime(24, 0, 0), SimpleXMLException);
}

TEST(XmlValues, DateRoundTripsThroughItsParts) {
  for (int year : {1, 1600, 1899, 1900, 2000, 2024, 9999})
    for (int month : {1, 2, 12}) {
      tXmlDateTime value = tXmlDateTime::Encode(year, month, 28, 13, 14, 15, 16);
      int y, mo, d, h, mi, s, ms;
      ASSERT_TRUE(value.Decode(y, mo, d, h, mi, s, ms));
      EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}), (std::vector<int>{year, month, 28, 13, 14, 15, 16}));
    }
}

TEST(XmlValues, ZoneSuffix) {
  std::string text = XmlDateTimeWithZone(tXmlDateTime::Encode(2024, 5, 6, 7, 8, 9));
  ASSERT_EQ(text.size(), 25u) << text;
  EXPECT_EQ(text.substr(0, 19), "2024-05-06T07:08:09");
  EXPECT_TRUE(text[19] == '+' || text[19] == '-');
  EXPECT_EQ(text[22], ':');
}

}  // namespace
