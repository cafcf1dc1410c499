// The print stream interpreter and the print pipeline of the base printer.
#include <gtest/gtest.h>

#include "recording_printer.h"

namespace {

const std::string E = "\x1b";

// Gives the commands of the base table visible bytes where it has none.
class TMarkingPrinter : public TRecordingPrinter {
 public:
  bool NewBlocks = true;
  std::string CommandBytes(uint8_t code, const std::string& parameter) override {
    if (code == '3' || code == '2' || code == '=') return std::string("<") + char(code) + ">";
    return TRecordingPrinter::CommandBytes(code, parameter);
  }
  bool NeedsNewBlock(int32_t mode) override { return NewBlocks; }
};

std::vector<tPrintBuffers::Block> Blocks(TSimplePrinter& printer, const std::string& prn, bool start = true) {
  tPrintBuffers buffers;
  int32_t position = 0, wait = 0;
  printer.Translate(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), start, position, wait,
                    buffers);
  std::vector<tPrintBuffers::Block> blocks;
  tPrintBuffers::Block block;
  while (buffers.Take(block)) blocks.push_back(block);
  return blocks;
}

std::string Describe(const std::vector<tPrintBuffers::Block>& blocks) {
  std::string text;
  for (const auto& b : blocks) text += "[" + std::to_string(b.Mode) + ":" + b.Bytes + "]";
  return text;
}

}  // namespace

TEST(PrnInterpreter, FeedCommandGivesLinePairsAndSwallowsItsTerminator) {
  TRecordingPrinter p;
  EXPECT_EQ(Translated(p, E + "P3" + E + ";"), "\r\n\r\n\r\n");
  EXPECT_EQ(Translated(p, E + "Px" + E + ";"), "");
  EXPECT_EQ(Translated(p, "a" + E + "P0" + E + ";b" + E + "P-2" + E + ";c"), "abc");
  EXPECT_EQ(Translated(p, "a" + E + "P 2 " + E + ";b"), "a\r\n\r\nb");
}

TEST(PrnInterpreter, RawCommandReadsHexadecimalCodes) {
  TRecordingPrinter p;
  EXPECT_EQ(Translated(p, E + "T0x41,$42 43h" + E + ";"), "ABC");
  EXPECT_EQ(Translated(p, E + "T41 zz" + E + ";"), "A");
  EXPECT_EQ(Translated(p, E + "T1B40;0d" + E + ";"), std::string("\x1b\x40\x0d"));
  EXPECT_EQ(Translated(p, E + "T4 1,F" + E + ";"), std::string("\x04\x01\x0f"));
  EXPECT_EQ(Translated(p, E + "T00" + E + ";"), std::string(1, '\0'));
  EXPECT_EQ(Translated(p, E + "Tzz41" + E + ";"), "");
}

TEST(PrnInterpreter, ShortCommandsOfTheTable) {
  TRecordingPrinter p;
  p.Fonts[0].Selection = "<f0>";
  p.Fonts[1].Selection = "<f1>";
  p.StartSequence = "<s>";
  p.CutLineFeeds = 2;
  EXPECT_EQ(Translated(p, E + "9" + E + ":"), "\x0c\x07");
  EXPECT_EQ(Translated(p, E + "A"), "<f1>");
  EXPECT_EQ(p.FontFlag, 1);
  EXPECT_EQ(Translated(p, E + "1" + E + "1"), "<f0><s><f0><s>");
  EXPECT_EQ(p.FontFlag, 0);
  EXPECT_EQ(Translated(p, E + "7"), "\r\n\r\n");
  EXPECT_EQ(Translated(p, E + "8" + E + "<" + E + "6" + E + "\x1b"), "");
}

TEST(PrnInterpreter, CutEndsWithTheCutCommandBytes) {
  TMarkingPrinter p;
  p.CutLineFeeds = 1;
  EXPECT_EQ(Translated(p, E + "7"), "\r\n<=>");
}

TEST(PrnInterpreter, ModeCommandsRunOnlyWhenTheModeChanges) {
  TMarkingPrinter p;
  p.Escapes = true;
  // The second height-on finds mode B already on: no bytes and no new block.
  EXPECT_EQ(Describe(Blocks(p, "a" + E + "3b" + E + "3c")), "[0:a][1:<3>][0:bc]");
  EXPECT_EQ(p.ModeB, TSimplePrinter::kModeLine);
  // The end of the line switches it off, so it can run again.
  EXPECT_EQ(Translated(p, "\n" + E + "3"), "\n<3>");
  EXPECT_EQ(Translated(p, E + "2" + E + "2"), "<2>");
  EXPECT_EQ(p.ModeB, TSimplePrinter::kModeNormal);
  // "1" puts both modes back to normal and always runs.
  p.ModeA = TSimplePrinter::kModeLine;
  EXPECT_EQ(Translated(p, E + "1" + E + "4"), "");
  EXPECT_EQ(p.ModeA, TSimplePrinter::kModeNormal);
}

TEST(PrnInterpreter, LineLimitCountsDoubleWidthTwice) {
  TRecordingPrinter p;
  p.LineLimit = 3;
  EXPECT_EQ(Translated(p, "abcdef\r\nxy\tz"), "abc\r\nxy\tz");
  EXPECT_EQ(p.Column, 3);
  p.Column = 0;
  p.LineLimit = 4;
  EXPECT_EQ(Translated(p, E + "5abcd\nabcd"), "ab\nabcd");
  EXPECT_EQ(p.ModeA, TSimplePrinter::kModeOff);
}

TEST(PrnInterpreter, CharactersMappedToZeroAreDropped) {
  class TDropping : public TRecordingPrinter {
    uint8_t MapChar(uint8_t c) override { return c == 'z' ? 0 : c == 'y' ? 'Y' : c; }
  } p;
  EXPECT_EQ(Translated(p, "xyz" + E + "T7A" + E + ";"), "xYz");
}

TEST(PrnInterpreter, BlocksFollowTheOutputModes) {
  TMarkingPrinter p;
  p.Escapes = true;
  EXPECT_EQ(Describe(Blocks(p, "ab" + E + "P1" + E + ";" + E + "T41" + E + ";cd")), "[0:ab][1:\r\nA][0:cd]");
  p.NewBlocks = false;
  EXPECT_EQ(Describe(Blocks(p, "ab" + E + "P1" + E + ";cd")), "[0:ab][1:\r\ncd]");
  // Without escape output everything is one block, unless the start flag is
  // clear: then every command closes the block being collected.
  TMarkingPrinter plain;
  EXPECT_EQ(Describe(Blocks(plain, "ab" + E + ":cd")), "[0:ab\x07" "cd]");
  EXPECT_EQ(Describe(Blocks(plain, "ab" + E + ":cd", false)), "[0:ab][0:\x07" "cd]");
}

TEST(PrnInterpreter, WaitStopsAtTheClosingEscape) {
  TRecordingPrinter p;
  std::string prn = "ab" + E + "W20" + E + ";cd";
  int32_t position = 0, wait = 0;
  std::string out;
  p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
  EXPECT_EQ(out, "ab");
  EXPECT_EQ(wait, 20);
  EXPECT_EQ(position, 6);
  p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
  EXPECT_EQ(out, "cd");
  EXPECT_EQ(wait, 0);
  EXPECT_EQ(position, int32_t(prn.size()));
}

TEST(PrnInterpreter, WaitParameters) {
  auto waitOf = [](const std::string& parameter) {
    TRecordingPrinter p;
    std::string prn = E + "W" + parameter + E + ";x";
    int32_t position = 0, wait = -7;
    std::string out;
    p.TranslateAll(reinterpret_cast<const uint8_t*>(prn.data()), int32_t(prn.size()), position, wait, out);
    return wait;
  };
  EXPECT_EQ(waitOf("15"), 15);
  EXPECT_EQ(waitOf("abc"), 0);
  EXPECT_EQ(waitOf("-5"), 0);
  EXPECT_EQ(waitOf("99999999999"), 0);
  EXPECT_EQ(waitOf("4000000"), TSimplePrinter::kMaxWait);
}

TEST(PrintPipeline, PlainOutputWithWaits) {
  TRecordingPrinter p;
  EXPECT_TRUE(PrintText(p, "ab" + E + "W20" + E + ";cd" + E + "W5" + E + ";"));
  std::vector<RecordedCall> expected = {{"out", "ab"}, {"delay", "", 20}, {"out", "cd"}, {"delay", "", 5}};
  EXPECT_EQ(p.Calls, expected);
}

TEST(PrintPipeline, PlainOutputStopsAtTheFirstFailure) {
  TRecordingPrinter p;
  p.FailAtCall = 0;
  EXPECT_FALSE(PrintText(p, "ab" + E + "W20" + E + ";cd"));
  std::vector<RecordedCall> expected = {{"out", "ab"}};
  EXPECT_EQ(p.Calls, expected);
}

TEST(PrintPipeline, EscapeOutputSendsCommandBlocksAsEscapes) {
  TRecordingPrinter p;
  p.Escapes = true;
  EXPECT_TRUE(PrintText(p, "ab" + E + "P1" + E + ";cd" + E + "W7" + E + ";" + E + "9"));
  std::vector<RecordedCall> expected = {
      {"out", "ab"}, {"esc", "\r\n"}, {"out", "cd"}, {"delay", "", 7}, {"esc", "\x0c"}};
  EXPECT_EQ(p.Calls, expected);
}

TEST(PrintPipeline, EscapeOutputFailureIsNotHiddenByLaterBlocks) {
  TRecordingPrinter p;
  p.Escapes = true;
  p.FailAtCall = 1;
  EXPECT_FALSE(PrintText(p, "ab" + E + "P1" + E + ";cd" + E + "W7" + E + ";ef"));
  std::vector<RecordedCall> expected = {{"out", "ab"}, {"esc", "\r\n"}};
  EXPECT_EQ(p.Calls, expected);
}

TEST(PrintPipeline, NothingToPrintSucceeds) {
  TRecordingPrinter p;
  EXPECT_TRUE(p.Print(nullptr, 5));
  EXPECT_TRUE(PrintText(p, ""));
  EXPECT_TRUE(PrintText(p, E + "Px" + E + ";"));
  EXPECT_TRUE(p.Calls.empty());
}

TEST(PrintPipeline, PrintModesCarryOverToTheNextJob) {
  TMarkingPrinter p;
  EXPECT_TRUE(PrintText(p, E + "3ab"));
  EXPECT_TRUE(PrintText(p, E + "3cd\n"));
  EXPECT_EQ(p.AllBytes(), "<3>abcd\n");
}
