// Input a POS should not send but might: truncated commands, unknown
// commands, out-of-range numbers, binary garbage, and very long jobs. The
// converter always gives a document that parses again, never crashes.
#include <random>

#include "common/zef_xml_utils.h"
#include "markup_testing.h"

namespace {

using namespace markup_testing;
using PrnBadInput = MarkupTest;

TEST_F(PrnBadInput, TruncatedAndUnknownCommands) {
  EXPECT_EQ(Convert("ab\x1b"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"ab\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "an ESC at the end is no command";
  EXPECT_EQ(Convert("ab\x1bQtail"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"ab\"/>",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" "
                 "Text=\"* ERROR BARCODE: tail *\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "an unclosed parameter takes the rest of the job";
  EXPECT_EQ(Convert("\x1bP4\x1b"), Convert("\x1bP4\x1b;")) << "the closing ESC at the very end";
  EXPECT_EQ(Convert("a\x1b@\x1b" "Ab\x1bqskipped\x1b;\x1b~x\x1b;c\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"a\"/>",
                 "\t\t<TextPart Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"b\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"c\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "unknown short and long commands are skipped with their parameter";
}

TEST_F(PrnBadInput, OutOfRangeNumbers) {
  EXPECT_EQ(Convert("\x1bP99999999999\x1b;\x1bW-7\x1b;\x1bV-1\x1b;\x1bZ-5;200000000000;Up;-1\x1b;\x1bXq\x1b;"
                    "\x1b[99999999999\x1b;x\n"),
            Doc({"<PRINTUNFISCAL>",
                 "\t<Unfiscal Slip=\"0\" CutAfter=\"0\" Footer=\"0\">",
                 "\t\t<Pass Lines=\"0\"/>",
                 "\t\t<Wait MSecs=\"-7\"/>",
                 "\t\t<Drawer Number=\"255\"/>",
                 "\t\t<BarCode Type=\"QRCode\" Height=\"-5\" Align=\"Center\" Value=\"q\"/>",
                 "\t\t<TextLine Bold=\"0\" BigHeight=\"0\" BigWidth=\"0\" Inverted=\"0\" Tapes=\"1\" Text=\"x\"/>",
                 "\t</Unfiscal>",
                 "</PRINTUNFISCAL>"}))
      << "numbers outside 32 bits count as non-numbers; the markup reader limits the rest";
}

// The markup of any input parses again, and as a print markup document
// each of its segments reads without an error.
void CheckReadable(const std::string& prn) {
  std::string xml = Convert(prn);
  IXmlDocument document = ParseXmlDocument(xml);
  IXmlElement root = document->DocumentElement();
  ASSERT_EQ(root->NodeName(), "PRINTUNFISCAL");
  ASSERT_GE(root->ChildCount(), 1);
  for (int32_t i = 0; i < root->ChildCount(); ++i) {
    IXmlDocument segment = NewXmlDocument("");
    segment->AppendChild(root->ChildAt(i)->CloneNode(true));
    TKvt_UnfiscalTagList tags;
    EXPECT_TRUE(TZef_XMLUtils::ParseUnfiscalDocument(segment, tags));
  }
}

TEST_F(PrnBadInput, BinaryGarbageGivesReadableMarkup) {
  std::mt19937 random(20240514);
  const char alphabet[] = "\x1b\x1b\x1b\n\r;0123456789ABCTQXZUVWPRY[=78E F-\x01\x80\xff";
  for (int round = 0; round < 2000; ++round) {
    std::string prn(size_t(random() % 200), '\0');
    for (char& c : prn)
      c = round % 2 ? char(random() & 0xFF) : alphabet[random() % (sizeof alphabet - 1)];
    SCOPED_TRACE(round);
    CheckReadable(prn);
    if (HasFatalFailure()) return;
  }
}

TEST_F(PrnBadInput, MegabyteJobsStayLinearAndCutIntoSegments) {
  std::string prn;
  const int kLines = 40000;
  for (int i = 0; i < kLines; ++i) {
    prn += "Line " + std::to_string(i) + " ........................\n";
    if (i % 100 == 99) prn += "\x1b" "7";
  }
  ASSERT_GT(prn.size(), 1u << 20);
  TUFXmlBase converter(0, -1, kEan13);
  IXmlDocument document;
  ASSERT_TRUE(converter.ConvertPrn(reinterpret_cast<const uint8_t*>(prn.data()), prn.size(), document));
  IXmlElement root = document->DocumentElement();
  ASSERT_EQ(root->ChildCount(), kLines / 100);
  IXmlElement last = root->ChildAt(root->ChildCount() - 1)->AsElement();
  EXPECT_EQ(last->ChildCount(), 100);
  EXPECT_EQ(last->AttrText("CutAfter"), "1");
  EXPECT_EQ(last->ChildAt(99)->AsElement()->AttrText("Text"), "Line 39999 ........................");

  std::string oneLine(3u << 20, 'x');
  document = nullptr;
  ASSERT_TRUE(converter.ConvertPrn(reinterpret_cast<const uint8_t*>(oneLine.data()), oneLine.size(), document));
  EXPECT_EQ(document->DocumentElement()->ChildAt(0)->AsElement()->ChildAt(0)->AsElement()->AttrText("Text").size(),
            oneLine.size()) << "a job without line ends is one text part";
}

}  // namespace
