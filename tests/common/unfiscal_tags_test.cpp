// Reading print markup into the tag model: flags, every print element with
// its defaults and limits, and what is skipped or refused.
#include <gtest/gtest.h>

#include "common/zef_xml_utils.h"

namespace {

using namespace Unfiscal;

class TagModel : public ::testing::Test {
 protected:
  bool Parse(const std::string& xml) { return TZef_XMLUtils::ParseUnfiscalDocument(ParseXmlDocument(xml), list_); }
  const TKvt_UnfiscalTag& Only() {
    EXPECT_EQ(list_.Count(), 1u);
    return list_[0];
  }
  TKvt_UnfiscalTagList list_;
};

TEST_F(TagModel, RootMustBeUnfiscal) {
  EXPECT_FALSE(Parse("<PRINTUNFISCAL><Unfiscal/></PRINTUNFISCAL>"));
  EXPECT_FALSE(Parse("<unfiscal><TextLine Text=\"a\"/></unfiscal>")) << "names are matched with their case";
  EXPECT_EQ(list_.Count(), 0u);
  EXPECT_FALSE(TZef_XMLUtils::ParseUnfiscalDocument(IXmlDocument(), list_));
  EXPECT_TRUE(Parse("<Unfiscal/>")) << "no print elements is still a printout";
  EXPECT_EQ(list_.Count(), 0u);
}

TEST_F(TagModel, FlagsKeepTheLowByteAndBecomeZeroOrOne) {
  ASSERT_TRUE(Parse("<Unfiscal Slip=\"2\" CutAfter=\"256\" Footer=\"1\"/>"));
  EXPECT_EQ(list_.Slip, 1);
  EXPECT_EQ(list_.CutAfter, 0);
  EXPECT_EQ(list_.Footer, 1);
  EXPECT_EQ(list_.ReceiptInsert, 0);
  EXPECT_THROW(Parse("<Unfiscal Slip=\"yes\"/>"), SimpleXMLException);
}

TEST_F(TagModel, TextLinesPartsAndBlocksWithTheirAttributes) {
  ASSERT_TRUE(Parse(
      "<Unfiscal><TextLine Text=\"\"/><TextLine Text=\" \" Bold=\"2\" Tapes=\"5\"/>"
      "<TextPart Text=\"ab\" FontNum=\"x\" BigWidth=\"0\" Inverted=\"-1\" Tapes=\"3\"/>"
      "<TextBlock BigHeight=\"1\">one&#13;&#10;&#13;&#10;three&#13;&#10;</TextBlock><TextBlock/>"
      "<textline Text=\"skipped\"/></Unfiscal>"));
  ASSERT_EQ(list_.Count(), 3u) << "empty texts and the wrong-case element give no tag";
  const TKvt_UnfiscalTag& line = list_[0];
  EXPECT_EQ(line.Kind, ukTextLine);
  EXPECT_EQ(line.Lines, std::vector<std::string>{" "});
  EXPECT_TRUE(line.Text.BoldGiven);
  EXPECT_EQ(line.Text.Bold, 1);
  EXPECT_TRUE(line.Text.TapesGiven);
  EXPECT_EQ(line.Text.Tapes, 8) << "4 and above are taken as 8";
  EXPECT_FALSE(line.Text.FontNumGiven);
  EXPECT_FALSE(line.Text.BigHeightGiven);
  const TKvt_UnfiscalTag& part = list_[1];
  EXPECT_EQ(part.Kind, ukTextPart);
  EXPECT_FALSE(part.Text.FontNumGiven) << "a non-number counts as absent";
  EXPECT_TRUE(part.Text.BigWidthGiven);
  EXPECT_EQ(part.Text.BigWidth, 0);
  EXPECT_FALSE(part.Text.InvertedGiven) << "-1 is not given";
  EXPECT_EQ(part.Text.Tapes, 3);
  const TKvt_UnfiscalTag& block = list_[2];
  EXPECT_EQ(block.Kind, ukTextBlock);
  EXPECT_EQ(block.Lines, (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(block.Text.BigHeight, 1);
  EXPECT_EQ(block.Element->NodeName(), "TextBlock") << "the tag keeps its element";
  EXPECT_EQ(list_.TextTagCount, 3);
  EXPECT_EQ(list_.TextLineCount, 1);
  EXPECT_EQ(list_.TextPartCount, 1);
  EXPECT_EQ(list_.TextBlockCount, 1);
}

TEST_F(TagModel, BarCodeDefaultsAndNames) {
  ASSERT_TRUE(Parse("<Unfiscal><BarCode/></Unfiscal>"));
  const TKvt_UnfiscalTag& plain = Only();
  EXPECT_EQ(plain.BarCodeType, bcEAN13);
  EXPECT_EQ(plain.Width, 2);
  EXPECT_EQ(plain.Height, 100);
  EXPECT_EQ(plain.TextPosition, tpNo);
  EXPECT_EQ(plain.Value, "0");
  ASSERT_TRUE(Parse("<Unfiscal><BarCode Type=\"QRCode\" Width=\"3\" Height=\"5\" TextPosition=\"Top&amp;Bottom\" "
                    "Value=\"http://x\"/><BarCode Type=\"qrcode\" TextPosition=\"top\"/></Unfiscal>"));
  EXPECT_EQ(list_[0].BarCodeType, bcQRCode);
  EXPECT_EQ(list_[0].TextPosition, tpTopAndBottom);
  EXPECT_EQ(list_[0].Height, 5);
  EXPECT_EQ(list_[1].BarCodeType, bcEAN13) << "names are matched exactly";
  EXPECT_EQ(list_[1].TextPosition, tpNo);
  EXPECT_THROW(Parse("<Unfiscal><BarCode Width=\"wide\"/></Unfiscal>"), SimpleXMLException);
}

TEST_F(TagModel, DrawerPassWaitAreLimited) {
  ASSERT_TRUE(Parse("<Unfiscal><Drawer Number=\"7\"/><Drawer Number=\"-3\"/><Drawer/><Pass Lines=\"250\"/>"
                    "<Pass Lines=\"many\"/><Wait MSecs=\"-5\"/><Wait MSecs=\"200000\"/><Beep/>"
                    "<Logo Number=\"A7\"/><AddInfo Name=\"n\" Data=\"d\"/><RawBlock>G0A=</RawBlock>"
                    "<RawBlock Encoding=\"Base64\">G0A=</RawBlock><RawBlock Encoding=\"Base64\"/></Unfiscal>"));
  ASSERT_EQ(list_.Count(), 12u);
  const int32_t numbers[] = {1, 0, 0, 99, 0, 0, 100000};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(list_[i].Number, numbers[i]) << i;
  EXPECT_EQ(list_[7].Kind, ukBeep);
  EXPECT_EQ(list_[8].Value, "A7");
  EXPECT_EQ(list_[9].Name, "n");
  EXPECT_EQ(list_[9].Data, "d");
  EXPECT_EQ(list_[10].Encoding, encPlain);
  EXPECT_EQ(list_[11].Encoding, encBase64);
  EXPECT_EQ(list_[11].Lines, std::vector<std::string>{"G0A="});
  EXPECT_EQ(list_.TextTagCount, 0);
  EXPECT_THROW(Parse("<Unfiscal><Drawer Number=\"first\"/></Unfiscal>"), SimpleXMLException);
}

TEST(MarkupNames, BothDirectionsOfEveryTable) {
  for (uint8_t kind = 0; kind < ukUnknown; ++kind) EXPECT_EQ(KindOfName(NameOfKind(kind)), kind);
  EXPECT_EQ(KindOfName("Cut"), ukUnknown);
  for (uint8_t type = 0; type <= bcQRCode; ++type) EXPECT_EQ(BarCodeTypeOfName(NameOfBarCodeType(type)), type);
  EXPECT_STREQ(NameOfBarCodeType(9), "EAN-13");
  for (uint8_t at = 0; at <= tpTopAndBottom; ++at) EXPECT_EQ(TextPositionOfName(NameOfTextPosition(at)), at);
  EXPECT_STREQ(NameOfTextPosition(4), "No");
  EXPECT_EQ(EncodingOfName("Base64"), encBase64);
  EXPECT_EQ(EncodingOfName("base64"), encPlain);
}

}  // namespace
