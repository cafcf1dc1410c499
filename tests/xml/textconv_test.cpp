// UTF-8 and code-page conversions; the code-page tables against glibc iconv.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <iconv.h>
#endif

#include <cerrno>

#include "platform/codepage.h"
#include "xml/simplexml.h"

namespace {

// The tables against iconv; on Windows the platform tests check them against
// the system's own conversion.
#ifndef _WIN32

// One character through iconv: false when iconv has no mapping for it.
bool IconvConvert(const char* to, const char* from, const std::string& input, std::string& output) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) return false;
  char buffer[16];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  bool ok = result != size_t(-1) && inLeft == 0;
  if (ok) ok = iconv(cd, nullptr, nullptr, &out, &outLeft) != size_t(-1);  // flush
  iconv_close(cd);
  output.assign(buffer, size_t(out - buffer));
  return ok;
}

std::string Utf16Le(char16_t c) { return std::string{char(c & 0xFF), char(c >> 8)}; }

class CodePageTable : public ::testing::TestWithParam<uint32_t> {};

TEST_P(CodePageTable, AgreesWithIconvForEveryByteAndBack) {
  const uint32_t codePage = GetParam();
  const std::string name = "CP" + std::to_string(codePage);
  std::string probe;
  ASSERT_TRUE(IconvConvert("UTF-16LE", name.c_str(), "A", probe)) << "iconv lacks " << name;
  int unassigned = 0;
  for (int b = 0; b < 256; ++b) {
    std::string byte(1, char(b));
    char16_t ours = platform::SingleByteToWide(codePage, byte)[0];
    std::string theirs;
    if (!IconvConvert("UTF-16LE", name.c_str(), byte, theirs)) {
      // Bytes that the code page leaves unassigned map to U+00xx, as on Windows.
      EXPECT_EQ(ours, char16_t(b)) << name << " byte " << b;
      ++unassigned;
    } else {
      ASSERT_EQ(theirs.size(), 2u) << name << " byte " << b;
      EXPECT_EQ(Utf16Le(ours), theirs) << name << " byte " << b;
    }
    EXPECT_EQ(platform::WideToSingleByte(codePage, std::u16string(1, ours)), byte) << name << " back " << b;
  }
  EXPECT_LT(unassigned, 40);
}

TEST_P(CodePageTable, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  const uint32_t codePage = GetParam();
  const std::string name = "CP" + std::to_string(codePage);
  for (char16_t c = 0x80; c < 0x2200; ++c) {
    if (c >= 0x300 && c < 0x370 && codePage == 1258) continue;  // iconv composes these
    std::string theirs;
    bool mapped = IconvConvert(name.c_str(), "UTF-16LE", Utf16Le(c), theirs) && theirs.size() == 1;
    std::string ours = platform::WideToSingleByte(codePage, std::u16string(1, c));
    bool fallback = c <= 0xFF && ours == std::string(1, char(c));  // an unassigned byte's own character
    if (mapped) {
      EXPECT_EQ(ours, theirs) << name << " U+" << std::hex << int(c);
    } else if (!fallback) {
      EXPECT_EQ(ours, "?") << name << " U+" << std::hex << int(c);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllTables, CodePageTable,
                         ::testing::Values(866u, 874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u,
                                           1258u));
#endif

TEST(TextConversions, Utf8AndWide) {
  const std::string utf8 = "A\xD0\x81\xE2\x82\xAC\xF0\x9F\x98\x80";  // A, Ё, €, U+1F600
  const std::u16string wide = u"A\u0401\u20AC\U0001F600";
  EXPECT_EQ(Utf8ToWide(utf8), wide);
  EXPECT_EQ(WideToUtf8(wide), utf8);
  EXPECT_EQ(Utf8ToWide(""), u"");
  EXPECT_EQ(Utf8ToWide("\xC3\x28"), u"\uFFFD(");
  EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));
  for (const char* bad : {"\xC3\x28", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\xFF"})
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

TEST(TextConversions, CharsetsAndLocales) {
  const std::string utf8 = "\xD0\x9F\xD1\x80\xD0\xB8";  // "При"
  EXPECT_EQ(Utf8ToCharset(utf8, 204), "\xCF\xF0\xE8");
  EXPECT_EQ(Utf8ToCharset(utf8, 1), "\xCF\xF0\xE8");  // the system code page here is 1251
  EXPECT_EQ(Utf8ToCharset("", 204), "");
  EXPECT_EQ(Utf8ToCharset("\xC3\xA9", 0), "\xE9");    // ANSI_CHARSET: 1252
  EXPECT_EQ(Utf8ToCharset("\xCE\xB1", 161), "\xE1");  // GREEK_CHARSET: 1253
  EXPECT_EQ(CharsetToUtf8("\xCF\xF0\xE8", 204), utf8);
  EXPECT_EQ(CharsetToUtf8("\xCF\xF0\xE8", 1), utf8);
  EXPECT_EQ(CharsetToUtf8("", 204), "");
  EXPECT_EQ(Utf8ToLocale(utf8, 0x0419), "\xCF\xF0\xE8");
  EXPECT_EQ(Utf8ToLocale("\xC3\xA9", 0x0409), "\xE9");
  EXPECT_EQ(CodePageToUtf8("\x8F", 866), "\xD0\x9F");
  EXPECT_EQ(platform::SystemCodePage(), 1251u);
  EXPECT_EQ(platform::CharsetCodePage(204), 1251u);
  EXPECT_EQ(platform::CharsetCodePage(238), 1250u);
}

TEST(TextConversions, WrongCharset) {
  try {
    Utf8ToCharset("\xC3\x28", 204);
    FAIL() << "no error";
  } catch (const tInterfacedException& e) {
    EXPECT_STREQ(e.what(), "Wrong charset: utf8 is needed (\xC3\x28)");
  }
  EXPECT_THROW(Utf8ToLocale("\xFF", 0x0419), tInterfacedException);
}

TEST(TextConversions, Bom) {
  EXPECT_TRUE(HasUtf8Bom("\xEF\xBB\xBF"));
  EXPECT_TRUE(HasUtf8Bom("\xEF\xBB\xBF<r/>"));
  EXPECT_FALSE(HasUtf8Bom("\xEF\xBB"));
  EXPECT_FALSE(HasUtf8Bom("<r/>"));
}

TEST(TextConversions, EncodingNames) {
  EXPECT_EQ(CodePageOfEncoding("UTF-8"), 65001u);
  EXPECT_EQ(CodePageOfEncoding("utf-8"), 65001u);
  EXPECT_EQ(CodePageOfEncoding("WINDOWS-1251"), 1251u);
  EXPECT_EQ(CodePageOfEncoding("ibm866"), 866u);
  EXPECT_EQ(CodePageOfEncoding("Cp866"), 866u);
  EXPECT_EQ(CodePageOfEncoding("utf8"), 0u);
}

}  // namespace
