// Typed values: conversions, decimal text, money rounding and the value
// encoding of the records.
#include <gtest/gtest.h>

#include "posdata/pddatetime.h"
#include "posdata/pderrors.h"
#include "posdata/pdlocale.h"
#include "posdata/varstream.h"
#include "posdata/vartype.h"

namespace {

VarType Frac(int64_t f) { VarType v; v.SetFrac(f); return v; }
VarType Int(int64_t i) { VarType v; v.SetInteger(i); return v; }
VarType Str(const std::string& s) { VarType v; v.SetString(s); return v; }
VarType Float(double d) { VarType v; v.SetFloatBits(d); return v; }
VarType Ms(int64_t ms) { VarType v; v.SetDateTimeMs(ms); return v; }

// Restores the locale settings a test changes.
class LocaleGuard {
 public:
  LocaleGuard() : saved_(PDFormatSettings()) {}
  ~LocaleGuard() { PDFormatSettings() = saved_; }
 private:
  TPDFormatSettings saved_;
};

TEST(FormatFrac, TwoToFourDecimalsRoundedAtTheFourth) {
  EXPECT_EQ(Frac(1500000).AsString(), "1.50");
  EXPECT_EQ(Frac(1234560).AsString(), "1.2346");
  EXPECT_EQ(Frac(0).AsString(), "0.00");
  EXPECT_EQ(Frac(-1234550).AsString(), "-1.2346");  // half away from zero
  EXPECT_EQ(Frac(-40).AsString(), "0.00");          // no sign on a rounded zero
  EXPECT_EQ(Frac(INT64_MIN).AsString(), "-9223372036854.7758");
  EXPECT_EQ(Frac(1999999).FormatFrac(0), "2");
  EXPECT_EQ(Frac(1250000).FormatFrac(1), "1.3");
  EXPECT_EQ(Frac(1000001).FormatFrac(6), "1.000001");
  EXPECT_EQ(Frac(1000001).FormatFrac(9), "1.000001");
}

TEST(FormatFrac, UsesTheLocaleSeparator) {
  LocaleGuard guard;
  PDFormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Frac(1234560).AsString(), "1,2346");
  EXPECT_EQ(Float(2.5).AsString(), "2,5");
}

TEST(StrToFrac, DecimalTexts) {
  EXPECT_EQ(StrToFrac("1.5"), 1500000);
  EXPECT_EQ(StrToFrac("2"), 2000000);
  EXPECT_EQ(StrToFrac(".75"), 750000);
  EXPECT_EQ(StrToFrac("1.1234567"), 1123456);  // dropped, not rounded
  EXPECT_EQ(StrToFrac("abc"), 0);
  EXPECT_EQ(StrToFrac("-1.5"), -1500000);
  EXPECT_EQ(StrToFrac("-0.25"), -250000);
  EXPECT_EQ(StrToFrac("  -0.25"), -250000);
  EXPECT_EQ(StrToFrac("3.x"), 3000000);     // invalid fraction: whole part only
  EXPECT_EQ(StrToFrac("abc.5"), 500000);    // invalid whole part counts as 0
  EXPECT_EQ(StrToFrac("1.5 "), 1500000);
  EXPECT_EQ(StrToFrac(""), 0);
}

TEST(StrToFrac, OutOfRangeWholePartCountsAsInvalid) {
  EXPECT_EQ(StrToFrac("9223372036854"), 9223372036854000000);
  EXPECT_EQ(StrToFrac("9223372036855"), 0);
  EXPECT_EQ(StrToFrac("9223372036854.999999"), 0);  // beyond 64 bits with its fraction
  EXPECT_EQ(StrToFrac("99999999999999999999"), 0);
}

TEST(StrToFrac, LocaleSeparators) {
  LocaleGuard guard;
  PDFormatSettings().DecimalSeparator = ',';
  PDFormatSettings().ThousandSeparator = ' ';
  EXPECT_EQ(StrToFrac("1,25"), 1250000);
  EXPECT_EQ(StrToFrac("1.25"), 1250000);  // "." still accepted
  PDFormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(StrToFrac("1.25"), 0);        // "." is a thousands separator here
}

TEST(Readers, IntegerOfFracTruncatesTowardZero) {
  EXPECT_EQ(Frac(2999999).AsInt64(), 2);
  EXPECT_EQ(Frac(-2999999).AsInt64(), -2);
}

TEST(Readers, HundredthsAndThousandthsHalfAwayFromZero) {
  EXPECT_EQ(AsHundredths(Frac(1005000)), 101);
  EXPECT_EQ(AsHundredths(Frac(-1005000)), -101);
  EXPECT_EQ(AsHundredths(Frac(1004999)), 100);
  EXPECT_EQ(AsHundredths(Frac(INT64_MAX)), 922337203685478);  // no overflow near the limit
  EXPECT_EQ(AsHundredths(Frac(INT64_MIN)), -922337203685478);
  EXPECT_EQ(AsThousandths(Frac(1000500)), 1001);
  EXPECT_EQ(AsThousandths(Frac(-1000499)), -1000);
  EXPECT_EQ(AsHundredths(Str("12.345")), 1235);
  EXPECT_EQ(AsHundredths(Int(7)), 700);
}

TEST(Readers, BooleanOfStrings) {
  EXPECT_FALSE(Str("0").AsBoolean());
  EXPECT_TRUE(Str("no").AsBoolean());
  EXPECT_FALSE(Str("").AsBoolean());
  EXPECT_TRUE(Str("true").AsBoolean());
  EXPECT_FALSE(Str("fAlSe").AsBoolean());
  EXPECT_TRUE(Str("00").AsBoolean());
}

TEST(Readers, ConversionTable) {
  VarType none;
  EXPECT_EQ(none.AsString(), "");
  EXPECT_EQ(none.AsInt64(), 0);
  EXPECT_EQ(Int(-42).AsString(), "-42");
  EXPECT_EQ(Int(3).AsFrac(), 3000000);
  EXPECT_EQ(Int(3).AsDateTimeMs(), 0);
  EXPECT_EQ(Float(2.5).AsInt64(), 2);  // ties to even
  EXPECT_EQ(Float(3.5).AsInt64(), 4);
  EXPECT_EQ(Float(0.0000005).AsFrac(), 0);
  EXPECT_EQ(Float(1.25).AsString(), "1.25");
  EXPECT_EQ(Float(1e20).AsString(), "1E20");
  EXPECT_TRUE(Float(-0.5).AsBoolean());
  VarType b;
  b.SetBoolean(true);
  EXPECT_EQ(b.AsString(), "True");
  EXPECT_EQ(b.AsFrac(), 1000000);
  EXPECT_EQ(Ms(MsPerDay * 3 + 5).AsInt64(), 3);
  EXPECT_EQ(Ms(MsPerDay / 2).AsFrac(), 500000);
  EXPECT_EQ(Frac(500000).AsDateTimeMs(), MsPerDay / 2);
  EXPECT_DOUBLE_EQ(Ms(MsPerDay / 4).AsDateTime(), 0.25);
  VarType odd;
  odd.Type = TVarType(9);
  EXPECT_EQ(odd.AsString(), "Error!");
  EXPECT_EQ(odd.AsInt64(), 0);
  EXPECT_FALSE(odd.AsBoolean());
}

TEST(Readers, FailuresRaiseTheirMessages) {
  try {
    Str("12a").AsInt64();
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'12a' is not a valid integer value");
  }
  try {
    Str("31.02.2026").AsDateTimeMs();
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'31.02.2026' is not a valid date and time");
  }
  EXPECT_THROW(Int(INT64_MAX / 100).AsFrac(), EIntOverflow);
  EXPECT_THROW(Float(1e300).AsInt64(), EPDError);
  EXPECT_THROW(Frac(INT64_MAX).AsDateTimeMs(), EIntOverflow);
}

TEST(Setters, FloatIsStoredAsFrac) {
  VarType v;
  v.SetFloat(1.5);
  EXPECT_EQ(v.Type, vtFrac);
  EXPECT_EQ(v.Value, 1500000);
  v.SetFloat(0.0000025);  // ties to even
  EXPECT_EQ(v.Value, 2);
  v.SetDateTime(1.5);
  EXPECT_EQ(v.Type, vtDateTime);
  EXPECT_EQ(v.Value, MsPerDay + MsPerDay / 2);
  v.SetString("x");
  EXPECT_EQ(v.Value, 0);
  v.SetString(v.Str);  // its own text
  EXPECT_EQ(v.Str, "x");
}

TEST(DateTime, TextBothWays) {
  int64_t ms = 0;
  ASSERT_TRUE(EncodeDateTimeMs(2026, 12, 9, 15, 30, 5, 0, ms));
  EXPECT_EQ(Ms(ms).AsString(), "09.12.2026 15:30:05");
  ASSERT_TRUE(EncodeDateTimeMs(2026, 12, 9, 0, 0, 0, 0, ms));
  EXPECT_EQ(Ms(ms).AsString(), "09.12.2026");
  EXPECT_EQ(Ms(0).AsString(), "30.12.1899");
  EXPECT_EQ(Ms(-MsPerDay - MsPerDay / 4).AsString(), "29.12.1899 6:00:00");
  EXPECT_EQ(Str("09.12.2026 15:30:05").AsDateTimeMs(), ms + (15 * 3600 + 30 * 60 + 5) * 1000);
  EXPECT_EQ(Str("29.12.1899 06:00").AsDateTimeMs(), -MsPerDay - MsPerDay / 4);
  EXPECT_EQ(Str("12:00").AsDateTimeMs(), MsPerDay / 2);
  EXPECT_THROW(Str("09.13.2026").AsDateTimeMs(), EConvertError);
  EXPECT_THROW(Str("").AsDateTimeMs(), EConvertError);
  EXPECT_FALSE(EncodeDateTimeMs(2025, 2, 29, 0, 0, 0, 0, ms));
}

std::string Encoded(const VarType& v) {
  TPDWriteStream out;
  WriteValue(out, v);
  return out.Data();
}

VarType Decoded(const std::string& bytes) {
  TPDReadStream in(bytes.data(), bytes.size());
  VarType v = ReadValue(in);
  EXPECT_EQ(in.Remaining(), 0u);
  return v;
}

TEST(ValueEncoding, LongStringsUseTagSeven) {
  const std::string text(300, 'x');
  const std::string bytes = Encoded(Str(text));
  ASSERT_EQ(bytes.size(), 1 + 4 + 300u);
  EXPECT_EQ(bytes[0], 7);
  const VarType back = Decoded(bytes);
  EXPECT_EQ(back.Type, vtString);
  EXPECT_EQ(back.Str, text);
  EXPECT_EQ(Encoded(Str(std::string(255, 'y')))[0], 1);
}

TEST(ValueEncoding, IntegersKeepTheirLow32Bits) {
  EXPECT_EQ(Decoded(Encoded(Int(2147483648LL))).Value, -2147483648LL);
  EXPECT_EQ(Decoded(Encoded(Int(0x1234567890LL))).Value, 0x34567890LL);
  EXPECT_EQ(Decoded(Encoded(Int(-5))).Value, -5);
}

TEST(ValueEncoding, ExactBytes) {
  EXPECT_EQ(Encoded(Frac(1500000)), std::string("\x05\x60\xE3\x16\x00\x00\x00\x00\x00", 9));
  EXPECT_EQ(Encoded(Str("ab")), std::string("\x01\x02" "ab", 4));
  VarType b;
  b.SetBoolean(true);
  EXPECT_EQ(Encoded(b), std::string("\x04\x01", 2));
  EXPECT_EQ(Encoded(VarType()), std::string("\x00", 1));
  EXPECT_EQ(Decoded(std::string("\x04\xFF", 2)).Value, 255);  // zero-extended
  const VarType odd = Decoded(std::string("\x2A", 1));         // unknown tag, no payload
  EXPECT_EQ(odd.Type, 42);
  EXPECT_EQ(Encoded(odd), std::string("\x2A", 1));
  EXPECT_EQ(Decoded(Encoded(Float(-2.75))).FloatPayload(), -2.75);
  EXPECT_EQ(Decoded(Encoded(Ms(-123456789))).Value, -123456789);
}

TEST(ValueEncoding, TruncatedValuesRaiseTheReadError) {
  for (const std::string& bytes : {std::string("\x01\x05" "ab", 4), std::string("\x02\x01", 2),
                                   std::string("\x05\x01\x02", 3), std::string("\x07\xFF\xFF\xFF\xFF", 5),
                                   std::string()}) {
    TPDReadStream in(bytes.data(), bytes.size());
    try {
      ReadValue(in);
      FAIL() << "no error";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error");
    }
  }
}

}  // namespace
