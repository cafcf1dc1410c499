// Code pages both ways: the portable tables of the platform layer against
// the system's own converters (Windows' on Windows, iconv on POSIX), so that
// the adapter writes the same bytes on both sides.
#include <gtest/gtest.h>

#include "os_reference.h"
#include "platform/codepage.h"

using namespace platform;

namespace {

std::string Hex(uint32_t value) {
  char text[16];
  snprintf(text, sizeof text, "%04X", value);
  return text;
}

class SingleByteCodePage : public ::testing::TestWithParam<uint32_t> {};

TEST_P(SingleByteCodePage, EveryByteReadsAsTheSystemReadsItAndWritesBack) {
  const uint32_t codePage = GetParam();
  ASSERT_TRUE(HasCodePageTable(codePage));
  std::string all;
  std::u16string allWide;
  int unassigned = 0;
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, char(b));
    const std::u16string ours = SingleByteToWide(codePage, byte);
    ASSERT_EQ(ours.size(), 1u) << "byte " << b;
    std::u16string system;
    if (os_reference::BytesToWide(codePage, byte, false, system)) {
      EXPECT_EQ(Hex(ours[0]), Hex(system.at(0))) << codePage << " byte " << Hex(b);
    } else {
      // iconv refuses the bytes the code page leaves unassigned; Windows, and
      // this layer, read them as U+0080..U+00FF of the same value.
      EXPECT_EQ(Hex(ours[0]), Hex(b)) << codePage << " unassigned byte " << Hex(b);
      ++unassigned;
    }
    EXPECT_EQ(WideToSingleByte(codePage, ours), byte) << codePage << " back from U+" << Hex(ours[0]);
    all += byte;
    allWide += ours;
  }
  EXPECT_LE(unassigned, 10) << "the system knows code page " << codePage << " only in part";
  EXPECT_EQ(SingleByteToWide(codePage, all), allWide);
  EXPECT_EQ(WideToSingleByte(codePage, allWide), all);
}

TEST_P(SingleByteCodePage, CharactersWithoutAnExactByteBecomeQuestionMarks) {
  const uint32_t codePage = GetParam();
  int exact = 0, replaced = 0;
  for (uint32_t c = 0x80; c < 0x2600; ++c) {  // up to the box drawing of 866
#ifndef _WIN32
    if (codePage == 1258 && c >= 0x300 && c < 0x370) continue;  // iconv composes the combining marks
#endif
    const std::u16string one(1, char16_t(c));
    const std::string ours = WideToSingleByte(codePage, one);
    std::string system;
    if (os_reference::WideToBytes(codePage, one, system) && system.size() == 1) {
      EXPECT_EQ(ours, system) << codePage << " U+" << Hex(c);
      ++exact;
    } else if (c <= 0xFF && ours == std::string(1, char(c)) && SingleByteToWide(codePage, ours) == one) {
      ++exact;  // an unassigned byte's own character (iconv does not know it)
    } else {
      EXPECT_EQ(ours, "?") << codePage << " U+" << Hex(c);
      ++replaced;
    }
  }
  EXPECT_GE(exact, 100);
  EXPECT_GT(replaced, 5000);
}

INSTANTIATE_TEST_SUITE_P(Pos, SingleByteCodePage, ::testing::Values(866u, 1251u, 1252u, 1258u),
                         [](const ::testing::TestParamInfo<uint32_t>& info) {
                           return "CodePage" + std::to_string(info.param);
                         });

// Every character of the basic plane (but the surrogates) and a few above it.
std::u16string ManyCharacters() {
  std::u16string text;
  for (uint32_t c = 1; c < 0x10000; ++c) {
    if (c < 0xD800 || c > 0xDFFF) text += char16_t(c);
  }
  text += u"\U00010000\U0001F600\U0010FFFF";
  return text;
}

TEST(Utf8, BothWaysAsTheSystemConverts) {
  const std::u16string wide = ManyCharacters();
  std::string system;
  ASSERT_TRUE(os_reference::WideToBytes(kCodePageUtf8, wide, system));
  const std::string ours = WideToUtf8(wide);
  EXPECT_EQ(ours.size(), system.size());
  EXPECT_TRUE(ours == system) << "the UTF-8 texts differ";
  EXPECT_TRUE(Utf8ToWide(system) == wide) << "UTF-8 read back differs";
  std::u16string systemWide;
  ASSERT_TRUE(os_reference::BytesToWide(kCodePageUtf8, ours, true, systemWide));
  EXPECT_TRUE(systemWide == wide);
  EXPECT_TRUE(IsValidUtf8(ours));
}

TEST(Utf8, ValidExactlyWhereTheSystemReadsStrictly) {
  const std::string samples[] = {
      "plain", "\xD0\x9A\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0", "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
      "\xF4\x8F\xBF\xBF",   // U+10FFFF
      "\xC0\x80",           // overlong zero
      "\xE0\x80\xAF",       // overlong slash
      "\xED\xA0\x80",       // a surrogate
      "\xF4\x90\x80\x80",   // above U+10FFFF
      "\xE2\x82",           // cut short
      "\x80", "\xFF", "a\xC3", "\xC3\x28"};
  for (const std::string& s : samples) {
    std::u16string ignored;
    EXPECT_EQ(IsValidUtf8(s), os_reference::BytesToWide(kCodePageUtf8, s, true, ignored)) << "sample " << s;
  }
}

TEST(Utf8, MalformedBytesBecomeReplacementCharactersAndTheRestIsKept) {
  EXPECT_EQ(Utf8ToWide("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToWide("\xC0\x80z"), u"\uFFFD\uFFFDz");
  EXPECT_EQ(WideToUtf8(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
}

TEST(SystemCodePage, CodePageZeroIsTheSystemOne) {
  const uint32_t system = SystemCodePage();
  ASSERT_NE(system, 0u);
  const uint32_t table = HasCodePageTable(system) ? system : 1252;
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  EXPECT_EQ(SingleByteToWide(kCodePageSystem, all), SingleByteToWide(table, all));
}

}  // namespace
