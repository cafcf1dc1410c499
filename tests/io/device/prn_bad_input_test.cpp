// Streams the POS should never send: cut off, oversized or malformed.
#include <gtest/gtest.h>

#include "recording_printer.h"

namespace {
const std::string E = "\x1b";
}

TEST(PrnBadInput, StreamsEndingInsideACommand) {
  TRecordingPrinter p;
  for (const std::string& tail : {E, E + "P", E + "P3", E + "T41", E + "W100", E + "P3" + E}) {
    std::string prn = "ab" + tail;
    int32_t position = 0, wait = 0;
    std::string out;
    p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
    EXPECT_EQ(position, int32_t(prn.size()));
    EXPECT_EQ(wait, 0);
    // A parameter closed by the very last byte still runs its command.
    EXPECT_EQ(out, tail == E + "P3" + E ? "ab\r\n\r\n\r\n" : "ab") << "tail size " << tail.size();
  }
}

TEST(PrnBadInput, AnEscapeAsCommandCode) {
  TRecordingPrinter p;
  EXPECT_EQ(Translated(p, E + E + "ab"), "ab");
}

TEST(PrnBadInput, HugeFeedCountsAreBounded) {
  TRecordingPrinter p;
  EXPECT_EQ(Translated(p, E + "P99999999999999999999" + E + ";"), "");
  std::string expected;
  for (int i = 0; i < TSimplePrinter::kMaxFeedLines; ++i) expected += "\r\n";
  EXPECT_EQ(Translated(p, E + "P2147483647" + E + ";"), expected);
}

TEST(PrnBadInput, MegabyteParameter) {
  TRecordingPrinter p;
  std::string hex;
  for (int i = 0; i < 300000; ++i) hex += "41 ";
  std::string out = Translated(p, E + "T" + hex + E + ";x");
  EXPECT_EQ(out.size(), 300001u);
  EXPECT_EQ(out.back(), 'x');
  EXPECT_EQ(Translated(p, E + "P" + std::string(1 << 20, '9') + E + ";y"), "y");
}

TEST(PrnBadInput, LongOutputIsTranslatedInBoundedPieces) {
  TRecordingPrinter p;
  std::string feed = E + "P255" + E + ";";
  std::string prn;
  for (int i = 0; i < 8000; ++i) prn += feed;  // 4 MB of line feeds from 60 KB
  int32_t position = 0, wait = 0;
  std::string out;
  p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
  EXPECT_LT(position, int32_t(prn.size()));
  EXPECT_EQ(position % int32_t(feed.size()), 0);  // stopped between commands
  EXPECT_LE(out.size(), size_t(TSimplePrinter::kMaxTranslateOutput) + 510);

  EXPECT_TRUE(PrintText(p, prn));
  size_t total = 0;
  for (const RecordedCall& c : p.Calls) {
    EXPECT_LE(c.Bytes.size(), size_t(TSimplePrinter::kMaxTranslateOutput) + 510);
    total += c.Bytes.size();
  }
  EXPECT_EQ(total, 8000u * 510u);
  EXPECT_GT(p.Calls.size(), 3u);
}

TEST(PrnBadInput, MegabytesOfText) {
  TRecordingPrinter p;
  std::string prn(6 << 20, 'a');
  for (size_t i = 100; i < prn.size(); i += 100) prn[i] = '\n';
  EXPECT_TRUE(PrintText(p, prn));
  EXPECT_EQ(p.AllBytes(), prn);
}

TEST(PrnBadInput, StartPositionOutsideTheStream) {
  TRecordingPrinter p;
  std::string prn = "abc";
  int32_t position = -5, wait = 0;
  std::string out;
  p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), 3, position, wait, out);
  EXPECT_EQ(out, "abc");
  position = 10;
  p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), 3, position, wait, out);
  EXPECT_EQ(out, "");
  EXPECT_EQ(position, 3);
}
